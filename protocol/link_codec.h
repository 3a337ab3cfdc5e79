// LinkFrames: the 7-byte frames of the baud-rate search and the address and baud query/set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/value_lists.h"

namespace travex {

inline constexpr size_t kLinkFrameSize = 7;

// A frame's baud code is the link code of params/value_lists.h (BaudOfLinkCode).

class CLinkCodec {
 public:
  virtual ~CLinkCodec() = default;

  size_t BuildQuery(uint8_t* out) const;
  size_t BuildSetAddress(uint8_t* out, uint8_t address) const;
  size_t BuildSetBaud(uint8_t* out, uint8_t code) const;
  // True for exactly one well-formed 7-byte reply; then dev_baud and dev_addr are updated.
  bool CheckReply(const uint8_t* buffer, size_t length);

  uint32_t GetBaud() const { return dev_baud; }
  uint8_t GetAddress() const { return dev_addr; }

  uint32_t dev_baud = 0;
  uint8_t dev_addr = 0;
};

}  // namespace travex
