// Field-by-field comparison of two parameter images, as tests need it: texts as what they say
// (bytes up to the NUL, at most the field's capacity; the bytes behind stay home), floats by
// their bits. The result names every field that differs, so a failure says where.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "params/param_image.h"

namespace travex::testing {

struct CompareFields {
  bool clock = true;         // device_time (a running logger's clock moves on)
  bool coefficients = true;  // the CoefBlocks (they travel only with a firmware version)
};

template <size_t N>
std::string FieldText(const char (&field)[N]) {
  size_t n = 0;
  while (n < N - 1 && field[n] != 0) ++n;
  return std::string(field, n);
}

inline uint32_t FloatBits(float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

inline std::vector<std::string> FieldDifferences(const ParamImage& a, const ParamImage& b,
                                                 CompareFields what = {}) {
  std::vector<std::string> diffs;
  auto check = [&](bool equal, const std::string& field) {
    if (!equal) diffs.push_back(field);
  };
  check(a.base.comm_baud == b.base.comm_baud, "comm_baud");
  check(a.base.parity == b.base.parity, "parity");
  check(a.base.rs485_poll_interval == b.base.rs485_poll_interval, "rs485_poll_interval");
  check(a.base.rs485_timeout == b.base.rs485_timeout, "rs485_timeout");
  check(a.base.rs485_retries == b.base.rs485_retries, "rs485_retries");
  check(a.base.store_interval == b.base.store_interval, "store_interval");
  check(a.base.lcd_on_time == b.base.lcd_on_time, "lcd_on_time");
  if (what.clock) check(a.base.device_time == b.base.device_time, "device_time");
  for (int ch = 0; ch < kChannelCount; ++ch) {
    const std::string of = " of channel index " + std::to_string(ch);
    const Arg1Block& x = a.arg1[ch];
    const Arg1Block& y = b.arg1[ch];
    check(FloatBits(x.alarm_value) == FloatBits(y.alarm_value), "alarm_value" + of);
    check(FieldText(x.alarm_text) == FieldText(y.alarm_text), "alarm_text" + of);
    check(FieldText(x.normal_text) == FieldText(y.normal_text), "normal_text" + of);
    for (int g = 0; g < kGearCount; ++g) {
      const std::string gear = " of gear " + std::to_string(g);
      check(FloatBits(x.gears[g].value) == FloatBits(y.gears[g].value), "value" + gear + of);
      check(FieldText(x.gears[g].text) == FieldText(y.gears[g].text), "text" + gear + of);
    }
    const Arg2Block& p = a.arg2[ch];
    const Arg2Block& q = b.arg2[ch];
    check(p.slave_addr == q.slave_addr, "slave_addr" + of);
    check(p.enabled == q.enabled, "enabled" + of);
    check(p.func_code == q.func_code, "func_code" + of);
    check(p.decimals == q.decimals, "decimals" + of);
    check(p.reg_start == q.reg_start, "reg_start" + of);
    check(p.reg_count == q.reg_count, "reg_count" + of);
    check(p.data_type == q.data_type, "data_type" + of);
    check(FieldText(p.name) == FieldText(q.name), "name" + of);
    check(FieldText(p.unit) == FieldText(q.unit), "unit" + of);
    if (what.coefficients) {
      check(FloatBits(a.coef[ch].coef_a) == FloatBits(b.coef[ch].coef_a), "coef_a" + of);
      check(FloatBits(a.coef[ch].coef_b) == FloatBits(b.coef[ch].coef_b), "coef_b" + of);
    }
  }
  return diffs;
}

}  // namespace travex::testing
