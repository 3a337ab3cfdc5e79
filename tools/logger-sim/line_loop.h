// The logger on its line: one thread, one poll loop. Bytes from the tool are heard only while
// the tool's side runs at the logger's rate in 8-N-1 raw mode, and reach the logger at the
// line's byte rate; a reply starts one turnaround after the last byte of its request and is
// handed over when its transmission time has passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "frame_assembler.h"
#include "inbound_line.h"
#include "logger_device.h"
#include "pty_port.h"
#include "sim_log.h"
#include "sim_options.h"

namespace travex::sim {

constexpr uint64_t kNsPerMs = 1000000;
constexpr uint64_t kNsPerSecond = 1000000000;
constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

// A reply on its way out, in one or two parts.
struct Outgoing {
  uint8_t bytes[LoggerDevice::kMaxReplyBytes];
  size_t size = 0;
  size_t part_end[2] = {0, 0};  // end offset of each part
  uint64_t due_ns[2] = {0, 0};  // when each part is complete on the line
  int parts = 1;
  int next_part = 0;
  size_t sent = 0;
  uint64_t stuck_since_ns = 0;  // the tool's side stopped taking bytes
  uint32_t switch_to_baud = 0;
  const char* remark = nullptr;
};

class Simulator {
 public:
  Simulator(const SimOptions& options, LoggerDevice& device, PtyPort& port, FrameLog& log)
      : options_(options), device_(device), port_(port), log_(log) {}

  // Runs until a signal arrives on signal_fd. Returns the exit code.
  int Run(int signal_fd);

 private:
  void ReadLine(uint64_t now);
  void TakeArrived(uint64_t now);
  void HandlePieces(uint64_t now);
  void Enqueue(const uint8_t* reply, size_t size, uint32_t switch_to_baud, uint64_t done);
  void SendDue(uint64_t now);
  void FinishHead();
  uint64_t WakeNs() const;
  uint64_t PaceNs(size_t bytes) const;
  void SaveStateIfWanted();

  static constexpr int kQueueSlots = 4;
  static constexpr uint64_t kStuckGiveUpNs = 2 * kNsPerSecond;
  static constexpr uint64_t kStuckRetryNs = 10 * kNsPerMs;

  const SimOptions& options_;
  LoggerDevice& device_;
  PtyPort& port_;
  FrameLog& log_;
  InboundLine inbound_;
  FrameAssembler assembler_;
  uint8_t reply_[LoggerDevice::kMaxReplyBytes] = {};
  Outgoing queue_[kQueueSlots];
  int queue_head_ = 0;
  int queue_count_ = 0;
  uint64_t line_free_ns_ = 0;  // the logger's transmitter is busy until then
  uint32_t replies_ = 0;
  uint32_t param_answered_ = 0;
};

}  // namespace travex::sim
