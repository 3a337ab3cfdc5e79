// travex-logger-sim: the data logger on a pseudo-terminal. One thread, one poll loop: bytes from
// the tool are heard only while the tool's side runs at the logger's rate in 8-N-1 raw mode;
// replies leave after the configured delay and their transmission time.
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "frame_assembler.h"
#include "logger_device.h"
#include "protocol/crc16.h"
#include "pty_line.h"
#include "pty_port.h"
#include "serial/port_map.h"
#include "sim_image.h"
#include "sim_log.h"
#include "sim_options.h"

namespace travex::sim {
namespace {

uint64_t NowMs() {
  struct timespec ts {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

// A reply on its way out, in one or two parts.
struct Outgoing {
  uint8_t bytes[LoggerDevice::kMaxReplyBytes];
  size_t size = 0;
  size_t part_end[2] = {0, 0};  // end offset of each part
  uint64_t due_ms[2] = {0, 0};  // when each part is complete on the line
  int parts = 1;
  int next_part = 0;
  size_t sent = 0;
  uint64_t stuck_since_ms = 0;  // the tool's side stopped taking bytes
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
  void HandlePieces(uint64_t now);
  void Enqueue(const uint8_t* reply, size_t size, uint32_t switch_to_baud, uint64_t now);
  void SendDue(uint64_t now);
  void FinishHead();
  int PollTimeout(uint64_t now) const;
  uint64_t PaceMs(size_t bytes) const;
  void SaveStateIfWanted();

  static constexpr int kQueueSlots = 4;
  static constexpr uint64_t kStuckGiveUpMs = 2000;

  const SimOptions& options_;
  LoggerDevice& device_;
  PtyPort& port_;
  FrameLog& log_;
  FrameAssembler assembler_;
  uint8_t reply_[LoggerDevice::kMaxReplyBytes] = {};
  Outgoing queue_[kQueueSlots];
  int queue_head_ = 0;
  int queue_count_ = 0;
  uint64_t line_free_ms_ = 0;
  uint32_t replies_ = 0;
  uint32_t param_answered_ = 0;
};

uint64_t Simulator::PaceMs(size_t bytes) const {
  if (!options_.pacing) return 0;
  const uint32_t baud = device_.baud();
  return (uint64_t{bytes} * 10 * 1000 + baud - 1) / baud;  // 10 bits per byte
}

void Simulator::SaveStateIfWanted() {
  if (options_.state_file.empty()) return;
  std::string error;
  if (!SaveState(options_.state_file, device_.CurrentImage(), &error)) {
    std::fprintf(stderr, "travex-logger-sim: cannot save state: %s\n", error.c_str());
    log_.Note("cannot save state: " + error);
  }
}

void Simulator::ReadLine(uint64_t now) {
  uint8_t discard[512];
  for (;;) {
    const PtyLineState line = ReadPtyLine(port_.master_fd());
    const bool heard = LineMatches(line, device_.baud());
    uint8_t* into = heard ? assembler_.Space() : discard;
    const size_t room = heard ? assembler_.SpaceLeft() : sizeof discard;
    if (room == 0) return;
    const ssize_t n = read(port_.master_fd(), into, room);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // EAGAIN: all taken
    if (heard) {
      assembler_.Commit(static_cast<size_t>(n), now);
      HandlePieces(now);
      continue;
    }
    char text[160];
    if (!line.valid) {
      std::snprintf(text, sizeof text, "%zd bytes not heard: line settings unreadable", n);
    } else if (line.out_baud != device_.baud() || line.in_baud != device_.baud()) {
      std::snprintf(text, sizeof text, "%zd bytes not heard: line at %u bit/s, logger at %u bit/s",
                    n, line.out_baud, device_.baud());
    } else {
      std::snprintf(text, sizeof text, "%zd bytes not heard: line is not 8-N-1 raw", n);
    }
    log_.Frame("RX", discard, static_cast<size_t>(n), text);
  }
}

void Simulator::HandlePieces(uint64_t now) {
  for (;;) {
    const FrameAssembler::Piece piece = assembler_.Next(now);
    switch (piece.event) {
      case FrameAssembler::Event::kNone:
        return;
      case FrameAssembler::Event::kNoise:
        log_.Frame("RX", piece.data, piece.size, "ignored: not a frame");
        break;
      case FrameAssembler::Event::kBadChecksum:
        log_.Frame("RX", piece.data, piece.size, "ignored: bad checksum");
        break;
      case FrameAssembler::Event::kLinkFrame: {
        const LoggerDevice::Answer answer = device_.OnLinkFrame(piece.data, reply_);
        log_.Frame("RX", piece.data, piece.size, answer.note);
        if (answer.size != 0) Enqueue(reply_, answer.size, answer.switch_to_baud, now);
        break;
      }
      case FrameAssembler::Event::kParamFrame: {
        if (options_.silent_after_set && param_answered_ >= options_.silent_after) {
          log_.Frame("RX", piece.data, piece.size, "not answered: --silent-after");
          break;
        }
        const LoggerDevice::Answer answer = device_.OnParamRequest(piece.data, piece.size, reply_);
        log_.Frame("RX", piece.data, piece.size, answer.note);
        if (answer.image_changed) SaveStateIfWanted();
        if (answer.size != 0) {
          ++param_answered_;
          Enqueue(reply_, answer.size, 0, now);
        }
        break;
      }
    }
  }
}

void Simulator::Enqueue(const uint8_t* reply, size_t size, uint32_t switch_to_baud, uint64_t now) {
  ++replies_;
  if (queue_count_ == kQueueSlots) {
    log_.Note("reply " + std::to_string(replies_) + " dropped: too many replies waiting");
    if (switch_to_baud != 0) device_.set_baud(switch_to_baud);
    return;
  }
  Outgoing& out = queue_[(queue_head_ + queue_count_) % kQueueSlots];
  ++queue_count_;
  std::memcpy(out.bytes, reply, size);
  out.size = size;
  out.remark = nullptr;
  if (replies_ == options_.bad_start_reply) {
    out.bytes[0] ^= 0x01;
    const uint16_t crc = Crc16(out.bytes, size - 2);  // only the start byte is wrong
    out.bytes[size - 2] = static_cast<uint8_t>(crc);
    out.bytes[size - 1] = static_cast<uint8_t>(crc >> 8);
    out.remark = "start byte spoiled";
  }
  if (replies_ == options_.bad_crc_reply) {
    out.bytes[size - 2] ^= 0xFF;
    out.remark = out.remark != nullptr ? "start byte and CRC spoiled" : "CRC spoiled";
  }
  out.parts = 1;
  out.part_end[0] = size;
  if (options_.split) {
    size_t first = options_.split_at != 0 ? options_.split_at : size / 2;
    if (first > 0 && first < size) {
      out.parts = 2;
      out.part_end[0] = first;
      out.part_end[1] = size;
    }
  }
  const uint64_t start = std::max(now + options_.delay_ms, line_free_ms_);
  out.due_ms[0] = start + PaceMs(out.part_end[0]);
  if (out.parts == 2) out.due_ms[1] = out.due_ms[0] + options_.split_ms + PaceMs(size - out.part_end[0]);
  line_free_ms_ = out.due_ms[out.parts - 1];
  out.next_part = 0;
  out.sent = 0;
  out.stuck_since_ms = 0;
  out.switch_to_baud = switch_to_baud;
}

void Simulator::FinishHead() {
  Outgoing& out = queue_[queue_head_];
  if (out.switch_to_baud != 0) {
    device_.set_baud(out.switch_to_baud);
    assembler_.Reset();
    log_.Note("now running at " + std::to_string(out.switch_to_baud) + " bit/s");
  }
  queue_head_ = (queue_head_ + 1) % kQueueSlots;
  --queue_count_;
}

void Simulator::SendDue(uint64_t now) {
  while (queue_count_ > 0) {
    Outgoing& out = queue_[queue_head_];
    if (now < out.due_ms[out.next_part]) return;
    if (out.sent == (out.next_part == 0 ? 0 : out.part_end[out.next_part - 1]) &&
        !LineMatches(ReadPtyLine(port_.master_fd()), device_.baud())) {
      // The tool changed its settings while the logger was answering: the rest is lost.
      log_.Frame("TX", out.bytes + out.sent, out.size - out.sent,
                 "not sent: the tool's side no longer matches the logger's line");
      FinishHead();
      continue;
    }
    const size_t end = out.part_end[out.next_part];
    const size_t begin = out.sent;
    while (out.sent < end) {
      const ssize_t n = write(port_.master_fd(), out.bytes + out.sent, end - out.sent);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      out.sent += static_cast<size_t>(n);
    }
    if (out.sent < end) {
      // The tool's side takes no more bytes for now; try again shortly, give up after a while.
      if (out.stuck_since_ms == 0) out.stuck_since_ms = now;
      if (now - out.stuck_since_ms >= kStuckGiveUpMs) {
        log_.Frame("TX", out.bytes + begin, out.sent - begin, "cut short: the tool's side is full");
        FinishHead();
        continue;
      }
      out.due_ms[out.next_part] = now + 10;
      if (out.sent > begin) log_.Frame("TX", out.bytes + begin, out.sent - begin, "partly sent");
      return;
    }
    out.stuck_since_ms = 0;
    char remark[64];
    const char* text = out.remark;
    if (out.parts == 2) {
      std::snprintf(remark, sizeof remark, "part %d of 2%s%s", out.next_part + 1,
                    out.remark != nullptr ? ", " : "", out.remark != nullptr ? out.remark : "");
      text = remark;
    }
    log_.Frame("TX", out.bytes + begin, end - begin, text);
    if (++out.next_part == out.parts) FinishHead();
  }
}

int Simulator::PollTimeout(uint64_t now) const {
  int64_t timeout = -1;
  if (queue_count_ > 0) {
    const Outgoing& out = queue_[queue_head_];
    const uint64_t due = out.due_ms[out.next_part];
    timeout = due > now ? static_cast<int64_t>(due - now) : 0;
  }
  if (assembler_.Pending() > 0) {
    const int64_t gap = static_cast<int64_t>(FrameAssembler::kGapMs) / 4;
    if (timeout < 0 || timeout > gap) timeout = gap;
  }
  return static_cast<int>(timeout);
}

int Simulator::Run(int signal_fd) {
  for (;;) {
    struct pollfd fds[2] = {{port_.master_fd(), POLLIN, 0}, {signal_fd, POLLIN, 0}};
    const int rc = poll(fds, 2, PollTimeout(NowMs()));
    if (rc < 0 && errno != EINTR) {
      std::fprintf(stderr, "travex-logger-sim: poll: %s\n", std::strerror(errno));
      return 1;
    }
    if (rc > 0 && (fds[1].revents & POLLIN) != 0) {
      struct signalfd_siginfo info {};
      if (read(signal_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        log_.Note("stopped by signal " + std::to_string(info.ssi_signo));
        return 0;
      }
    }
    const uint64_t now = NowMs();
    if (rc > 0 && (fds[0].revents & POLLIN) != 0) ReadLine(now);
    if (assembler_.Pending() > 0) HandlePieces(now);
    SendDue(NowMs());
  }
}

int Main(int argc, char** argv) {
  SimOptions options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "travex-logger-sim: %s\n(--help lists the options)\n", error.c_str());
    return 2;
  }
  if (options.show_help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }

  // Signals arrive through a descriptor in the poll loop; a closed stdout must not kill us.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
  const int signal_fd = signalfd(-1, &stop_signals, SFD_CLOEXEC);
  if (signal_fd < 0) {
    std::fprintf(stderr, "travex-logger-sim: signalfd: %s\n", std::strerror(errno));
    return 1;
  }
  std::signal(SIGPIPE, SIG_IGN);

  ParamImage image{};
  bool loaded = false;
  if (!options.state_file.empty()) {
    switch (LoadState(options.state_file, &image, &error)) {
      case StateLoad::kLoaded:
        loaded = true;
        break;
      case StateLoad::kMissing:
        break;
      case StateLoad::kFailed:
        std::fprintf(stderr, "travex-logger-sim: cannot load state: %s\n", error.c_str());
        close(signal_fd);
        return 1;
    }
  }
  if (!loaded) image = options.demo ? DemoImage() : FactoryImage();

  FrameLog log;
  if (!options.log_file.empty() && !log.Open(options.log_file, &error)) {
    std::fprintf(stderr, "travex-logger-sim: cannot open log: %s\n", error.c_str());
    close(signal_fd);
    return 1;
  }

  PtyPort port;
  const std::string dir = options.port_dir.empty() ? PortDirectory() : options.port_dir;
  if (!port.Open(&error) || !port.Register(dir, options.com_number, &error)) {
    std::fprintf(stderr, "travex-logger-sim: %s\n", error.c_str());
    close(signal_fd);
    return 1;
  }
  InitPtyLine(port.slave_fd(), options.baud);

  LoggerDevice device(options.baud, options.address, options.fw_version, image);
  device.set_overlong_text(options.overlong_text);
  log.Note("COM" + std::to_string(port.com_number()) + " " + port.device() + " at " +
           std::to_string(options.baud) + " bit/s, address " + std::to_string(options.address));
  std::printf("COM%u %s\n", port.com_number(), port.device().c_str());
  std::fflush(stdout);

  // The reply buffers are large: keep them off the stack.
  auto simulator = std::make_unique<Simulator>(options, device, port, log);
  const int code = simulator->Run(signal_fd);
  simulator.reset();

  port.Unregister();
  if (!options.state_file.empty() &&
      !SaveState(options.state_file, device.CurrentImage(), &error)) {
    std::fprintf(stderr, "travex-logger-sim: cannot save state: %s\n", error.c_str());
  }
  port.Close();
  close(signal_fd);
  return code;
}

}  // namespace
}  // namespace travex::sim

int main(int argc, char** argv) { return travex::sim::Main(argc, argv); }
