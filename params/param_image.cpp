#include "params/param_image.h"

#include <cstring>

namespace travex {

void PutF32(uint8_t* p, float v) {
  uint32_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  PutU32(p, bits);
}

void NumberToLittleEndian(const void* field, size_t width, uint8_t* out) {
  if (width == 2) {
    uint16_t v = 0;
    std::memcpy(&v, field, sizeof v);
    PutU16(out, v);
  } else if (width == 4) {
    uint32_t v = 0;
    std::memcpy(&v, field, sizeof v);
    PutU32(out, v);
  } else {
    std::memcpy(out, field, width);
  }
}

void NumberFromLittleEndian(const uint8_t* in, size_t width, void* field) {
  if (width == 2) {
    const uint16_t v = GetU16(in);
    std::memcpy(field, &v, sizeof v);
  } else if (width == 4) {
    const uint32_t v = GetU32(in);
    std::memcpy(field, &v, sizeof v);
  } else {
    std::memcpy(field, in, width);
  }
}

float GetF32(const uint8_t* p) {
  const uint32_t bits = GetU32(p);
  float v = 0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

namespace {

constexpr size_t kArg1Size = 168;
constexpr size_t kArg2Size = 36;
constexpr size_t kCoefSize = 8;

void EncodeArg1(const Arg1Block& b, uint8_t* out) {
  PutF32(out + 0, b.alarm_value);
  std::memcpy(out + 4, b.alarm_text, sizeof b.alarm_text);
  std::memcpy(out + 13, b.normal_text, sizeof b.normal_text);
  for (int k = 0; k < kGearCount; ++k) {
    uint8_t* g = out + 24 + 16 * k;
    PutF32(g, b.gears[k].value);
    std::memcpy(g + 4, b.gears[k].text, sizeof b.gears[k].text);
  }
}

void DecodeArg1(const uint8_t* in, Arg1Block* b) {
  b->alarm_value = GetF32(in + 0);
  std::memcpy(b->alarm_text, in + 4, sizeof b->alarm_text);
  std::memcpy(b->normal_text, in + 13, sizeof b->normal_text);
  for (int k = 0; k < kGearCount; ++k) {
    const uint8_t* g = in + 24 + 16 * k;
    b->gears[k].value = GetF32(g);
    std::memcpy(b->gears[k].text, g + 4, sizeof b->gears[k].text);
  }
}

void EncodeArg2(const Arg2Block& b, uint8_t* out) {
  out[0] = b.slave_addr;
  out[1] = b.enabled;
  out[2] = b.func_code;
  out[3] = b.decimals;
  PutU16(out + 4, b.reg_start);
  out[6] = b.reg_count;
  out[7] = b.data_type;
  std::memcpy(out + 8, b.name, sizeof b.name);
  std::memcpy(out + 29, b.unit, sizeof b.unit);
}

void DecodeArg2(const uint8_t* in, Arg2Block* b) {
  b->slave_addr = in[0];
  b->enabled = in[1];
  b->func_code = in[2];
  b->decimals = in[3];
  b->reg_start = GetU16(in + 4);
  b->reg_count = in[6];
  b->data_type = in[7];
  std::memcpy(b->name, in + 8, sizeof b->name);
  std::memcpy(b->unit, in + 29, sizeof b->unit);
}

}  // namespace

void EncodeBaseInfo(const BaseInfoBlock& block, uint8_t out[kBaseInfoBytes]) {
  PutU32(out + 0, block.comm_baud);
  out[4] = block.parity;
  out[5] = block.reserved;
  PutU16(out + 6, block.rs485_poll_interval);
  PutU16(out + 8, block.rs485_timeout);
  PutU16(out + 10, block.rs485_retries);
  PutU16(out + 12, block.store_interval);
  PutU16(out + 14, block.lcd_on_time);
  PutU32(out + 16, block.device_time);
}

void DecodeBaseInfo(const uint8_t in[kBaseInfoBytes], BaseInfoBlock* block) {
  block->comm_baud = GetU32(in + 0);
  block->parity = in[4];
  block->reserved = in[5];
  block->rs485_poll_interval = GetU16(in + 6);
  block->rs485_timeout = GetU16(in + 8);
  block->rs485_retries = GetU16(in + 10);
  block->store_interval = GetU16(in + 12);
  block->lcd_on_time = GetU16(in + 14);
  block->device_time = GetU32(in + 16);
}

void EncodeArg1Array(const Arg1Block (&blocks)[kChannelCount], uint8_t out[kArg1Bytes]) {
  for (int c = 0; c < kChannelCount; ++c) EncodeArg1(blocks[c], out + kArg1Size * c);
}

void DecodeArg1Array(const uint8_t in[kArg1Bytes], Arg1Block (&blocks)[kChannelCount]) {
  for (int c = 0; c < kChannelCount; ++c) DecodeArg1(in + kArg1Size * c, &blocks[c]);
}

void EncodeArg2Array(const Arg2Block (&blocks)[kChannelCount], uint8_t out[kArg2Bytes]) {
  for (int c = 0; c < kChannelCount; ++c) EncodeArg2(blocks[c], out + kArg2Size * c);
}

void DecodeArg2Array(const uint8_t in[kArg2Bytes], Arg2Block (&blocks)[kChannelCount]) {
  for (int c = 0; c < kChannelCount; ++c) DecodeArg2(in + kArg2Size * c, &blocks[c]);
}

void EncodeCoefArray(const CoefBlock (&blocks)[kChannelCount], uint8_t out[kCoefBytes]) {
  for (int c = 0; c < kChannelCount; ++c) {
    PutF32(out + kCoefSize * c, blocks[c].coef_a);
    PutF32(out + kCoefSize * c + 4, blocks[c].coef_b);
  }
}

void DecodeCoefArray(const uint8_t in[kCoefBytes], CoefBlock (&blocks)[kChannelCount]) {
  for (int c = 0; c < kChannelCount; ++c) {
    blocks[c].coef_a = GetF32(in + kCoefSize * c);
    blocks[c].coef_b = GetF32(in + kCoefSize * c + 4);
  }
}

void EncodeImage(const ParamImage& image, uint8_t out[kImageBytes]) {
  EncodeBaseInfo(image.base, out);
  EncodeArg1Array(image.arg1, out + kBaseInfoBytes);
  EncodeArg2Array(image.arg2, out + kBaseInfoBytes + kArg1Bytes);
  EncodeCoefArray(image.coef, out + kBaseInfoBytes + kArg1Bytes + kArg2Bytes);
}

void DecodeImage(const uint8_t in[kImageBytes], ParamImage* image) {
  DecodeBaseInfo(in, &image->base);
  DecodeArg1Array(in + kBaseInfoBytes, image->arg1);
  DecodeArg2Array(in + kBaseInfoBytes + kArg1Bytes, image->arg2);
  DecodeCoefArray(in + kBaseInfoBytes + kArg1Bytes + kArg2Bytes, image->coef);
}

}  // namespace travex
