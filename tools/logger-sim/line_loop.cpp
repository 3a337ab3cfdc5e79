#include "line_loop.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "protocol/crc16.h"
#include "pty_line.h"
#include "sim_image.h"

namespace travex::sim {
namespace {

uint64_t NowNs() {
  struct timespec ts {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * kNsPerSecond + static_cast<uint64_t>(ts.tv_nsec);
}

}  // namespace

// Time `bytes` take on the line at the logger's rate: 10 bits each (8-N-1).
uint64_t Simulator::PaceNs(size_t bytes) const {
  if (!options_.pacing) return 0;
  return uint64_t{bytes} * 10 * kNsPerSecond / device_.baud();
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
    uint8_t* into = heard ? inbound_.Space() : discard;
    const size_t room = heard ? inbound_.SpaceLeft() : sizeof discard;
    if (room == 0) return;
    const ssize_t n = read(port_.master_fd(), into, room);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // EAGAIN: all taken
    if (heard) {
      inbound_.Commit(static_cast<size_t>(n), now, PaceNs(1));
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

// Hands the bytes that have arrived by `now` to the assembler one at a time, each at its own
// arrival time, so that a request is complete exactly when its last byte is in and a gap is
// measured between arrivals. Replies due in between leave first, as they would have on time.
void Simulator::TakeArrived(uint64_t now) {
  while (inbound_.Pending() > 0 && inbound_.ArrivalNs(0) <= now && assembler_.SpaceLeft() > 0) {
    const uint64_t at = inbound_.ArrivalNs(0);
    SendDue(at);
    if (inbound_.Pending() == 0) break;  // a reply switched the rate: the bytes are lost
    HandlePieces(at);  // a partial frame whose gap ran out before this byte is given up first
    *assembler_.Space() = inbound_.Take();
    assembler_.Commit(1, at);
    HandlePieces(at);
  }
  HandlePieces(now);
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

// done: when the request's last byte arrived.
void Simulator::Enqueue(const uint8_t* reply, size_t size, uint32_t switch_to_baud, uint64_t done) {
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
  const uint64_t turnaround = uint64_t{options_.turnaround_ms} * kNsPerMs;
  const uint64_t start = std::max(done + turnaround, line_free_ns_);
  out.due_ns[0] = start + PaceNs(out.part_end[0]);
  if (out.parts == 2) {
    out.due_ns[1] =
        out.due_ns[0] + uint64_t{options_.split_ms} * kNsPerMs + PaceNs(size - out.part_end[0]);
  }
  line_free_ns_ = out.due_ns[out.parts - 1];
  out.next_part = 0;
  out.sent = 0;
  out.stuck_since_ns = 0;
  out.switch_to_baud = switch_to_baud;
}

void Simulator::FinishHead() {
  Outgoing& out = queue_[queue_head_];
  if (out.switch_to_baud != 0) {
    device_.set_baud(out.switch_to_baud);
    inbound_.Clear();
    assembler_.Reset();
    log_.Note("now running at " + std::to_string(out.switch_to_baud) + " bit/s");
  }
  queue_head_ = (queue_head_ + 1) % kQueueSlots;
  --queue_count_;
}

void Simulator::SendDue(uint64_t now) {
  while (queue_count_ > 0) {
    Outgoing& out = queue_[queue_head_];
    if (now < out.due_ns[out.next_part]) return;
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
      if (out.stuck_since_ns == 0) out.stuck_since_ns = now;
      if (now - out.stuck_since_ns >= kStuckGiveUpNs) {
        log_.Frame("TX", out.bytes + begin, out.sent - begin, "cut short: the tool's side is full");
        FinishHead();
        continue;
      }
      out.due_ns[out.next_part] = now + kStuckRetryNs;
      if (out.sent > begin) log_.Frame("TX", out.bytes + begin, out.sent - begin, "partly sent");
      return;
    }
    out.stuck_since_ns = 0;
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

// The next moment at which something is due without a new byte read: the head reply's next
// part, the arrival of the byte that can complete the frame being assembled, or the end of its
// gap. kNever when nothing is.
uint64_t Simulator::WakeNs() const {
  uint64_t wake = kNever;
  if (queue_count_ > 0) {
    const Outgoing& out = queue_[queue_head_];
    wake = out.due_ns[out.next_part];
  }
  if (inbound_.Pending() > 0) {
    const size_t needed = std::min(assembler_.BytesToDecide(), inbound_.Pending());
    wake = std::min(wake, inbound_.ArrivalNs(needed - 1));
  }
  if (assembler_.Pending() > 0) wake = std::min(wake, assembler_.GapEndNs());
  return wake;
}

int Simulator::Run(int signal_fd) {
  for (;;) {
    const uint64_t wake = WakeNs();
    struct timespec wait {};
    if (wake != kNever) {
      const uint64_t now = NowNs();
      const uint64_t left = wake > now ? wake - now : 0;
      wait.tv_sec = static_cast<time_t>(left / kNsPerSecond);
      wait.tv_nsec = static_cast<long>(left % kNsPerSecond);
    }
    // While the bytes read wait for their arrival, the rest stays with the pseudo-terminal.
    const short input_events = inbound_.SpaceLeft() > 0 ? POLLIN : 0;
    struct pollfd fds[2] = {{port_.master_fd(), input_events, 0}, {signal_fd, POLLIN, 0}};
    const int rc = ppoll(fds, 2, wake != kNever ? &wait : nullptr, nullptr);
    if (rc < 0 && errno != EINTR) {
      std::fprintf(stderr, "travex-logger-sim: ppoll: %s\n", std::strerror(errno));
      return 1;
    }
    if (rc > 0 && (fds[1].revents & POLLIN) != 0) {
      struct signalfd_siginfo info {};
      if (read(signal_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        log_.Note("stopped by signal " + std::to_string(info.ssi_signo));
        return 0;
      }
    }
    if (rc > 0 && (fds[0].revents & POLLIN) != 0) ReadLine(NowNs());
    TakeArrived(NowNs());
    SendDue(NowNs());
  }
}

}  // namespace travex::sim
