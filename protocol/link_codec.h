// LinkFrames: the 7-byte frames of the baud-rate search and the address and baud query/set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace travex {

inline constexpr size_t kLinkFrameSize = 7;

// The rate of baud code k at index k - 1: the order of the baud-rate search and of the
// dialog's rate list.
inline constexpr uint32_t kLinkBaudRates[9] = {2400,  4800,  9600,  14400, 19200,
                                               38400, 56000, 57600, 115200};

// Baud rate of baud code 1 to 9, 0 for any other code.
uint32_t BaudOfCode(uint8_t code);
// Baud code 1 to 9 of a baud rate, 0 when the rate has no code.
uint8_t CodeOfBaud(uint32_t baud);

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
