// CParamStore owns the parameter image, the request and reply frame buffers and the firmware
// version. Its operations live beside the layer that uses them:
//   requests (protocol/request_builder.cpp), replies (protocol/reply_parser.cpp).
// The dialog's panels (app/param_panels.*) and the parameter file (paramfile/) work on it
// from outside; nothing here knows of a dialog.
#pragma once

#include <cstdint>
#include <string_view>

#include "params/calendar.h"
#include "params/param_image.h"

namespace travex {

inline constexpr int kFrameBufferSize = 512;

// Why the parser rejected an answer. The operator's text folds a CRC mismatch and items that
// do not fit the frame into one "帧错误"; the cause tells them apart.
enum class ReplyFault : uint8_t { kNone, kTooShort, kLength, kStructure, kCrc, kItems };

// What the parser made of a complete answer: accepted or not, and the text for the operator
// ("读取成功", "写入成功", "无效帧", "帧长度错误", "帧结构错误", "帧错误").
struct ReplyOutcome {
  bool accepted = false;
  std::string_view text;
  ReplyFault fault = ReplyFault::kNone;
};

class CParamStore {
 public:
  CParamStore();
  virtual ~CParamStore() = default;
  CParamStore(const CParamStore&) = delete;
  CParamStore& operator=(const CParamStore&) = delete;

  // --- request frames (result: frame length in `request`) ---
  uint16_t BuildReadRequest(uint16_t first_id, uint8_t count);
  uint16_t BuildWriteRequest(uint16_t first_id, uint8_t count);
  uint16_t ReadBaseRequest();
  uint16_t WriteBaseRequest();
  uint16_t ReadArg1Request();
  uint16_t WriteArg1Request();
  uint16_t ReadArg2Request();
  uint16_t WriteArg2Request();

  // --- replies (the frame of `length` bytes in `reply`) ---
  // A read answer that is accepted has been stored into the image (and fw_version).
  ReplyOutcome HandleReply(uint16_t length);
  ReplyOutcome ParseReadReply(uint16_t length);
  ReplyOutcome ParseWriteReply(uint16_t length);

  uint8_t request[kFrameBufferSize] = {};
  uint8_t reply[kFrameBufferSize] = {};
  uint16_t fw_version = 0;
  // The channels ReadArg1Request .. WriteArg2Request address; their caller sets them.
  uint8_t arg1_channel = 0;
  uint8_t arg2_channel = 0;
  ParamImage image = {};
  bool last_request_was_write = false;
  // Read answers stored into the image so far: whoever shows the image can tell whether an
  // answer came in since it last looked.
  uint32_t answers_stored = 0;
};

}  // namespace travex
