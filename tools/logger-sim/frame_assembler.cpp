#include "frame_assembler.h"

#include <cstring>

#include "protocol/crc16.h"

namespace travex::sim {
namespace {

constexpr uint8_t kLinkStart = 0xFD;
constexpr uint8_t kParamStart = 0x55;
constexpr size_t kLinkBytes = 7;

bool CrcMatches(const uint8_t* frame, size_t size) {
  const uint16_t crc = Crc16(frame, size - 2);
  return frame[size - 2] == static_cast<uint8_t>(crc) &&
         frame[size - 1] == static_cast<uint8_t>(crc >> 8);
}

}  // namespace

void FrameAssembler::Commit(size_t count, uint64_t arrival_ns) {
  if (count == 0) return;
  used_ += count <= SpaceLeft() ? count : SpaceLeft();
  last_byte_ns_ = arrival_ns;
}

void FrameAssembler::Reset() {
  used_ = 0;
  consume_ = 0;
}

void FrameAssembler::Consume(size_t count) {
  std::memmove(buffer_, buffer_ + count, used_ - count);
  used_ -= count;
}

FrameAssembler::Piece FrameAssembler::Next(uint64_t now_ns) {
  if (consume_ != 0) {
    Consume(consume_);
    consume_ = 0;
  }
  Piece piece;
  if (used_ == 0) return piece;
  piece.data = buffer_;

  auto noise = [&](size_t count) {
    piece.event = Event::kNoise;
    piece.size = count;
    consume_ = count;
    return piece;
  };
  // An incomplete frame: wait for more bytes unless the line has gone quiet.
  auto partial = [&]() {
    if (now_ns >= GapEndNs()) return noise(1);
    return Piece{};
  };

  if (buffer_[0] == kLinkStart) {
    for (size_t i = 1; i < 3 && i < used_; ++i) {
      if (buffer_[i] != kLinkStart) return noise(i);
    }
    if (used_ < kLinkBytes) return partial();
    piece.size = kLinkBytes;
    if (CrcMatches(buffer_, kLinkBytes)) {
      piece.event = Event::kLinkFrame;
      consume_ = kLinkBytes;
    } else {
      piece.event = Event::kBadChecksum;
      consume_ = 1;
    }
    return piece;
  }

  if (buffer_[0] == kParamStart) {
    if (used_ < 3) return partial();
    const size_t length = buffer_[1] | (size_t{buffer_[2]} << 8);
    if (length < kMinRequestBytes || length > kMaxRequestBytes) return noise(1);
    if (used_ < length) return partial();
    piece.size = length;
    if (CrcMatches(buffer_, length)) {
      piece.event = Event::kParamFrame;
      consume_ = length;
    } else {
      piece.event = Event::kBadChecksum;
      consume_ = 1;
    }
    return piece;
  }

  size_t n = 1;
  while (n < used_ && buffer_[n] != kLinkStart && buffer_[n] != kParamStart) ++n;
  return noise(n);
}

size_t FrameAssembler::BytesToDecide() const {
  const uint8_t* frame = buffer_ + consume_;
  const size_t held = used_ - consume_;
  if (held == 0) return 1;
  if (frame[0] == kLinkStart && held < kLinkBytes) return kLinkBytes - held;
  if (frame[0] == kParamStart) {
    if (held < 3) return 3 - held;
    const size_t length = frame[1] | (size_t{frame[2]} << 8);
    if (length >= kMinRequestBytes && length <= kMaxRequestBytes && held < length) {
      return length - held;
    }
  }
  return 1;
}

}  // namespace travex::sim
