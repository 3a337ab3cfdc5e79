// ParamResponse frames: AA, length, 00, (any), command, item count, items, CRC.
#include "params/item_map.h"
#include "protocol/crc16.h"
#include "protocol/param_frames.h"

namespace travex {
namespace {

constexpr uint16_t kMinReplyBytes = 9;

// The checks both kinds of answer share: size, length field, start byte, byte 3, command and
// CRC. kNone when they pass, else the first failed check.
ReplyFault CheckFrame(const uint8_t* r, uint16_t length, uint8_t command) {
  if (length < kMinReplyBytes) return ReplyFault::kTooShort;
  // A length beyond the buffer cannot stand in it (the collection never hands one over).
  if (length > kFrameBufferSize || GetU16(r + 1) != length) return ReplyFault::kLength;
  if (r[0] != kReplyStart || r[3] != 0 || r[5] != command) return ReplyFault::kStructure;
  if (Crc16(r, length - 2u) != GetU16(r + length - 2)) return ReplyFault::kCrc;
  return ReplyFault::kNone;
}

// The items must lie wholly before the CRC; an answer that does not add up is rejected before
// anything of it is stored.
bool ItemsFit(const uint8_t* r, uint16_t length) {
  const size_t items_end = length - kFrameCrcBytes;
  const unsigned count = GetU16(r + 6);
  size_t p = kFrameHeaderBytes;
  for (unsigned i = 0; i < count; ++i) {
    if (p + 3 > items_end) return false;
    p += 3 + ItemReplyValueBytes(GetU16(r + p), r[p + 2]);
    if (p > items_end) return false;
  }
  return true;
}

void StoreItems(const uint8_t* r, ParamImage* image, uint16_t* fw_version) {
  const unsigned count = GetU16(r + 6);
  size_t p = kFrameHeaderBytes;
  for (unsigned i = 0; i < count; ++i) {
    const uint16_t id = GetU16(r + p);
    const uint8_t value_length = r[p + 2];
    p += 3;
    const size_t taken = ItemReplyValueBytes(id, value_length);
    if (id == kFwVersionItem) {
      *fw_version = taken != 0 ? GetU16(r + p) : 0;
    } else {
      StoreItemValue(image, id, r + p, taken);
    }
    p += taken;
  }
}

}  // namespace

ReplyOutcome ParseParamReply(const uint8_t* reply, uint16_t length, bool write, ParamImage* image,
                             uint16_t* fw_version) {
  const ReplyFault failed = CheckFrame(reply, length, write ? kCommandWrite : kCommandRead);
  if (failed != ReplyFault::kNone) return {false, failed};
  if (write) return {true, ReplyFault::kNone};
  if (!ItemsFit(reply, length)) return {false, ReplyFault::kItems};
  StoreItems(reply, image, fw_version);
  return {true, ReplyFault::kNone};
}

}  // namespace travex
