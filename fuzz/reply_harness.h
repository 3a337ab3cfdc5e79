// Feeds arbitrary bytes to the reply parser and the collector and checks what must hold for
// any input: nothing outside the image and the version changes, every text field stays
// terminated, a rejected frame changes nothing, the collection never runs past its buffer.
// Shared by the libFuzzer target and the fixed-seed test that runs in CTest. Returns false
// (with a reason) on a violation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "params/item_map.h"
#include "protocol/crc16.h"
#include "protocol/param_frames.h"
#include "protocol/reply_collector.h"
#include "serial/rx_ring.h"

namespace travex::fuzzing {

class ByteSource {
 public:
  ByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
  size_t Rest(const uint8_t** out) {
    *out = data_ + pos_;
    const size_t n = size_ - pos_;
    pos_ = size_;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

inline bool TextsTerminated(const ParamImage& image, std::string* why) {
  for (unsigned id = 1000; id < 3064; ++id) {
    const ItemInfo info = DescribeItem(static_cast<uint16_t>(id));
    if (info.kind != ItemKind::kText) continue;
    const uint8_t* field = reinterpret_cast<const uint8_t*>(&image) + info.image_offset;
    if (std::memchr(field, 0, info.width) == nullptr) {
      *why = "text of item " + std::to_string(id) + " lost its NUL";
      return false;
    }
  }
  return true;
}

// What the parser may write to, between guard bytes that must stay as they are.
struct Target {
  uint8_t guard_before[32];
  ParamImage image;
  uint16_t fw_version;
  uint8_t guard_after[32];
};

inline constexpr uint8_t kGuardByte = 0x5A;

// A target whose texts hold some bytes and are terminated.
inline std::unique_ptr<Target> SeededTarget(uint8_t seed) {
  auto target = std::make_unique<Target>();
  std::memset(target->guard_before, kGuardByte, sizeof target->guard_before);
  std::memset(target->guard_after, kGuardByte, sizeof target->guard_after);
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&target->image);
  uint32_t x = 0x9E3779B9u ^ seed;
  for (size_t i = 0; i < sizeof target->image; ++i) {
    x = x * 1664525u + 1013904223u;
    bytes[i] = static_cast<uint8_t>(x >> 24);
  }
  for (unsigned id = 1000; id < 3064; ++id) {
    const ItemInfo info = DescribeItem(static_cast<uint16_t>(id));
    if (info.kind == ItemKind::kText) bytes[info.image_offset + info.width - 1] = 0;
  }
  target->fw_version = static_cast<uint16_t>(seed * 257u);
  return target;
}

struct Snapshot {
  explicit Snapshot(const Target& t) : image(t.image), fw_version(t.fw_version) {}
  bool SameImage(const Target& t) const {
    return std::memcmp(&image, &t.image, sizeof image) == 0 && fw_version == t.fw_version;
  }

  ParamImage image;
  uint16_t fw_version;
};

inline bool GuardsIntact(const Target& t) {
  for (const uint8_t b : t.guard_before) {
    if (b != kGuardByte) return false;
  }
  for (const uint8_t b : t.guard_after) {
    if (b != kGuardByte) return false;
  }
  return true;
}

inline bool CheckAfter(const Target& target, const Snapshot& before, bool accepted,
                       std::string* why) {
  if (!GuardsIntact(target)) {
    *why = "the parser wrote outside the image";
    return false;
  }
  if (!accepted && !before.SameImage(target)) {
    *why = "a rejected frame changed the image";
    return false;
  }
  return TextsTerminated(target.image, why);
}

// The parser on the answer in `reply` (a buffer of kFrameBufferSize bytes), checked.
inline bool ParseChecked(const uint8_t* reply, uint16_t length, bool write, Target* target,
                         std::string* why, bool* accepted_out) {
  const Snapshot before(*target);
  const bool accepted =
      ParseParamReply(reply, length, write, &target->image, &target->fw_version).accepted;
  if (accepted_out != nullptr) *accepted_out = accepted;
  return CheckAfter(*target, before, accepted, why);
}

// Input layout: byte 0 selects the path and options, byte 1 seeds the image, the rest is the
// frame (or the stream of bytes for the collector).
// *accepted (when given) tells whether a parser accepted a frame.
inline bool RunReplyCase(const uint8_t* data, size_t size, std::string* why,
                         bool* accepted_out = nullptr) {
  ByteSource src(data, size);
  const uint8_t mode = src.Next();
  auto target = SeededTarget(src.Next());
  const bool write = (mode & 1) != 0;
  uint8_t reply[kFrameBufferSize] = {};

  if ((mode & 2) == 0) {
    // Straight to the parser, with a length that may disagree with everything.
    uint16_t length = static_cast<uint16_t>(src.Next() | (src.Next() << 8));
    const uint8_t* frame = nullptr;
    const size_t n = src.Rest(&frame);
    const size_t copied = n < kFrameBufferSize ? n : kFrameBufferSize;
    if (copied != 0) std::memcpy(reply, frame, copied);
    if ((mode & 4) != 0 && copied >= 9) {
      // Make the frame well-formed around arbitrary items so the item walk is reached.
      length = static_cast<uint16_t>(copied);
      reply[0] = 0xAA;
      reply[3] = 0;
      reply[5] = write ? 2 : 1;
      PutU16(reply + 1, length);
      PutU16(reply + length - 2, Crc16(reply, length - 2u));
    }
    return ParseChecked(reply, length, write, target.get(), why, accepted_out);
  }

  // Through the collection: the rest arrives in pieces whose sizes come from the input, and
  // each piece is looked at as the session does when the reader hands it over.
  CRxRing ring;
  uint16_t rx_len = 0;
  const uint8_t* stream = nullptr;
  size_t left = src.Rest(&stream);
  uint8_t fixed[kFrameBufferSize];
  if ((mode & 4) != 0 && left >= 9 && left <= kFrameBufferSize) {
    // Fix the start byte, length field and CRC of the frame (on a copy).
    std::memcpy(fixed, stream, left);
    fixed[0] = 0xAA;
    PutU16(fixed + 1, static_cast<uint16_t>(left));
    PutU16(fixed + left - 2, Crc16(fixed, left - 2));
    stream = fixed;
  }
  while (left != 0) {
    const size_t piece = (stream[0] % 64u) + 1u < left ? (stream[0] % 64u) + 1u : left;
    std::memcpy(ring.chunk, stream, piece);
    ring.chunk_len = static_cast<uint16_t>(piece);
    ring.PushChunk();
    stream += piece;
    left -= piece;
    rx_len = static_cast<uint16_t>(
        rx_len + ring.Pop(reply + rx_len, static_cast<uint16_t>(kFrameBufferSize - rx_len)));
    if (rx_len > kFrameBufferSize) {
      *why = "rx_len ran past the reply buffer";
      return false;
    }
    const CollectCheck check = CheckCollected(reply, rx_len);
    if (check.state == CollectState::kBadStart) return true;
    if (check.state == CollectState::kComplete) {
      return ParseChecked(reply, check.length, write, target.get(), why, accepted_out);
    }
  }
  return true;  // never complete: the collection times out
}

}  // namespace travex::fuzzing
