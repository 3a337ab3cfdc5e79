#include "params/field_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "params/calendar.h"
#include "params/gbk.h"
#include "params/value_lists.h"

namespace travex {
namespace {

// One field of a record; the table repeats the channel records' members for every channel.
struct RecordMember {
  std::string_view member;
  FieldKind kind;
  uint16_t offset;  // inside the record
  uint8_t width;
  std::string_view label;
};

#define TRAVEX_MEMBER(Record, m, kind, label) \
  RecordMember { #m, FieldKind::kind, offsetof(Record, m), sizeof(Record::m), label }

constexpr RecordMember kBaseMembers[] = {
    TRAVEX_MEMBER(BaseInfoBlock, comm_baud, kU32, "设备通信波特率"),
    TRAVEX_MEMBER(BaseInfoBlock, parity, kU8, "校验方式"),
    TRAVEX_MEMBER(BaseInfoBlock, reserved, kU8, ""),
    TRAVEX_MEMBER(BaseInfoBlock, rs485_poll_interval, kU16, "485轮询间隔"),
    TRAVEX_MEMBER(BaseInfoBlock, rs485_timeout, kU16, "485超时时间"),
    TRAVEX_MEMBER(BaseInfoBlock, rs485_retries, kU16, "485容错次数"),
    TRAVEX_MEMBER(BaseInfoBlock, store_interval, kU16, "存储间隔"),
    TRAVEX_MEMBER(BaseInfoBlock, lcd_on_time, kU16, "液晶常亮时间"),
    TRAVEX_MEMBER(BaseInfoBlock, device_time, kU32, "当前时间:"),
};

constexpr RecordMember kArg1Members[] = {
    TRAVEX_MEMBER(Arg1Block, alarm_value, kF32, "开关量报警数值"),
    TRAVEX_MEMBER(Arg1Block, alarm_text, kText, "开关量报警显示内容"),
    TRAVEX_MEMBER(Arg1Block, normal_text, kText, "开关量正常显示内容"),
};

constexpr RecordMember kGearMembers[] = {
    TRAVEX_MEMBER(GearEntry, value, kF32, "数值"),
    TRAVEX_MEMBER(GearEntry, text, kText, "内容"),
};

constexpr RecordMember kArg2Members[] = {
    TRAVEX_MEMBER(Arg2Block, slave_addr, kU8, "MODBUS从站地址"),
    TRAVEX_MEMBER(Arg2Block, enabled, kU8, "启用"),
    TRAVEX_MEMBER(Arg2Block, func_code, kU8, "MODBUS功能码"),
    TRAVEX_MEMBER(Arg2Block, decimals, kU8, "小数点位数"),
    TRAVEX_MEMBER(Arg2Block, reg_start, kU16, "寄存器起始地址"),
    TRAVEX_MEMBER(Arg2Block, reg_count, kU8, "寄存器个数"),
    TRAVEX_MEMBER(Arg2Block, data_type, kU8, "数据类型"),
    TRAVEX_MEMBER(Arg2Block, name, kText, "通道名称"),
    TRAVEX_MEMBER(Arg2Block, unit, kText, "通道单位"),
};

constexpr RecordMember kCoefMembers[] = {
    TRAVEX_MEMBER(CoefBlock, coef_a, kF32, "系数A"),
    TRAVEX_MEMBER(CoefBlock, coef_b, kF32, "系数B"),
};

#undef TRAVEX_MEMBER

static_assert(std::size(kBaseMembers) +
                  kChannelCount * (std::size(kArg1Members) + kGearCount * std::size(kGearMembers) +
                                   std::size(kArg2Members) + std::size(kCoefMembers)) ==
              kFieldCount);

// The code fields and the value lists their codes come from.
struct CodeField {
  std::string_view member;
  ValueList list;
};
constexpr CodeField kCodeFields[] = {{"comm_baud", kBaudRateList},
                                     {"parity", kParityList},
                                     {"func_code", kFuncCodeList},
                                     {"decimals", kDecimalsList},
                                     {"data_type", kDataTypeList}};
constexpr std::string_view kNotInList = " (not in the list)";

FieldInfo MakeField(FieldBlock block, int channel, int gear, size_t record_offset,
                    const RecordMember& m) {
  FieldInfo f;
  f.member = m.member;
  f.block = block;
  f.kind = m.kind;
  f.offset = static_cast<uint16_t>(record_offset + m.offset);
  f.width = m.width;
  f.channel = channel;
  f.gear = gear;
  f.label = m.label;
  switch (block) {
    case FieldBlock::kBase: break;
    case FieldBlock::kArg1: f.name = "arg1[" + std::to_string(channel) + "]."; break;
    case FieldBlock::kArg2: f.name = "arg2[" + std::to_string(channel) + "]."; break;
    case FieldBlock::kCoef: f.name = "coef[" + std::to_string(channel) + "]."; break;
  }
  if (gear != kNoGear) f.name += "gears[" + std::to_string(gear) + "].";
  f.name += m.member;
  return f;
}

const uint8_t* FieldPtr(const ParamImage& image, const FieldInfo& field) {
  return reinterpret_cast<const uint8_t*>(&image) + field.offset;
}
uint8_t* FieldPtr(ParamImage* image, const FieldInfo& field) {
  return reinterpret_cast<uint8_t*>(image) + field.offset;
}

size_t TextLength(const uint8_t* p, size_t capacity) {
  size_t n = 0;
  while (n < capacity && p[n] != 0) ++n;
  return n;
}

void AppendHexByte(std::string* out, unsigned byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out->append("\\x");
  out->push_back(kDigits[byte >> 4]);
  out->push_back(kDigits[byte & 0xF]);
}

// GBK text as a quoted UTF-8 string. Bytes that are not GBK come out of GbkToUtf8 as
// U+F780..U+F7FF (UTF-8 EF 9E xx / EF 9F xx) and are shown as the bytes they stand for.
std::string QuoteText(std::string_view gbk) {
  const std::string utf8 = GbkToUtf8(gbk);
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  std::string out = "\"";
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (c == 0xEF && i + 2 < n && (p[i + 1] == 0x9E || p[i + 1] == 0x9F)) {
      const unsigned cp = 0xF000u | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
      AppendHexByte(&out, cp - 0xF700u);
      i += 2;
    } else if (c < 0x20 || c == 0x7F) {
      AppendHexByte(&out, c);
    } else {
      if (c == '"' || c == '\\') out.push_back('\\');
      out.push_back(static_cast<char>(c));
    }
  }
  out.push_back('"');
  return out;
}

// A code with its list's text, when that says more than the number.
std::string FormatCode(std::string_view member, uint32_t v) {
  std::string out = std::to_string(v);
  for (const CodeField& field : kCodeFields) {
    if (field.member != member) continue;
    const int index = IndexOfCode(field.list, v);
    if (index < 0) return out + std::string(kNotInList);
    const std::string_view entry = field.list[static_cast<size_t>(index)].text;
    if (entry != out) out += " (" + std::string(entry) + ")";
    break;
  }
  return out;
}

}  // namespace

std::vector<FieldInfo> ImageFields() {
  std::vector<FieldInfo> fields;
  fields.reserve(kFieldCount);
  for (const RecordMember& m : kBaseMembers) {
    fields.push_back(MakeField(FieldBlock::kBase, kNoChannel, kNoGear, 0, m));
  }
  for (int c = 0; c < kChannelCount; ++c) {
    const size_t arg1 = offsetof(ParamImage, arg1) + sizeof(Arg1Block) * c;
    for (const RecordMember& m : kArg1Members) {
      fields.push_back(MakeField(FieldBlock::kArg1, c, kNoGear, arg1, m));
    }
    for (int k = 0; k < kGearCount; ++k) {
      const size_t gear = arg1 + offsetof(Arg1Block, gears) + sizeof(GearEntry) * k;
      for (const RecordMember& m : kGearMembers) {
        fields.push_back(MakeField(FieldBlock::kArg1, c, k, gear, m));
      }
    }
    const size_t arg2 = offsetof(ParamImage, arg2) + sizeof(Arg2Block) * c;
    for (const RecordMember& m : kArg2Members) {
      fields.push_back(MakeField(FieldBlock::kArg2, c, kNoGear, arg2, m));
    }
    const size_t coef = offsetof(ParamImage, coef) + sizeof(CoefBlock) * c;
    for (const RecordMember& m : kCoefMembers) {
      fields.push_back(MakeField(FieldBlock::kCoef, c, kNoGear, coef, m));
    }
  }
  return fields;
}

std::optional<FieldInfo> FindField(std::string_view name) {
  for (FieldInfo& f : ImageFields()) {
    if (f.name == name) return std::move(f);
  }
  return std::nullopt;
}

std::string FieldCaption(const FieldInfo& field) {
  std::string out;
  if (field.channel != kNoChannel) out = ChannelEntryText(field.channel) + " ";
  if (field.gear != kNoGear) out += GearEntryText(field.gear) + " ";
  out += field.label;
  return out;
}

uint32_t FieldMaxValue(const FieldInfo& field) {
  switch (field.kind) {
    case FieldKind::kU8: return 0xFF;
    case FieldKind::kU16: return 0xFFFF;
    case FieldKind::kU32: return 0xFFFFFFFF;
    default: return 0;
  }
}

size_t FieldTextCapacity(const FieldInfo& field) {
  return field.kind == FieldKind::kText ? size_t{field.width} - 1 : 0;
}

// Texts are the same in the record and in the image bytes; numbers are little-endian there.
void GetFieldBytes(const ParamImage& image, const FieldInfo& field, uint8_t* out) {
  const uint8_t* p = FieldPtr(image, field);
  if (field.kind == FieldKind::kText) {
    std::memcpy(out, p, field.width);
  } else {
    NumberToLittleEndian(p, field.width, out);
  }
}

void SetFieldBytes(ParamImage* image, const FieldInfo& field, const uint8_t* in) {
  uint8_t* p = FieldPtr(image, field);
  if (field.kind == FieldKind::kText) {
    std::memcpy(p, in, field.width);
  } else {
    NumberFromLittleEndian(in, field.width, p);
  }
}

bool SameFieldBytes(const ParamImage& a, const ParamImage& b, const FieldInfo& field) {
  return std::memcmp(FieldPtr(a, field), FieldPtr(b, field), field.width) == 0;
}

uint32_t GetFieldUnsigned(const ParamImage& image, const FieldInfo& field) {
  uint8_t bytes[4] = {};
  GetFieldBytes(image, field, bytes);
  return field.kind == FieldKind::kU8    ? bytes[0]
         : field.kind == FieldKind::kU16 ? GetU16(bytes)
                                         : GetU32(bytes);
}

void SetFieldUnsigned(ParamImage* image, const FieldInfo& field, uint32_t value) {
  uint8_t bytes[4] = {};
  PutU32(bytes, value);  // little-endian: the field's width of low bytes is the cut value
  SetFieldBytes(image, field, bytes);
}

float GetFieldFloat(const ParamImage& image, const FieldInfo& field) {
  uint8_t bytes[4] = {};
  GetFieldBytes(image, field, bytes);
  return GetF32(bytes);
}

void SetFieldFloat(ParamImage* image, const FieldInfo& field, float value) {
  uint8_t bytes[4] = {};
  PutF32(bytes, value);
  SetFieldBytes(image, field, bytes);
}

std::string GetFieldText(const ParamImage& image, const FieldInfo& field) {
  const uint8_t* p = FieldPtr(image, field);
  return std::string(reinterpret_cast<const char*>(p), TextLength(p, FieldTextCapacity(field)));
}

bool SetFieldText(ParamImage* image, const FieldInfo& field, std::string_view gbk) {
  if (gbk.size() > FieldTextCapacity(field)) return false;
  uint8_t* p = FieldPtr(image, field);
  std::memset(p, 0, field.width);
  if (!gbk.empty()) std::memcpy(p, gbk.data(), gbk.size());
  return true;
}

bool FieldHasHiddenBytes(const ParamImage& image, const FieldInfo& field) {
  if (field.kind != FieldKind::kText) return false;
  const uint8_t* p = FieldPtr(image, field);
  const size_t n = TextLength(p, FieldTextCapacity(field));
  for (size_t i = n; i < field.width; ++i) {
    if (p[i] != 0) return true;
  }
  return false;
}

std::string FormatDeviceTime(uint32_t seconds) {
  DateTimeFields t{};
  SecondsToDateTime(seconds, &t);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{t.year},
                unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute},
                unsigned{t.second});
  return text;
}

