// Readable forms of parameter images for a terminal: the whole image as a table of fields, and
// the fields in which two images differ.
#pragma once

#include <string>
#include <vector>

#include "params/param_image.h"

namespace travex {

// One line per field, in field-table order (base settings, then channel by channel), a blank
// line before each channel:
//   arg2[4].slave_addr      17                  通道5 MODBUS从站地址
// Values as FormatFieldValue gives them; the last column is the field's caption.
std::string ShowImage(const ParamImage& image);

struct DiffOptions {
  bool device_time = true;    // compare the clock (a running logger's clock always differs)
  bool hidden_bytes = false;  // also texts that differ only in bytes their text does not show
};

struct FieldChange {
  std::string name;    // "arg2[4].slave_addr"
  std::string before;  // "17"
  std::string after;   // "18"
};

// The fields that differ, in field-table order. Numbers and floats are compared by their bytes
// (so -0 differs from 0, and NaNs by their bits), texts by what they say unless hidden bytes are
// asked for; a text that differs only in hidden bytes shows both fields as "hex ...".
std::vector<FieldChange> DiffImages(const ParamImage& before, const ParamImage& after,
                                    const DiffOptions& options = {});

// "arg2[4].slave_addr: 17 -> 18", one line each.
std::string FormatChanges(const std::vector<FieldChange>& changes);

}  // namespace travex
