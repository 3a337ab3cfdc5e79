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
#pragma once

#include <string>
#include <string_view>

#include "params/param_image.h"

namespace travex {

inline constexpr std::string_view kJsonFormat = "travex-parameters";
inline constexpr int kJsonFormatVersion = 1;

struct JsonResult {
  bool ok = false;
  std::string error;  // why it was refused, led by the path of the field ("parity: ...")
};

// Writes the document for `image` into *json.
JsonResult ImageToJson(const ParamImage& image, std::string* json);

// Reads a document into *image. Strict: an unknown or missing field, a wrong type or array
// length, a value outside its field's range, a text longer than its field or bad hex refuses
// the whole document, and *image is then left as it was.
JsonResult JsonToImage(std::string_view json, ParamImage* image);

}  // namespace travex
