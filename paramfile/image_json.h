// The parameter image as a JSON document whose keys are the field names of the field table:
//
//   {"format": "travex-parameters", "format_version": 1,
//    "comm_baud": 9600, "parity": 2, ..., "device_time": "2024-02-29 08:30:00",
//    "arg1": [32 x {"alarm_value": 1.5, "alarm_text": "报警", "normal_text": "正常",
//                   "gears": [9 x {"value": 0, "text": ""}]}],
//    "arg2": [32 x {"slave_addr": 1, "enabled": 1, ..., "name": "温度", "unit": "℃"}],
//    "coef": [32 x {"coef_a": 1, "coef_b": 0}]}
//
// Floats are written in their shortest form that reads back as the same float, texts as UTF-8.
// A field whose bytes these forms cannot carry (a text with bytes behind its NUL, without a NUL
// or with bytes that are not GBK; a NaN or infinite float) is written as {"hex": "..."}: the
// field's full width, in image byte order. That form is accepted for every field on input, so
// an image written out reads back byte for byte.
//
// A refusal is a value: the path of what was refused and a fault, with what the front end needs
// to word it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "params/param_image.h"

namespace travex {

inline constexpr std::string_view kJsonFormat = "travex-parameters";
inline constexpr int kJsonFormatVersion = 1;

enum class JsonFault : uint8_t {
  kNone,
  kSyntax,                 // not JSON; detail: the JSON library's message (printable ASCII)
  kNotUtf8,                // a text at path (empty: somewhere in the document) is not UTF-8
  kKeyNotUtf8,             // a key in the object at path (empty: the document) is not UTF-8
  kDuplicateKey,           // path is given twice in its object
  kExpectedObject,         // got: the type found (path empty: the document itself)
  kUnknownField,
  kMissing,
  kBadFormat,              // value: the "format" found
  kUnsupportedVersion,     // value: the "format_version" found
  kExpectedArray,          // got; limit: the entries expected
  kArrayLength,            // size: entries found; limit: entries expected
  kHexForm,                // an object other than {"hex": "..."}
  kHexLength,              // value: what was given; limit: the field's bytes
  kHexByte,                // detail: the two characters that are no hex byte
  kExpectedText,           // got
  kNotGbk,                 // value: the text, holding characters that GBK cannot hold
  kZeroByte,               // a text with a zero byte
  kTextTooLong,            // size: GBK bytes given; limit: the field's capacity
  kExpectedNumber,         // got
  kExpectedTimeOrNumber,   // got (the clock)
  kFloatOutOfRange,        // value: a number no 32-bit float holds
  kInexactInteger,         // value: an integer a 32-bit float cannot hold exactly
  kNotInteger,             // value
  kOutOfRange,             // value; limit: the field's largest value
  kBadTime,                // value: the time as JSON text; detail: the time text itself
  kInternal,               // the JSON library failed (out of memory); detail: its message
};

struct JsonResult {
  bool ok = false;
  JsonFault fault = JsonFault::kNone;
  std::string path;    // "arg2[4].slave_addr"; empty for the document as a whole
  std::string value;   // the value refused, as JSON text
  std::string got;     // the JSON type found where another was expected ("string")
  std::string detail;  // see the faults
  uint64_t size = 0;
  uint64_t limit = 0;
};

// Writes the document for `image` into *json.
JsonResult ImageToJson(const ParamImage& image, std::string* json);

// Reads a document into *image. Strict: an unknown or missing field, a wrong type or array
// length, a value outside its field's range, a text longer than its field or bad hex refuses
// the whole document, and *image is then left as it was.
JsonResult JsonToImage(std::string_view json, ParamImage* image);

}  // namespace travex
