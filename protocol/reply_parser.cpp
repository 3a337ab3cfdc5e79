// ParamResponse frames: AA, length, 00, (any), command, item count, items, CRC.
#include <string_view>

#include "app/dialog_controls.h"
#include "params/item_map.h"
#include "params/param_store.h"
#include "protocol/crc16.h"
#include "protocol/frame_format.h"

namespace travex {
namespace {

constexpr uint16_t kMinReplyBytes = 9;
constexpr int kProtocolPane = 3;

constexpr std::string_view kInvalidFrame = "无效帧";
constexpr std::string_view kLengthError = "帧长度错误";
constexpr std::string_view kStructureError = "帧结构错误";
constexpr std::string_view kFrameError = "帧错误";
constexpr std::string_view kReadOk = "读取成功";
constexpr std::string_view kWriteOk = "写入成功";

void Show(CParamStore& store, std::string_view text) {
  if (store.owner != nullptr) store.owner->SetPaneText(kProtocolPane, text);
}

// The checks both kinds of answer share: size, length field, start byte, byte 3, command and
// CRC. Shows the text of the first failed check.
bool CheckFrame(CParamStore& store, uint16_t length, uint8_t command) {
  const uint8_t* r = store.reply;
  if (length < kMinReplyBytes) {
    Show(store, kInvalidFrame);
    return false;
  }
  // A length beyond the buffer cannot stand in it (the collector never hands one over).
  if (length > kFrameBufferSize || GetU16(r + 1) != length) {
    Show(store, kLengthError);
    return false;
  }
  if (r[0] != kReplyStart || r[3] != 0 || r[5] != command) {
    Show(store, kStructureError);
    return false;
  }
  if (Crc16(r, length - 2u) != GetU16(r + length - 2)) {
    Show(store, kFrameError);
    return false;
  }
  return true;
}

}  // namespace

bool CParamStore::HandleReply(uint16_t length) {
  return last_request_was_write ? ParseWriteReply(length) : ParseReadReply(length);
}

bool CParamStore::ParseReadReply(uint16_t length) {
  if (!CheckFrame(*this, length, kCommandRead)) return false;

  // The items must lie wholly before the CRC; an answer that does not add up is rejected
  // before anything of it is stored.
  const size_t items_end = length - 2u;
  const unsigned count = GetU16(reply + 6);
  size_t p = kFrameHeaderBytes;
  for (unsigned i = 0; i < count; ++i) {
    if (p + 3 > items_end) {
      Show(*this, kFrameError);
      return false;
    }
    const size_t taken = ItemReplyValueBytes(GetU16(reply + p), reply[p + 2]);
    p += 3 + taken;
    if (p > items_end) {
      Show(*this, kFrameError);
      return false;
    }
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

  Show(*this, kReadOk);
  ShowAllPanels();
  return true;
}

bool CParamStore::ParseWriteReply(uint16_t length) {
  if (!CheckFrame(*this, length, kCommandWrite)) return false;
  Show(*this, kWriteOk);
  return true;
}

}  // namespace travex
