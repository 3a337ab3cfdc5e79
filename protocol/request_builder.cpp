// ParamRequest frames: 55, length, 00 00, command, item count, items, CRC (all little-endian).
#include <cstring>

#include "params/item_map.h"
#include "protocol/crc16.h"
#include "protocol/param_frames.h"

namespace travex {
namespace {

void PutHeader(uint8_t* frame, uint8_t command, uint8_t count) {
  frame[0] = kRequestStart;
  frame[1] = 0;
  frame[2] = 0;
  frame[3] = 0;
  frame[4] = 0;
  frame[5] = command;
  frame[6] = count;
  frame[7] = 0;
}

// Fills in the length field and the CRC behind the n bytes written; returns the frame length.
uint16_t Finish(uint8_t* frame, size_t n) {
  const auto total = static_cast<uint16_t>(n + kFrameCrcBytes);
  PutU16(frame + 1, total);
  PutU16(frame + n, Crc16(frame, n));
  return total;
}

uint16_t BuildRead(ItemRange items, uint8_t* frame) {
  const size_t n = kFrameHeaderBytes + size_t{2} * items.count;
  if (n + kFrameCrcBytes > kFrameBufferSize) return 0;
  PutHeader(frame, kCommandRead, items.count);
  for (unsigned i = 0; i < items.count; ++i) {
    PutU16(frame + kFrameHeaderBytes + 2 * i, static_cast<uint16_t>(items.first_id + i));
  }
  return Finish(frame, n);
}

uint16_t BuildWrite(const ParamImage& image, ItemRange items, uint8_t* frame) {
  PutHeader(frame, kCommandWrite, items.count);
  size_t n = kFrameHeaderBytes;
  for (unsigned i = 0; i < items.count; ++i) {
    const auto id = static_cast<uint16_t>(items.first_id + i);
    uint8_t value[kMaxItemValueBytes];
    const size_t length = EncodeItemValue(image, id, value);
    if (n + 3 + length + kFrameCrcBytes > kFrameBufferSize) return 0;
    PutU16(frame + n, id);
    frame[n + 2] = static_cast<uint8_t>(length);
    if (length != 0) std::memcpy(frame + n + 3, value, length);
    n += 3 + length;
  }
  return Finish(frame, n);
}

}  // namespace

uint16_t BuildParamRequest(const ParamImage& image, ItemRange items, bool write, uint8_t* frame) {
  return write ? BuildWrite(image, items, frame) : BuildRead(items, frame);
}

}  // namespace travex
