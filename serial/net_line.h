// CNetLine: a serial line behind a serial device server, reached over TCP: RFC 2217 (the client
// sets the rate and the 8-N-1 format and purges; data is Telnet-escaped) or raw TCP (bytes as
// they are, at the rate the server is fixed to).
//
// Open connects (at most 5 s for the connection and the server's answers together), or keeps
// the connection when the same address is open and only the rate changes. A rate the server
// does not take (it answers another one; for raw TCP any but the address's own) is refused as
// a local port refuses it. The connection dropping by the server's side makes the line lost.
// Nothing is ever sent anywhere but to the address selected.
//
// Threads as for every ISerialLine: Read and WaitReadable on the reader thread, the rest on the
// worker. The reader's Read may owe the server a negotiation reply; it sends it under the write
// lock (locks are always taken read before write).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "serial/line_address.h"
#include "serial/serial_line.h"
#include "serial/telnet_codec.h"
#include "serial/wait_gate.h"

namespace travex {

// How long an open may take: the connection and the server's answers to the settings.
inline constexpr int kNetOpenTimeoutMs = 5000;

class CNetLine : public ISerialLine {
 public:
  CNetLine() = default;
  ~CNetLine() override { Close(); }
  CNetLine(const CNetLine&) = delete;
  CNetLine& operator=(const CNetLine&) = delete;

  void Select(const PortTarget& target, uint32_t baud) override;
  int Open() override;
  int Close() override;
  size_t Read(uint8_t* buffer, size_t count) override;
  int Write(const uint8_t* buffer, size_t count) override;
  void FlushInput() override;
  Wait WaitReadable(int timeout_ms) override;
  void WakeWaiters() override { gate_.Wake(); }

  bool IsOpen() const override { return open_.load(); }
  bool IsLost() const override { return lost_.load(); }
  uint32_t OpenCount() const override { return open_count_.load(); }
  uint32_t Rate() const override { return baud_; }
  uint32_t FixedRate(const PortTarget& target) override;

  int LastError() const override { return last_error_; }
  std::string LastErrorText() const override;
  const std::string& LastDevice() const override { return selected_; }
  const PortHolder& LastHolder() const override { return no_holder_; }
  bool LastOpenRefusedSettings() const override { return last_refused_; }

 private:
  using Deadline = std::chrono::steady_clock::time_point;
  // Both locks held by the callers of the *Locked functions.
  int CloseLocked();
  bool Fail(int error, std::string text = {});
  bool Connect(const LineAddress& address, Deadline deadline);
  // Sets rate, format and purge on an RFC 2217 server and waits for its answers.
  bool SetUpServer(Deadline deadline);
  // Sends all bytes (already escaped) within the time left; false when the line is lost.
  bool SendAll(const uint8_t* bytes, size_t count, Deadline deadline);
  // Reads the server until `done` says so or the deadline passes; data is dropped.
  template <typename Done>
  bool ReadServerUntil(Deadline deadline, Done done);
  // Receives what is waiting into bytes and decodes it (RFC 2217); `data` is how many data bytes
  // are left at the start of bytes. Returns the bytes received: 0 when nothing was waiting, -1
  // when the line is gone. A piece of only Telnet commands is bytes received and no data.
  // read_mutex_ held; write_locked: the caller holds write_mutex_ too.
  long Receive(uint8_t* bytes, size_t count, bool write_locked, size_t* data);
  // Receives and drops whatever is waiting now.
  void Drain(bool write_locked);
  // Sends the negotiation replies the decoder holds.
  void SendReplies(bool write_locked);
  void MarkLost(int error);

  std::string selected_;  // the address of the next Open (LastDevice)
  uint32_t baud_ = 0;
  std::string connected_;  // the address the descriptor is connected to
  LineProtocol protocol_ = LineProtocol::kRfc2217;
  int fd_ = -1;
  telnet::CDecoder decoder_;  // read_mutex_
  std::mutex read_mutex_;
  std::mutex write_mutex_;
  CWaitGate gate_;
  std::atomic<bool> open_{false};
  std::atomic<bool> lost_{false};
  std::atomic<uint32_t> open_count_{0};
  int last_error_ = 0;
  std::string last_text_;  // when the system has no errno for it (name resolution, protocol)
  bool last_refused_ = false;
  PortHolder no_holder_;
};

}  // namespace travex
