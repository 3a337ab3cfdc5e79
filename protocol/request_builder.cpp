// ParamRequest frames: 55, length, 00 00, command, item count, items, CRC (all little-endian).
#include <cstring>

#include "params/item_map.h"
#include "params/param_store.h"
#include "protocol/crc16.h"
#include "protocol/frame_format.h"

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

}  // namespace

// A request is put together in a local buffer and copied into `request` only when it fits, so
// a request too large for the buffer (never one of the shapes the tool sends) leaves the
// previous frame and last_request_was_write as they were and gives 0.
uint16_t CParamStore::BuildReadRequest(uint16_t first_id, uint8_t count) {
  uint8_t frame[kFrameBufferSize];
  const size_t n = kFrameHeaderBytes + size_t{2} * count;
  if (n + kFrameCrcBytes > sizeof frame) return 0;
  PutHeader(frame, kCommandRead, count);
  for (unsigned i = 0; i < count; ++i) {
    PutU16(frame + kFrameHeaderBytes + 2 * i, static_cast<uint16_t>(first_id + i));
  }
  const uint16_t total = Finish(frame, n);
  std::memcpy(request, frame, total);
  last_request_was_write = false;
  return total;
}

uint16_t CParamStore::BuildWriteRequest(uint16_t first_id, uint8_t count) {
  uint8_t frame[kFrameBufferSize];
  PutHeader(frame, kCommandWrite, count);
  size_t n = kFrameHeaderBytes;
  for (unsigned i = 0; i < count; ++i) {
    const auto id = static_cast<uint16_t>(first_id + i);
    uint8_t value[kMaxItemValueBytes];
    const size_t length = EncodeItemValue(image, id, value);
    if (n + 3 + length + kFrameCrcBytes > sizeof frame) return 0;
    PutU16(frame + n, id);
    frame[n + 2] = static_cast<uint8_t>(length);
    if (length != 0) std::memcpy(frame + n + 3, value, length);
    n += 3 + length;
  }
  const uint16_t total = Finish(frame, n);
  std::memcpy(request, frame, total);
  last_request_was_write = true;
  return total;
}

uint16_t CParamStore::ReadBaseRequest() { return BuildReadRequest(1, 9); }

uint16_t CParamStore::WriteBaseRequest() { return BuildWriteRequest(1, 8); }

uint16_t CParamStore::ReadArg1Request() {
  return BuildReadRequest(static_cast<uint16_t>(kArg1FirstItem + kArg1ItemsPerChannel * arg1_channel),
                          kArg1ItemsPerChannel);
}

uint16_t CParamStore::WriteArg1Request() {
  return BuildWriteRequest(static_cast<uint16_t>(kArg1FirstItem + kArg1ItemsPerChannel * arg1_channel),
                           kArg1ItemsPerChannel);
}

uint16_t CParamStore::ReadArg2Request() {
  return BuildReadRequest(static_cast<uint16_t>(kArg2FirstItem + kArg2ItemsPerChannel * arg2_channel),
                          kArg2ItemsPerChannel);
}

uint16_t CParamStore::WriteArg2Request() {
  return BuildWriteRequest(static_cast<uint16_t>(kArg2FirstItem + kArg2ItemsPerChannel * arg2_channel),
                           kArg2ItemsPerChannel);
}

}  // namespace travex
