// Feeds arbitrary bytes to the reply parsers and the collector and checks what must hold for
// any input: nothing outside the image changes, every text field stays terminated, a rejected
// frame changes nothing, the collection never runs past its buffer. Shared by the libFuzzer target
// and the fixed-seed test that runs in CTest. Returns false (with a reason) on a violation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "params/item_map.h"
#include "params/param_store.h"
#include "protocol/crc16.h"
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

// A store whose texts hold some bytes and are terminated.
inline std::unique_ptr<CParamStore> SeededStore(uint8_t seed) {
  auto store = std::make_unique<CParamStore>();
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&store->image);
  uint32_t x = 0x9E3779B9u ^ seed;
  for (size_t i = 0; i < sizeof store->image; ++i) {
    x = x * 1664525u + 1013904223u;
    bytes[i] = static_cast<uint8_t>(x >> 24);
  }
  for (unsigned id = 1000; id < 3064; ++id) {
    const ItemInfo info = DescribeItem(static_cast<uint16_t>(id));
    if (info.kind == ItemKind::kText) bytes[info.image_offset + info.width - 1] = 0;
  }
  store->fw_version = static_cast<uint16_t>(seed * 257u);
  store->arg1_channel = static_cast<uint8_t>(seed % kChannelCount);
  store->arg2_channel = static_cast<uint8_t>((seed / 3) % kChannelCount);
  store->BuildReadRequest(1000, 21);
  return store;
}

struct Snapshot {
  explicit Snapshot(const CParamStore& s)
      : image(s.image), fw_version(s.fw_version), arg1_channel(s.arg1_channel),
        arg2_channel(s.arg2_channel), last_request_was_write(s.last_request_was_write) {
    std::memcpy(request, s.request, sizeof request);
  }
  bool SameImage(const CParamStore& s) const {
    return std::memcmp(&image, &s.image, sizeof image) == 0 && fw_version == s.fw_version;
  }
  bool SameOutsideImage(const CParamStore& s) const {
    return std::memcmp(request, s.request, sizeof request) == 0 &&
           arg1_channel == s.arg1_channel && arg2_channel == s.arg2_channel &&
           last_request_was_write == s.last_request_was_write;
  }

  ParamImage image;
  uint16_t fw_version;
  uint8_t arg1_channel;
  uint8_t arg2_channel;
  uint8_t request[kFrameBufferSize];
  bool last_request_was_write;
};

inline bool CheckAfter(const CParamStore& store, const Snapshot& before, bool accepted,
                       std::string* why) {
  if (!before.SameOutsideImage(store)) {
    *why = "a parser changed the store outside the image";
    return false;
  }
  if (!accepted && !before.SameImage(store)) {
    *why = "a rejected frame changed the image";
    return false;
  }
  return TextsTerminated(store.image, why);
}

// Input layout: byte 0 selects the path and options, byte 1 seeds the image, the rest is the
// frame (or the stream of bytes for the collector).
// *accepted (when given) tells whether a parser accepted a frame.
inline bool RunReplyCase(const uint8_t* data, size_t size, std::string* why,
                         bool* accepted_out = nullptr) {
  ByteSource src(data, size);
  const uint8_t mode = src.Next();
  auto store = SeededStore(src.Next());
  store->last_request_was_write = (mode & 1) != 0;

  if ((mode & 2) == 0) {
    // Straight to the parser, with a length that may disagree with everything.
    uint16_t length = static_cast<uint16_t>(src.Next() | (src.Next() << 8));
    const uint8_t* frame = nullptr;
    const size_t n = src.Rest(&frame);
    const size_t copied = n < kFrameBufferSize ? n : kFrameBufferSize;
    if (copied != 0) std::memcpy(store->reply, frame, copied);
    if ((mode & 4) != 0 && copied >= 9) {
      // Make the frame well-formed around arbitrary items so the item walk is reached.
      length = static_cast<uint16_t>(copied);
      store->reply[0] = 0xAA;
      store->reply[3] = 0;
      store->reply[5] = store->last_request_was_write ? 2 : 1;
      PutU16(store->reply + 1, length);
      PutU16(store->reply + length - 2, Crc16(store->reply, length - 2u));
    }
    const Snapshot before(*store);
    const bool accepted = store->HandleReply(length).accepted;
    if (accepted_out != nullptr) *accepted_out = accepted;
    return CheckAfter(*store, before, accepted, why);
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
        rx_len + ring.Pop(store->reply + rx_len, static_cast<uint16_t>(kFrameBufferSize - rx_len)));
    if (rx_len > kFrameBufferSize) {
      *why = "rx_len ran past the reply buffer";
      return false;
    }
    const CollectCheck check = CheckCollected(store->reply, rx_len);
    if (check.state == CollectState::kBadStart) return true;
    if (check.state == CollectState::kComplete) {
      const Snapshot before(*store);
      const bool accepted = store->HandleReply(check.length).accepted;
      if (accepted_out != nullptr) *accepted_out = accepted;
      return CheckAfter(*store, before, accepted, why);
    }
  }
  return true;  // never complete: the collection times out
}

}  // namespace travex::fuzzing
