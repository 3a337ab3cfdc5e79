// What the reader and the writer of the JSON form share: where each field stands in the
// document. For the JSON form's own sources only: it brings in the JSON library.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "params/field_table.h"

namespace travex::json_form {

// Objects keep their keys in the order written, so the document reads in image order.
using Json = nlohmann::ordered_json;

// The array of a channel block's records: "arg1", "arg2", "coef"; empty for the base block.
inline std::string_view ArrayKey(FieldBlock block) {
  switch (block) {
    case FieldBlock::kArg1: return "arg1";
    case FieldBlock::kArg2: return "arg2";
    case FieldBlock::kCoef: return "coef";
    default: return {};
  }
}

inline constexpr std::string_view kGearsKey = "gears";
inline constexpr FieldBlock kChannelBlocks[] = {FieldBlock::kArg1, FieldBlock::kArg2,
                                                FieldBlock::kCoef};

// The clock is written as a date and time, and read as one or as a number.
inline bool IsClock(const FieldInfo& f) {
  return f.block == FieldBlock::kBase && f.member == "device_time";
}

}  // namespace travex::json_form