bool ParseDeviceTime(std::string_view text, uint32_t* seconds) {
  // "YYYY-MM-DD HH:MM:SS": digit groups of fixed width between fixed separators.
  static constexpr std::string_view kShape = "0000-00-00 00:00:00";
  if (text.size() != kShape.size()) return false;
  for (size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == '0' ? !digit : text[i] != kShape[i]) return false;
  }
  auto number = [&](size_t pos, size_t len) {
    unsigned v = 0;
    std::from_chars(text.data() + pos, text.data() + pos + len, v);
    return v;
  };
  const ClockEntry entry = {number(0, 4),  number(5, 2),  number(8, 2),
                            number(11, 2), number(14, 2), number(17, 2)};
  if (!CheckDateTime(entry).ok()) return false;
  *seconds = ClockEntryToSeconds(entry);
  return true;
}

std::string FormatFloat(float value) {
  if (std::isnan(value)) {
    uint8_t bytes[4];
    PutF32(bytes, value);
    char text[32];
    std::snprintf(text, sizeof text, "nan (0x%08X)", static_cast<unsigned>(GetU32(bytes)));
    return text;
  }
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string FormatFieldValue(const ParamImage& image, const FieldInfo& field) {
  switch (field.kind) {
    case FieldKind::kF32: return FormatFloat(GetFieldFloat(image, field));
    case FieldKind::kText: return QuoteText(GetFieldText(image, field));
    default: break;
  }
  const uint32_t v = GetFieldUnsigned(image, field);
  if (field.block == FieldBlock::kBase && field.member == "device_time") return FormatDeviceTime(v);
  return FormatCode(field.member, v);
}

}  // namespace travex
