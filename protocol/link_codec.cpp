#include "protocol/link_codec.h"

#include "protocol/crc16.h"

namespace travex {
namespace {

constexpr uint8_t kLinkStart = 0xFD;

size_t BuildFrame(uint8_t* out, uint8_t code, uint8_t address) {
  out[0] = kLinkStart;
  out[1] = kLinkStart;
  out[2] = kLinkStart;
  out[3] = code;
  out[4] = address;
  const uint16_t crc = Crc16(out, 5);
  out[5] = static_cast<uint8_t>(crc);
  out[6] = static_cast<uint8_t>(crc >> 8);
  return kLinkFrameSize;
}

}  // namespace

size_t CLinkCodec::BuildQuery(uint8_t* out) const {
  static constexpr uint8_t kQuery[kLinkFrameSize] = {0xFD, 0xFD, 0xFD, 0x00, 0x00, 0xE9, 0x88};
  for (size_t i = 0; i < kLinkFrameSize; ++i) out[i] = kQuery[i];
  return kLinkFrameSize;
}

size_t CLinkCodec::BuildSetAddress(uint8_t* out, uint8_t address) const {
  return BuildFrame(out, 0, address);
}

size_t CLinkCodec::BuildSetBaud(uint8_t* out, uint8_t code) const { return BuildFrame(out, code, 0); }

// Only a buffer of exactly one frame is taken: anything shorter cannot hold the fields, and
// anything before or behind a reply means it did not arrive alone.
bool CLinkCodec::CheckReply(const uint8_t* buffer, size_t length) {
  if (buffer == nullptr || length != kLinkFrameSize) return false;
  const uint16_t crc = static_cast<uint16_t>(buffer[length - 2] | (buffer[length - 1] << 8));
  if (Crc16(buffer, length - 2) != crc) return false;
  if (buffer[0] != kLinkStart || buffer[1] != kLinkStart || buffer[2] != kLinkStart) return false;
  const uint32_t baud = BaudOfLinkCode(buffer[3]);
  if (baud == 0) return false;
  dev_baud = baud;
  dev_addr = buffer[4];
  return true;
}

}  // namespace travex
