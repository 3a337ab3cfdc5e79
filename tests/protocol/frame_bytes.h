// Byte strings for protocol tests: frames written as hex text, CRCs fixed up.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "params/block_table.h"
#include "params/param_store.h"
#include "protocol/crc16.h"
#include "protocol/param_frames.h"

namespace travex::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Hex(std::string_view text) {
  Bytes out;
  int nibble = -1;
  for (char ch : text) {
    int v = -1;
    if (ch >= '0' && ch <= '9') v = ch - '0';
    if (ch >= 'A' && ch <= 'F') v = ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') v = ch - 'a' + 10;
    if (v < 0) continue;
    if (nibble < 0) {
      nibble = v;
    } else {
      out.push_back(static_cast<uint8_t>(nibble * 16 + v));
      nibble = -1;
    }
  }
  return out;
}

// Rewrites the length field and the CRC of a frame to match its bytes.
inline void FixFrame(Bytes& frame) {
  const size_t n = frame.size();
  frame[1] = static_cast<uint8_t>(n);
  frame[2] = static_cast<uint8_t>(n >> 8);
  const uint16_t crc = Crc16(frame.data(), n - 2);
  frame[n - 2] = static_cast<uint8_t>(crc);
  frame[n - 1] = static_cast<uint8_t>(crc >> 8);
}

// A read answer: header, the given item bytes, CRC.
inline Bytes ReadAnswer(uint16_t count, const Bytes& items) {
  Bytes f = {0xAA, 0, 0, 0, 0, 1, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
  f.reserve(f.size() + items.size() + 2);  // also spares gcc 12 -O3 a false array-bounds warning
  f.insert(f.end(), items.begin(), items.end());
  f.push_back(0);
  f.push_back(0);
  FixFrame(f);
  return f;
}

// The request for `items` built from `image`; empty when none could be built.
inline Bytes RequestBytes(const ParamImage& image, ItemRange items, bool write) {
  uint8_t frame[kFrameBufferSize];
  // Bounded for the compiler's sake too: gcc 12 otherwise warns of a copy past the buffer.
  const size_t n = std::min<size_t>(BuildParamRequest(image, items, write, frame), sizeof frame);
  return Bytes(frame, frame + n);
}

// `frame` handed to the parser as an answer of `length` bytes (in a reply buffer, as the session
// does), parsed into the store's image and version.
inline ReplyOutcome ParseInto(CParamStore& store, const Bytes& frame, bool write, uint16_t length) {
  uint8_t reply[kFrameBufferSize] = {};
  std::memcpy(reply, frame.data(), frame.size() < sizeof reply ? frame.size() : sizeof reply);
  return ParseParamReply(reply, length, write, &store.image, &store.fw_version);
}

}  // namespace travex::testing
