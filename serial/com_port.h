// CComPort: one serial device, opened exclusively in raw 8-N-1 mode on POSIX termios.
// Port n is the device behind `comN` in the port directory, else the n-th serial device present
// (see port_map.h).
//
// Threads: the user-interface thread (or a worker) configures, opens, closes and writes; the
// reader thread waits for bytes and reads. Reads and writes hold separate locks, so one read
// and one write may run together, while two writes never overlap. A wait for bytes holds no
// lock while it sleeps, so nothing else ever waits for it; Open and Close wake it and wait
// until it has let go of the descriptor, so the descriptor is never closed or replaced under a
// wait, read or write in progress.
//
// Exclusive means: TIOCEXCL against other users' opens, an advisory flock against cooperating
// programs running as root, and a UUCP lock file ("LCK..ttyUSB0" in /var/lock) as terminal
// programs use them. A device that is unplugged (hang-up, EIO) makes the port "lost": it stays
// nominally open until Close, but reads and waits no longer touch the device.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "serial/port_lock.h"
#include "serial/port_map.h"
#include "serial/serial_line.h"
#include "serial/wait_gate.h"

namespace travex {

class CComPort : public ISerialLine {
 public:
  CComPort();
  ~CComPort() override;
  CComPort(const CComPort&) = delete;
  CComPort& operator=(const CComPort&) = delete;

  // Stores the settings for the next Open; no I/O. byte_size 5..8; parity_mode 0 none, 1 odd,
  // 2 even, 3 mark, 4 space; stop_bits 0 one, 1 one and a half, 2 two.
  void Configure(uint8_t port_number, uint8_t byte_size, uint8_t parity_mode, uint8_t stop_bits,
                 uint32_t baud_rate);
  // The port of target.number at `baud`, 8-N-1; an address names no local device.
  void Select(const PortTarget& target, uint32_t baud) override;
  // Nonzero on success. On failure the port stays closed and LastError() tells why. Opening a
  // port that is already open closes it first. Bytes the driver held before are discarded.
  int Open() override;
  // Bytes placed in buffer: only what is already waiting, never blocks; 0 when closed or lost.
  size_t Read(uint8_t* buffer, size_t count) override;
  // Nonzero when all bytes were written; gives up after 1000 ms; 0 when closed or lost.
  int Write(const uint8_t* buffer, size_t count) override;
  // Safe at any time, also twice or before any Open. Waits for a Read or Write in progress.
  // Nonzero when an open descriptor was closed, 0 when nothing was open.
  int Close() override;
  // Discards what the driver has received but nobody has read yet (no-op when closed).
  void FlushInput() override;

  // Waits at most timeout_ms until bytes can be read (kReadable), the device hangs up (kHangup:
  // the port is lost from then on), or WakeWaiters, Open or Close interrupt the wait (kWoken).
  // While the port is closed or lost it only waits for the interruption. One waiter at a time.
  Wait WaitReadable(int timeout_ms) override;
  // Interrupts a WaitReadable in progress (any thread).
  void WakeWaiters() override { gate_.Wake(); }

  bool IsOpen() const override { return open.load() != 0; }
  // The device hung up or failed while open (unplugged adapter); cleared by Open and Close.
  bool IsLost() const override { return lost_.load(); }
  // errno of the hang-up (EIO, ENODEV, ... ; 0 for a plain hang-up).
  int LostError() const { return lost_error_.load(); }
  // Counts successful opens, so an event about an earlier open can be told apart.
  uint32_t OpenCount() const override { return open_count_.load(); }
  uint32_t Rate() const override { return baud_rate; }

  // errno of the last failed Open (0 when none) and the device path it tried. When no device
  // stands for the port number the error is ENOENT and the device is the port directory entry
  // that would name one (ENODEV and an empty device for port 0 and 65 and above). EBUSY when
  // another program uses the device; LastHolder() then names it when known.
  int LastError() const override { return last_error; }
  const std::string& LastDevice() const override { return last_device; }
  const PortHolder& LastHolder() const override { return last_holder_; }
  // True when the last failed Open reached the device but the device refused the line
  // settings (for example a rate the adapter does not support, or no serial line at all);
  // false when the device could not be opened at all.
  bool LastOpenRefusedSettings() const override { return last_refused_settings; }

  // Where UUCP lock files are looked for and made (default /var/lock); tests point it elsewhere.
  void SetLockDirectory(std::string dir) { lock_dir_ = std::move(dir); }

  // How Open finds the device of a port number: a number that stood for a device stays with it
  // while this port object lives. A port list shown to the operator refreshes and reads it.
  ComPortNumbering& Numbering() { return numbering_; }

  uint8_t port_number = 0;
  uint8_t byte_size = 0;
  uint8_t parity_mode = 0;
  uint8_t stop_bits = 0;
  uint32_t baud_rate = 0;
  // The system's one port-open flag.
  std::atomic<int> open{0};

 private:
  // Both locks held by the caller.
  int CloseLocked();
  // Records an open that failed because someone else uses the device.
  void RecordBusy(const std::string& device, const PortHolder* holder);
  void MarkLost(int error);
  // The poll of a wait: fd -1 waits for the wake-up only.
  Wait PollDevice(int fd, int timeout_ms);

  int fd_ = -1;               // -1 whenever the port is not open
  std::mutex read_mutex_;     // Read, the start and end of a wait, against Open/Close
  std::mutex write_mutex_;    // Write against Write and Open/Close
  CWaitGate gate_;            // the waits on the descriptor (read_mutex_)
  std::atomic<bool> lost_{false};
  std::atomic<int> lost_error_{0};
  std::atomic<uint32_t> open_count_{0};
  CPortLock lock_;
  ComPortNumbering numbering_;
  std::string lock_dir_ = kDefaultLockDir;
  int last_error = 0;
  bool last_refused_settings = false;
  std::string last_device;
  PortHolder last_holder_;
};

}  // namespace travex
