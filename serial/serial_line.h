// ISerialLine: the line the session talks to one logger over. It opens, writes, waits for bytes
// and reads them, purges, takes a rate, and tells when the line was lost. The local port
// (CComPort) stands behind it, and so do the lines of serial device servers (CNetLine);
// CPortLine picks the one a port names.
//
// Threads, for every line: the worker selects, opens, writes, purges and closes; the reader
// thread waits for bytes and reads them. Open and Close wake a wait in progress and never
// replace the descriptor under a wait, read or write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/port_lock.h"

namespace travex {

// Which line to open: a COM number of the port map, or an address given directly.
struct PortTarget {
  PortTarget() = default;
  PortTarget(uint8_t com_number) : number(com_number) {}  // NOLINT: a COM number is a target
  static PortTarget Address(std::string text) {
    PortTarget target;
    target.address = std::move(text);
    return target;
  }
  bool operator==(const PortTarget&) const = default;

  uint8_t number = 0;   // 1..64; 0 with an address
  std::string address;  // "rfc2217://HOST:PORT" or "tcp://HOST:PORT?baud=RATE"
};

class ISerialLine {
 public:
  enum class Wait { kReadable, kTimeout, kHangup, kWoken };

  virtual ~ISerialLine() = default;

  // Stores the line and its rate (8 data bits, no parity, one stop bit) for the next Open.
  virtual void Select(const PortTarget& target, uint32_t baud) = 0;
  // Nonzero on success; on failure the line is closed and LastError() tells why. Opening a line
  // that is open puts it at the selected rate (closing it first where the line needs that).
  // Bytes received before are discarded.
  virtual int Open() = 0;
  // Safe at any time, also twice or before any Open. Nonzero when an open line was closed.
  virtual int Close() = 0;
  // Bytes placed in buffer: only what is already waiting, never blocks; 0 when closed or lost.
  virtual size_t Read(uint8_t* buffer, size_t count) = 0;
  // Nonzero when all bytes were written; gives up after 1000 ms; 0 when closed or lost.
  virtual int Write(const uint8_t* buffer, size_t count) = 0;
  // Discards what has been received but not read yet (no-op when closed).
  virtual void FlushInput() = 0;
  // Waits at most timeout_ms until bytes can be read (kReadable), the line hangs up (kHangup:
  // it is lost from then on), or WakeWaiters, Open or Close interrupt the wait (kWoken).
  // One waiter at a time.
  virtual Wait WaitReadable(int timeout_ms) = 0;
  virtual void WakeWaiters() = 0;

  virtual bool IsOpen() const = 0;
  // The line hung up or failed while open; cleared by Open and Close.
  virtual bool IsLost() const = 0;
  // Counts successful opens, so an event about an earlier open can be told apart.
  virtual uint32_t OpenCount() const = 0;
  // The selected rate.
  virtual uint32_t Rate() const = 0;
  // The one rate the line of `target` can take, 0 when it takes any. Never connects.
  virtual uint32_t FixedRate(const PortTarget& /*target*/) { return 0; }

  // The last failed Open: errno (0 when none), the device or address it tried, the system's
  // text for the error, who holds the device (EBUSY), and whether the device was reached but
  // refused the line settings.
  virtual int LastError() const = 0;
  virtual std::string LastErrorText() const;
  virtual const std::string& LastDevice() const = 0;
  virtual const PortHolder& LastHolder() const = 0;
  virtual bool LastOpenRefusedSettings() const = 0;
};

}  // namespace travex
