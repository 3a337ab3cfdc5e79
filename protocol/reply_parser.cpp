// ParamResponse frames: AA, length, 00, (any), command, item count, items, CRC.
#include <string_view>

#include "params/item_map.h"
#include "params/param_store.h"
#include "protocol/crc16.h"
#include "protocol/frame_format.h"

namespace travex {
namespace {

constexpr uint16_t kMinReplyBytes = 9;

constexpr std::string_view kInvalidFrame = "无效帧";
constexpr std::string_view kLengthError = "帧长度错误";
constexpr std::string_view kStructureError = "帧结构错误";
constexpr std::string_view kFrameError = "帧错误";
constexpr std::string_view kReadOk = "读取成功";
constexpr std::string_view kWriteOk = "写入成功";

ReplyOutcome Rejected(ReplyFault fault) {
  switch (fault) {
    case ReplyFault::kTooShort: return ReplyOutcome{false, kInvalidFrame, fault};
    case ReplyFault::kLength: return ReplyOutcome{false, kLengthError, fault};
    case ReplyFault::kStructure: return ReplyOutcome{false, kStructureError, fault};
    default: return ReplyOutcome{false, kFrameError, fault};
  }
}

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

}  // namespace

ReplyOutcome CParamStore::HandleReply(uint16_t length) {
  return last_request_was_write ? ParseWriteReply(length) : ParseReadReply(length);
}

ReplyOutcome CParamStore::ParseReadReply(uint16_t length) {
  if (const ReplyFault failed = CheckFrame(reply, length, kCommandRead);
      failed != ReplyFault::kNone) {
    return Rejected(failed);
  }

  // The items must lie wholly before the CRC; an answer that does not add up is rejected
  // before anything of it is stored.
  const size_t items_end = length - 2u;
  const unsigned count = GetU16(reply + 6);
  size_t p = kFrameHeaderBytes;
  for (unsigned i = 0; i < count; ++i) {
    if (p + 3 > items_end) return Rejected(ReplyFault::kItems);
    const size_t taken = ItemReplyValueBytes(GetU16(reply + p), reply[p + 2]);
    p += 3 + taken;
    if (p > items_end) return Rejected(ReplyFault::kItems);
  }

  p = kFrameHeaderBytes;
  for (unsigned i = 0; i < count; ++i) {
    const uint16_t id = GetU16(reply + p);
    const uint8_t value_length = reply[p + 2];
    p += 3;
    const size_t taken = ItemReplyValueBytes(id, value_length);
    if (id == kFwVersionItem) {
      fw_version = taken != 0 ? GetU16(reply + p) : 0;
    } else {
      StoreItemValue(&image, id, reply + p, taken);
    }
    p += taken;
  }

  ++answers_stored;
  return ReplyOutcome{true, kReadOk, ReplyFault::kNone};
}

ReplyOutcome CParamStore::ParseWriteReply(uint16_t length) {
  if (const ReplyFault failed = CheckFrame(reply, length, kCommandWrite);
      failed != ReplyFault::kNone) {
    return Rejected(failed);
  }
  return ReplyOutcome{true, kWriteOk, ReplyFault::kNone};
}

}  // namespace travex
