// The parameter frames of the tool's side: requests built from an image for the items of a
// block (params/block_table.h), and the logger's answers parsed back into one. Outcomes are
// codes; each front end words them itself.
#pragma once

#include <cstdint>

#include "params/block_table.h"
#include "params/param_image.h"
#include "protocol/frame_format.h"

namespace travex {

// Why the parser rejected an answer: too short, a length field that disagrees, a wrong start
// byte, byte 3 or command, a CRC mismatch, or items that do not fit the frame.
enum class ReplyFault : uint8_t { kNone, kTooShort, kLength, kStructure, kCrc, kItems };

// What the parser made of a complete answer.
struct ReplyOutcome {
  bool accepted = false;
  ReplyFault fault = ReplyFault::kNone;
};

// A read (items only) or write (items with their values from `image`) request for `items`,
// into `frame` of kFrameBufferSize bytes. Returns the frame's length, or 0 (and writes nothing
// beyond the buffer) for a request too large for it, which is never one of a block's.
uint16_t BuildParamRequest(const ParamImage& image, ItemRange items, bool write, uint8_t* frame);

// Parses the answer of `length` bytes in `reply` (a buffer of kFrameBufferSize bytes) to a read
// or a write request. An accepted read answer is stored into *image, and its firmware version
// item into *fw_version; a rejected answer, or one to a write, changes neither.
ReplyOutcome ParseParamReply(const uint8_t* reply, uint16_t length, bool write, ParamImage* image,
                             uint16_t* fw_version);

}  // namespace travex
