// The fixed parts of the parameter frames: ParamRequest (start 0x55) and ParamResponse
// (start 0xAA). Both are: start byte, length (2), two zero bytes, command, item count (2),
// items, CRC (2), every multi-byte field little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace travex {

inline constexpr uint8_t kRequestStart = 0x55;
inline constexpr uint8_t kReplyStart = 0xAA;
inline constexpr uint8_t kCommandRead = 1;
inline constexpr uint8_t kCommandWrite = 2;
// Bytes before the first item, and the CRC behind the last.
inline constexpr size_t kFrameHeaderBytes = 8;
inline constexpr size_t kFrameCrcBytes = 2;
// The longest parameter frame either side sends: every request and answer buffer holds it.
inline constexpr int kFrameBufferSize = 512;

}  // namespace travex
