// The parameter image: every setting of the logger, in the persistent byte layout that the
// parameter file stores byte for byte. The records below are laid out exactly as the bytes
// (checked at compile time); conversion to and from bytes is explicit and little-endian on
// every host.
#pragma once

#include <cstddef>
#include <cstdint>

namespace travex {

inline constexpr int kChannelCount = 32;
inline constexpr int kGearCount = 9;

struct BaseInfoBlock {
  uint32_t comm_baud;             // item 4
  uint8_t parity;                 // item 5
  uint8_t reserved;               // no item; kept as it stands
  uint16_t rs485_poll_interval;   // item 1
  uint16_t rs485_timeout;         // item 2
  uint16_t rs485_retries;         // item 3
  uint16_t store_interval;        // item 6
  uint16_t lcd_on_time;           // item 7
  uint32_t device_time;           // item 8
};

struct GearEntry {
  float value;
  char text[12];
};

struct Arg1Block {
  float alarm_value;
  char alarm_text[9];
  char normal_text[11];
  GearEntry gears[kGearCount];
};

struct Arg2Block {
  uint8_t slave_addr;
  uint8_t enabled;
  uint8_t func_code;
  uint8_t decimals;
  uint16_t reg_start;
  uint8_t reg_count;
  uint8_t data_type;
  char name[21];
  char unit[7];
};

struct CoefBlock {
  float coef_a;
  float coef_b;
};

struct ParamImage {
  BaseInfoBlock base;
  Arg1Block arg1[kChannelCount];
  Arg2Block arg2[kChannelCount];
  CoefBlock coef[kChannelCount];
};

static_assert(sizeof(float) == 4, "IEEE 754 single precision expected");
static_assert(sizeof(BaseInfoBlock) == 20);
static_assert(offsetof(BaseInfoBlock, parity) == 4);
static_assert(offsetof(BaseInfoBlock, reserved) == 5);
static_assert(offsetof(BaseInfoBlock, rs485_poll_interval) == 6);
static_assert(offsetof(BaseInfoBlock, rs485_timeout) == 8);
static_assert(offsetof(BaseInfoBlock, rs485_retries) == 10);
static_assert(offsetof(BaseInfoBlock, store_interval) == 12);
static_assert(offsetof(BaseInfoBlock, lcd_on_time) == 14);
static_assert(offsetof(BaseInfoBlock, device_time) == 16);
static_assert(sizeof(GearEntry) == 16);
static_assert(sizeof(Arg1Block) == 168);
static_assert(offsetof(Arg1Block, alarm_text) == 4);
static_assert(offsetof(Arg1Block, normal_text) == 13);
static_assert(offsetof(Arg1Block, gears) == 24);
static_assert(sizeof(Arg2Block) == 36);
static_assert(offsetof(Arg2Block, reg_start) == 4);
static_assert(offsetof(Arg2Block, reg_count) == 6);
static_assert(offsetof(Arg2Block, data_type) == 7);
static_assert(offsetof(Arg2Block, name) == 8);
static_assert(offsetof(Arg2Block, unit) == 29);
static_assert(sizeof(CoefBlock) == 8);
static_assert(sizeof(ParamImage) == 6804);
static_assert(offsetof(ParamImage, arg1) == 20);
static_assert(offsetof(ParamImage, arg2) == 5396);
static_assert(offsetof(ParamImage, coef) == 6548);

// Byte sizes of the four block arrays as the parameter file and the wire know them.
inline constexpr size_t kBaseInfoBytes = 20;
inline constexpr size_t kArg1Bytes = 168 * kChannelCount;  // 5376
inline constexpr size_t kArg2Bytes = 36 * kChannelCount;   // 1152
inline constexpr size_t kCoefBytes = 8 * kChannelCount;    // 256
inline constexpr size_t kImageBytes = 6804;

// Explicit little-endian conversion of each block array to and from its bytes.
void EncodeBaseInfo(const BaseInfoBlock& block, uint8_t out[kBaseInfoBytes]);
void DecodeBaseInfo(const uint8_t in[kBaseInfoBytes], BaseInfoBlock* block);
void EncodeArg1Array(const Arg1Block (&blocks)[kChannelCount], uint8_t out[kArg1Bytes]);
void DecodeArg1Array(const uint8_t in[kArg1Bytes], Arg1Block (&blocks)[kChannelCount]);
void EncodeArg2Array(const Arg2Block (&blocks)[kChannelCount], uint8_t out[kArg2Bytes]);
void DecodeArg2Array(const uint8_t in[kArg2Bytes], Arg2Block (&blocks)[kChannelCount]);
void EncodeCoefArray(const CoefBlock (&blocks)[kChannelCount], uint8_t out[kCoefBytes]);
void DecodeCoefArray(const uint8_t in[kCoefBytes], CoefBlock (&blocks)[kChannelCount]);
// The whole image, blocks in image order.
void EncodeImage(const ParamImage& image, uint8_t out[kImageBytes]);
void DecodeImage(const uint8_t in[kImageBytes], ParamImage* image);

// Little-endian helpers shared by the image, the frames and the file.
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void PutF32(uint8_t* p, float v);
float GetF32(const uint8_t* p);

// A number as it stands in a record (host byte order; a float as its bits), `width` 1, 2 or 4
// bytes, to its little-endian bytes, and back.
void NumberToLittleEndian(const void* field, size_t width, uint8_t* out);
void NumberFromLittleEndian(const uint8_t* in, size_t width, void* field);

}  // namespace travex
