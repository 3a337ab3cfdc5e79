// CComPort: one serial device, opened exclusively in raw 8-N-1 mode on POSIX termios.
// Port n is the device behind `comN` in the port directory, else the n-th serial device present
// (see port_map.h).
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

  // Stores the settings for the next Open; no I/O.
  void Configure(uint8_t port_number, uint8_t byte_size, uint8_t parity_mode, uint8_t stop_bits,
                 uint32_t baud_rate);
  // Nonzero on success. On failure the port stays closed and LastError() tells why.
  int Open();
  // Bytes placed in buffer: only what is already waiting, never blocks; 0 when closed.
  size_t Read(uint8_t* buffer, size_t count);
  // Nonzero when all bytes were written; gives up after 1000 ms; 0 when closed.
  int Write(const uint8_t* buffer, size_t count);
  // Safe at any time, also twice or before any Open. Waits for a Read in progress.
  int Close();

  bool IsOpen() const { return open.load() != 0; }
  // errno of the last failed Open (0 when none) and the device path it tried.
  int LastError() const { return last_error; }
  const std::string& LastDevice() const { return last_device; }

  uint8_t port_number = 0;
  uint8_t byte_size = 0;
  uint8_t parity_mode = 0;
  uint8_t stop_bits = 0;
  uint32_t baud_rate = 0;
  // The system's one port-open flag.
  std::atomic<int> open{0};

 private:
  int fd_ = -1;
  std::mutex io_mutex_;     // keeps Close apart from Read and Write
  std::mutex write_mutex_;  // two writes never overlap
  int last_error = 0;
  std::string last_device;
};

}  // namespace travex
