// Byte strings for protocol tests: frames written as hex text, CRCs fixed up.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "params/param_store.h"
#include "protocol/crc16.h"

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

inline void PutReply(CParamStore& store, const Bytes& frame) {
  std::memcpy(store.reply, frame.data(), frame.size() < sizeof store.reply ? frame.size() : sizeof store.reply);
}

inline Bytes RequestBytes(const CParamStore& store, uint16_t length) {
  return Bytes(store.request, store.request + length);
}

}  // namespace travex::testing
