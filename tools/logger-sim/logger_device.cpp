#include "logger_device.h"

#include <ctime>
#include <cstring>

#include "params/item_map.h"
#include "protocol/crc16.h"
#include "protocol/link_codec.h"
#include "protocol/frame_format.h"

namespace travex::sim {
namespace {

constexpr uint8_t kOverlongFiller = '#';

// Fills the header and CRC of a reply whose items end at `end`; returns the frame length.
size_t SealReply(uint8_t* out, uint8_t command, uint16_t count, size_t end) {
  const size_t length = end + kFrameCrcBytes;
  out[0] = kReplyStart;
  PutU16(out + 1, static_cast<uint16_t>(length));
  out[3] = 0;
  out[4] = 0;
  out[5] = command;
  PutU16(out + 6, count);
  PutU16(out + end, Crc16(out, end));
  return length;
}

}  // namespace

uint32_t LocalClockSeconds() {
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  return static_cast<uint32_t>(static_cast<int64_t>(now) + local.tm_gmtoff);
}

LoggerDevice::LoggerDevice(uint32_t baud, uint8_t address, uint16_t fw_version,
                           const ParamImage& image)
    : baud_(baud), address_(address), fw_version_(fw_version), image_(image) {
  clock_offset_ = image_.base.device_time - LocalClockSeconds();
}

void LoggerDevice::TickClock() {
  if (!clock_held_) image_.base.device_time = LocalClockSeconds() + clock_offset_;
}

const ParamImage& LoggerDevice::CurrentImage() {
  TickClock();
  return image_;
}

LoggerDevice::Answer LoggerDevice::OnLinkFrame(const uint8_t* frame, uint8_t* out) {
  Answer answer;
  const uint8_t code = frame[3];
  const uint8_t new_address = frame[4];
  uint32_t new_baud = 0;
  if (code != 0) {
    new_baud = BaudOfLinkCode(code);
    if (new_baud == 0) {
      answer.note = "ignored: unknown baud code";
      return answer;
    }
  }
  if (new_address != 0) address_ = new_address;
  const uint8_t reply_code = new_baud != 0 ? code : LinkCodeOfBaud(baud_);
  out[0] = out[1] = out[2] = 0xFD;
  out[3] = reply_code;
  out[4] = address_;
  PutU16(out + 5, Crc16(out, 5));
  answer.size = kLinkFrameSize;
  if (new_baud != 0 && new_baud != baud_) answer.switch_to_baud = new_baud;
  if (code != 0 && new_address != 0) {
    answer.note = "set address and baud rate";
  } else if (code != 0) {
    answer.note = "set baud rate";
  } else if (new_address != 0) {
    answer.note = "set address";
  } else {
    answer.note = "query";
  }
  return answer;
}

LoggerDevice::Answer LoggerDevice::OnParamRequest(const uint8_t* frame, size_t size,
                                                  uint8_t* out) {
  switch (frame[5]) {
    case kCommandRead: return ReadAnswer(frame, size, out);
    case kCommandWrite: return WriteAnswer(frame, size, out);
    default: {
      Answer answer;
      answer.note = "ignored: unknown command";
      return answer;
    }
  }
}

LoggerDevice::Answer LoggerDevice::ReadAnswer(const uint8_t* frame, size_t size, uint8_t* out) {
  Answer answer;
  const uint16_t count = GetU16(frame + 6);
  if (size != kFrameHeaderBytes + 2 * size_t{count} + kFrameCrcBytes) {
    answer.note = "ignored: length does not match the item count";
    return answer;
  }
  TickClock();
  size_t p = kFrameHeaderBytes;
  for (uint16_t i = 0; i < count; ++i) {
    const uint16_t id = GetU16(frame + kFrameHeaderBytes + 2 * size_t{i});
    const ItemInfo info = DescribeItem(id);
    // Largest item: id, L and a doubled text.
    if (p + 3 + 2 * size_t{255} + kFrameCrcBytes > kMaxReplyBytes) {
      answer.note = "ignored: answer too long";
      return answer;
    }
    PutU16(out + p, id);
    uint8_t* value = out + p + 3;
    size_t length = 0;
    if (info.kind == ItemKind::kFwVersion) {
      if (fw_version_ != 0) {
        PutU16(value, fw_version_);
        length = 2;
      }
    } else {
      length = EncodeItemValue(image_, id, value);
      if (info.kind == ItemKind::kText && overlong_text_) {
        const size_t overlong = 2 * size_t{info.width};
        std::memset(value + length, kOverlongFiller, overlong - length);
        length = overlong;
      }
    }
    out[p + 2] = static_cast<uint8_t>(length);
    p += 3 + length;
  }
  answer.size = SealReply(out, kCommandRead, count, p);
  answer.note = "read";
  return answer;
}

LoggerDevice::Answer LoggerDevice::WriteAnswer(const uint8_t* frame, size_t size, uint8_t* out) {
  Answer answer;
  const uint16_t count = GetU16(frame + 6);
  const size_t end = size - kFrameCrcBytes;
  // First check every item, so that a malformed request changes nothing.
  size_t p = kFrameHeaderBytes;
  for (uint16_t i = 0; i < count; ++i) {
    if (p + 3 > end) {
      answer.note = "ignored: items run past the end of the frame";
      return answer;
    }
    const uint16_t id = GetU16(frame + p);
    const size_t length = frame[p + 2];
    if (p + 3 + length > end) {
      answer.note = "ignored: items run past the end of the frame";
      return answer;
    }
    const size_t fixed = ItemFixedBytes(id);
    if (fixed != 0 && length != fixed) {
      answer.note = "ignored: value length does not fit the field";
      return answer;
    }
    if (DescribeItem(id).kind == ItemKind::kText && length > ItemTextCapacity(id)) {
      answer.note = "ignored: text longer than its field";
      return answer;
    }
    p += 3 + length;
  }
  if (p != end) {
    answer.note = "ignored: length does not match the items";
    return answer;
  }
  p = kFrameHeaderBytes;
  bool clock_set = false;
  for (uint16_t i = 0; i < count; ++i) {
    const uint16_t id = GetU16(frame + p);
    const size_t length = frame[p + 2];
    if (ItemNamesField(id)) {
      StoreItemValue(&image_, id, frame + p + 3, length);
      answer.image_changed = true;
      if (id == 8) clock_set = true;
    }
    p += 3 + length;
  }
  if (clock_set) clock_offset_ = image_.base.device_time - LocalClockSeconds();
  answer.size = SealReply(out, kCommandWrite, 0, kFrameHeaderBytes);
  answer.note = "write";
  return answer;
}

}  // namespace travex::sim
