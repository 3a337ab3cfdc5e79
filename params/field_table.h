// The field table: every field of the parameter image by its data-model name ("comm_baud",
// "arg1[3].gears[2].text", "coef[31].coef_b"), with its kind, place and width in the image and
// its panel label. Front ends that list, compare or convert whole images (show, diff, JSON) go
// through this one table instead of naming the fields themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_image.h"

namespace travex {

enum class FieldKind : uint8_t { kU8, kU16, kU32, kF32, kText };

// The record a field lives in: the BaseInfoBlock, or one channel's Arg1Block, Arg2Block or
// CoefBlock.
enum class FieldBlock : uint8_t { kBase, kArg1, kArg2, kCoef };

inline constexpr int kNoChannel = -1;
inline constexpr int kNoGear = -1;

struct FieldInfo {
  std::string name;         // "comm_baud", "arg2[4].slave_addr", "arg1[3].gears[2].text"
  std::string_view member;  // the name inside its record: "comm_baud", "slave_addr", "text"
  FieldBlock block = FieldBlock::kBase;
  FieldKind kind = FieldKind::kU8;
  uint16_t offset = 0;       // in the image bytes (EncodeImage order), also in ParamImage
  uint8_t width = 0;         // bytes; a text's width includes the room for its NUL
  int channel = kNoChannel;  // 0..31 for the channel blocks
  int gear = kNoGear;        // 0..8 for the fields of gears[k]
  std::string_view label;    // panel label ("设备通信波特率"); empty for `reserved`
};

// 9 base fields, and per channel 21 of set 1, 9 of set 2 and 2 coefficients.
inline constexpr size_t kFieldCount = 9 + kChannelCount * (21 + 9 + 2);

// Every field of the image: the base fields in image order, then channel by channel the fields
// of arg1[c], arg2[c] and coef[c], each record in its own order.
std::vector<FieldInfo> ImageFields();
std::optional<FieldInfo> FindField(std::string_view name);

// The label as the panels put it in context: "通道4 遥调档位3 内容" for arg1[3].gears[2].text.
std::string FieldCaption(const FieldInfo& field);

// Largest value of an integer field (255, 65535, 4294967295); 0 for floats and texts.
uint32_t FieldMaxValue(const FieldInfo& field);
// Text bytes a text field holds besides its NUL (width - 1); 0 for other kinds.
size_t FieldTextCapacity(const FieldInfo& field);

// Typed access. Integers are stored cut to the field's width.
uint32_t GetFieldUnsigned(const ParamImage& image, const FieldInfo& field);
void SetFieldUnsigned(ParamImage* image, const FieldInfo& field, uint32_t value);
float GetFieldFloat(const ParamImage& image, const FieldInfo& field);
void SetFieldFloat(ParamImage* image, const FieldInfo& field, float value);
// The text the logger gets: GBK bytes up to the NUL, at most the capacity.
std::string GetFieldText(const ParamImage& image, const FieldInfo& field);
// Stores GBK bytes followed by zero bytes up to the field's end; false (and nothing stored)
// when they exceed the capacity.
bool SetFieldText(ParamImage* image, const FieldInfo& field, std::string_view gbk);
// True when a text field holds bytes a text does not show: no NUL within the capacity, or
// nonzero bytes behind the NUL.
bool FieldHasHiddenBytes(const ParamImage& image, const FieldInfo& field);

// The field's `width` bytes as the image bytes and the parameter file hold them (numbers
// little-endian, floats as their IEEE bits).
void GetFieldBytes(const ParamImage& image, const FieldInfo& field, uint8_t* out);
void SetFieldBytes(ParamImage* image, const FieldInfo& field, const uint8_t* in);
// True when the field holds the same bytes in both images.
bool SameFieldBytes(const ParamImage& a, const ParamImage& b, const FieldInfo& field);

// The logger's clock as "YYYY-MM-DD HH:MM:SS", and back. Parsing takes exactly that shape and
// only dates that exist in the logger's calendar within the 32-bit count (1970-01-01 00:00:00
// to 2106-02-06 06:28:15).
std::string FormatDeviceTime(uint32_t seconds);
bool ParseDeviceTime(std::string_view text, uint32_t* seconds);

// A float in its shortest form that reads back as the same float ("0.1", "-0", "1e+20");
// "nan (0x7FC00000)" with its bits for a NaN, "inf" and "-inf".
std::string FormatFloat(float value);

// The value for a person: numbers in decimal, code fields with the selector entry they stand
// for ("2 (偶校验)", "4 (04功能码)", "11 (浮点型小端)"; a code outside the list gets
// "(not in the list)"), `device_time` as a date, floats by FormatFloat, and texts as UTF-8 in
// double quotes, with \" and \\ and \xNN for control bytes and bytes that are not GBK.
std::string FormatFieldValue(const ParamImage& image, const FieldInfo& field);

}  // namespace travex
