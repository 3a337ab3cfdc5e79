// CComPort: one serial device, opened exclusively in raw 8-N-1 mode on POSIX termios.
// Port n is the device behind `comN` in the port directory, else the n-th serial device present
// (see port_map.h).
//
// Threads: the user-interface thread configures, opens, closes and writes; the reader thread
// reads; the bulk-transfer thread writes. Reads and writes hold separate locks, so one read and
// one write may run together, while two writes never overlap. Open and Close take both locks, so
// the descriptor is never closed or replaced under a read or write in progress.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace travex {

class CComPort {
 public:
  CComPort() = default;
  virtual ~CComPort();
  CComPort(const CComPort&) = delete;
  CComPort& operator=(const CComPort&) = delete;

  // Stores the settings for the next Open; no I/O. byte_size 5..8; parity_mode 0 none, 1 odd,
  // 2 even, 3 mark, 4 space; stop_bits 0 one, 1 one and a half, 2 two.
  void Configure(uint8_t port_number, uint8_t byte_size, uint8_t parity_mode, uint8_t stop_bits,
                 uint32_t baud_rate);
  // Nonzero on success. On failure the port stays closed and LastError() tells why. Opening a
  // port that is already open closes it first. Bytes the driver held before are discarded.
  int Open();
  // Bytes placed in buffer: only what is already waiting, never blocks; 0 when closed.
  size_t Read(uint8_t* buffer, size_t count);
  // Nonzero when all bytes were written; gives up after 1000 ms; 0 when closed.
  int Write(const uint8_t* buffer, size_t count);
  // Safe at any time, also twice or before any Open. Waits for a Read or Write in progress.
  // Nonzero when an open descriptor was closed, 0 when nothing was open.
  int Close();
  // Discards what the driver has received but nobody has read yet (no-op when closed).
  void FlushInput();

  bool IsOpen() const { return open.load() != 0; }
  // errno of the last failed Open (0 when none) and the device path it tried. When no device
  // stands for the port number the error is ENOENT and the device is the port directory entry
  // that would name one (ENODEV and an empty device for port 0 and 65 and above).
  int LastError() const { return last_error; }
  const std::string& LastDevice() const { return last_device; }
  // True when the last failed Open reached the device but the device refused the line
  // settings (for example a rate the adapter does not support); false when the device could
  // not be opened at all.
  bool LastOpenRefusedSettings() const { return last_refused_settings; }

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

  int fd_ = -1;               // -1 whenever the port is not open
  std::mutex read_mutex_;     // Read against Open/Close
  std::mutex write_mutex_;    // Write against Write and Open/Close
  int last_error = 0;
  bool last_refused_settings = false;
  std::string last_device;
};

}  // namespace travex
