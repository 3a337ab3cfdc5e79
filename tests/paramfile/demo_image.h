// An image as a configured logger holds it: Chinese texts, codes and floats in every channel.
#pragma once

#include <cstdio>
#include <cstring>

#include "params/param_image.h"

namespace travex::testing {

inline ParamImage DemoImage() {
  ParamImage image{};
  image.base = {9600, 2, 0, 1000, 200, 3, 60, 30, 1709195400};  // 2024-02-29 08:30:00
  for (int c = 0; c < kChannelCount; ++c) {
    Arg1Block& a = image.arg1[c];
    a.alarm_value = 1.5f * static_cast<float>(c);
    std::memcpy(a.alarm_text, "\xB1\xA8\xBE\xAF", 5);   // 报警
    std::memcpy(a.normal_text, "\xD5\xFD\xB3\xA3", 5);  // 正常
    for (int k = 0; k < kGearCount; ++k) {
      a.gears[k].value = static_cast<float>(k) * 0.25f;
      std::snprintf(a.gears[k].text, sizeof a.gears[k].text, "G%d", k + 1);
    }
    Arg2Block& b = image.arg2[c];
    b = {static_cast<uint8_t>(c + 1), 1, 4, 2, static_cast<uint16_t>(100 + c), 2, 11, {}, {}};
    std::snprintf(b.name, sizeof b.name, "\xCE\xC2\xB6\xC8%d", c + 1);  // 温度
    std::memcpy(b.unit, "\xA1\xE6", 3);                                 // ℃
    image.coef[c] = {1.0f, -0.5f};
  }
  return image;
}

}  // namespace travex::testing
