#include "app/panel_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace travex {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

}  // namespace

double ParseDecimalDouble(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t start = i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    ++i;
    ++digits;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) return 0.0;
  size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      end = j;
    }
  }
  // The accepted part is now a plain decimal number without sign; from_chars rounds it
  // correctly and ignores the locale.
  const char* first = text.data() + start;
  const char* last = text.data() + end;
  double value = 0.0;
  const std::from_chars_result r = std::from_chars(first, last, value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large gives infinity, too small gives zero, as the C library does. Tell the two
    // apart by the size of the exponent: a mantissa with a non-zero digit and a huge
    // positive exponent overflows.
    bool overflow = false;
    const std::string_view accepted(first, static_cast<size_t>(last - first));
    const size_t e = accepted.find_first_of("eE");
    const std::string_view mantissa = accepted.substr(0, e);
    long long exponent = 0;
    if (e != std::string_view::npos) {
      size_t k = e + 1;
      bool exp_negative = false;
      if (accepted[k] == '+' || accepted[k] == '-') exp_negative = accepted[k++] == '-';
      for (; k < accepted.size(); ++k) {
        if (exponent < 1000000) exponent = exponent * 10 + (accepted[k] - '0');
      }
      if (exp_negative) exponent = -exponent;
    }
    // Decimal position of the first significant digit relative to the point.
    const size_t point = mantissa.find('.');
    const long long int_digits =
        static_cast<long long>(point == std::string_view::npos ? mantissa.size() : point);
    long long magnitude = 0;
    bool found = false;
    long long pos = 0;
    for (char c : mantissa) {
      if (c == '.') continue;
      if (c != '0') {
        magnitude = int_digits - pos;
        found = true;
        break;
      }
      ++pos;
    }
    overflow = found && magnitude + exponent > 0;
    value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (r.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

bool ParseValueTextStrict(std::string_view text, float* value) {
  size_t i = 0;
  size_t end = text.size();
  while (i < end && IsCSpace(text[i])) ++i;
  while (end > i && IsCSpace(text[end - 1])) --end;
  if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < end && IsDigit(text[i])) {
    ++i;
    ++digits;
  }
  if (i < end && text[i] == '.') {
    ++i;
    while (i < end && IsDigit(text[i])) {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == end || !IsDigit(text[i])) return false;
    while (i < end && IsDigit(text[i])) ++i;
  }
  if (i != end) return false;
  const float parsed = ParseValueText(text);
  if (!std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

float ParseValueText(std::string_view text) {
  const double d = ParseDecimalDouble(text);
  constexpr double kMax = static_cast<double>(std::numeric_limits<float>::max());
  // Values beyond the float range round to the largest float or to infinity, as IEEE
  // rounding does; done explicitly so the conversion below is always in range.
  // Half an ulp of the largest float is 2^103.
  const double kRoundUp = kMax + std::ldexp(1.0, 103);
  if (std::isinf(d) || std::fabs(d) >= kRoundUp) {
    return d < 0 ? -std::numeric_limits<float>::infinity()
                 : std::numeric_limits<float>::infinity();
  }
  if (std::fabs(d) > kMax) {
    return d < 0 ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
  }
  return static_cast<float>(d);
}

std::string FormatValueText(float value) {
  char buffer[96];
  const double d = static_cast<double>(value);
  if (std::isnan(d)) return std::signbit(d) ? "-nan" : "nan";
  if (std::isinf(d)) return d < 0 ? "-inf" : "inf";
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::fixed, 6);
  if (r.ec != std::errc()) return "0.000000";
  return std::string(buffer, r.ptr);
}

void StoreTextField(std::string_view gbk, size_t limit, char* field) {
  size_t n = 0;
  while (n < gbk.size() && gbk[n] != '\0') {
    const auto c = static_cast<unsigned char>(gbk[n]);
    size_t unit = 1;
    if (IsGbkLead(c) && n + 1 < gbk.size() && IsGbkTrail(static_cast<unsigned char>(gbk[n + 1]))) {
      unit = 2;
    }
    if (n + unit > limit) break;
    n += unit;
  }
  if (n > 0) std::memcpy(field, gbk.data(), n);
  field[n] = '\0';
}

std::string FieldString(const char* field, size_t width) {
  if (width == 0) return std::string();
  const size_t cap = width - 1;
  size_t n = 0;
  while (n < cap && field[n] != '\0') ++n;
  return std::string(field, n);
}

}  // namespace travex
