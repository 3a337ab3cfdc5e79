// Loading and saving the parameter file.
#include "paramfile/param_file.h"

#include <cstdio>
#include <vector>

#include "paramfile/profile.h"
#include "protocol/crc16.h"

namespace travex {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

char CharAt(std::string_view text, size_t i) { return i < text.size() ? text[i] : '0'; }

constexpr std::string_view kDefaultValue = "ERROR";

struct SectionKeys {
  std::string_view section;
  std::string_view key;
};

constexpr SectionKeys kBaseSection{"BASEINFO", "baseinfo"};
constexpr SectionKeys kArg1Section{"ARG1", "arg1"};
constexpr SectionKeys kArg2Section{"ARG2", "arg2"};
constexpr SectionKeys kCoefSection{"COEF", "coef"};
constexpr std::string_view kCrcKey = "wCRCResult";

// Every line the export writes is seen whole by the reader, and every value it writes comes
// back whole.
static_assert(2 * kArg1Bytes <= kProfileValueMax && kProfileValueMax < kProfileLineMax);

// Decodes a section's value into `scratch` and checks it against the stored CRC.
bool DecodeChecked(std::string_view value, std::string_view crc_text, uint8_t* scratch,
                   size_t length) {
  HexTextToBytes(value, scratch, length);
  return Crc16(scratch, length) == CrcFromText(crc_text);
}

std::string WriteBlock(std::string text, const SectionKeys& keys, const uint8_t* bytes,
                       size_t length) {
  text = SetProfileString(text, keys.section, keys.key, BytesToHexText(bytes, length));
  return SetProfileString(text, keys.section, kCrcKey, CrcText(Crc16(bytes, length)));
}

}  // namespace

uint8_t HexPairToByte(const char* pair) {
  return static_cast<uint8_t>(HexDigit(pair[0]) * 16 + HexDigit(pair[1]));
}

std::string BytesToHexText(const uint8_t* bytes, size_t length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(length * 2, '0');
  for (size_t i = 0; i < length; ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return out;
}

void HexTextToBytes(std::string_view text, uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const char pair[2] = {CharAt(text, 2 * i), CharAt(text, 2 * i + 1)};
    bytes[i] = HexPairToByte(pair);
  }
}

std::string CrcText(uint16_t crc) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
  return BytesToHexText(bytes, 2);
}

uint16_t CrcFromText(std::string_view text) {
  uint8_t bytes[2];
  HexTextToBytes(text, bytes, 2);
  return static_cast<uint16_t>(bytes[0] * 256 + bytes[1]);
}

std::string ProposedFileName(int year, int month, int day, int hour, int minute) {
  char name[64];
  std::snprintf(name, sizeof name, "TRAVEX%04d%02d%02d_%02d%02d.ini", year, month, day, hour,
                minute);
  return name;
}

std::string FileExtension(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

ParamFileLoad LoadParamFile(const std::string& path, ParamImage* image) {
  ParamFileLoad result;
  const std::vector<ProfileQuery> queries = {
      {kBaseSection.section, kBaseSection.key, kDefaultValue},
      {kBaseSection.section, kCrcKey, kDefaultValue},
      {kArg1Section.section, kArg1Section.key, kDefaultValue},
      {kArg1Section.section, kCrcKey, kDefaultValue},
      {kArg2Section.section, kArg2Section.key, kDefaultValue},
      {kArg2Section.section, kCrcKey, kDefaultValue},
      {kCoefSection.section, kCoefSection.key, kDefaultValue},
      {kCoefSection.section, kCrcKey, kDefaultValue},
  };
  std::vector<std::string> values;
  result.readable = ReadProfileStrings(path, queries, &values, &result.error);
  if (!result.readable) return result;

  // Each block is decoded into scratch bytes and enters the image only when its CRC
  // matches; a failing section keeps the block as it was.
  uint8_t scratch[kArg1Bytes];
  const auto load = [&](size_t first_value, size_t length,
                        auto store) {
    if (!DecodeChecked(values[first_value], values[first_value + 1], scratch, length)) {
      return SectionLoad::kCrcMismatch;
    }
    store();
    return SectionLoad::kLoaded;
  };
  result.base = load(0, kBaseInfoBytes,
                     [&] { DecodeBaseInfo(scratch, &image->base); });
  result.arg1 = load(2, kArg1Bytes, [&] { DecodeArg1Array(scratch, image->arg1); });
  result.arg2 = load(4, kArg2Bytes, [&] { DecodeArg2Array(scratch, image->arg2); });
  if (values[6] == kDefaultValue) {
    for (CoefBlock& c : image->coef) {
      c.coef_a = 1.0f;
      c.coef_b = 0.0f;
    }
    result.coef = SectionLoad::kDefaulted;
  } else {
    result.coef = load(6, kCoefBytes, [&] { DecodeCoefArray(scratch, image->coef); });
  }
  return result;
}

bool SaveParamFile(const std::string& path, const ParamImage& image, std::string* error) {
  uint8_t bytes[kImageBytes];
  const uint8_t* base = bytes;
  const uint8_t* arg1 = base + kBaseInfoBytes;
  const uint8_t* arg2 = arg1 + kArg1Bytes;
  const uint8_t* coef = arg2 + kArg2Bytes;
  EncodeImage(image, bytes);

  // The keys are applied to the file's text in memory and the file is replaced in one step,
  // so a failure never leaves a half-written file. Other lines stay as they were.
  std::string raw;
  if (!LoadTextFile(path, &raw, error)) return false;
  ProfileText file = DecodeProfileText(raw);
  raw = std::string();
  file.text = WriteBlock(std::move(file.text), kBaseSection, base, kBaseInfoBytes);
  file.text = WriteBlock(std::move(file.text), kArg1Section, arg1, kArg1Bytes);
  file.text = WriteBlock(std::move(file.text), kArg2Section, arg2, kArg2Bytes);
  file.text = WriteBlock(std::move(file.text), kCoefSection, coef, kCoefBytes);
  return ReplaceFileAtomically(path, EncodeProfileText(file), error);
}

}  // namespace travex
