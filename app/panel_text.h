// Conversions between panel texts and image fields: the value parse and value text of the
// float edits, and the byte-limited texts of the fixed-width GBK fields.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace travex {

// Reads a decimal number the way atof does, in the C locale whatever the process locale:
// leading white space, an optional sign, digits with an optional decimal point, an optional
// exponent; reading stops at the first character that does not fit, and a text without a
// number gives 0. No hexadecimal, no "inf" or "nan". The whole text is read however long it is.
// The result is the nearest double, converted to the nearest float.
double ParseDecimalDouble(std::string_view text);
float ParseValueText(std::string_view text);
// True when the whole text (blanks around it allowed) is one decimal number of that grammar
// whose nearest float is finite; then *value is ParseValueText of it.
bool ParseValueTextStrict(std::string_view text, float* value);

// "%f" of the float widened to double, in the C locale (12.5 gives "12.500000").
std::string FormatValueText(float value);

// Stores at most `limit` bytes of `gbk` into `field` followed by one zero byte (the caller
// guarantees limit < width of the field). The cut never splits a double-byte GBK character:
// a character that would straddle the limit is left out whole. A zero byte in the text ends
// it. Field bytes after the terminating zero keep their previous contents.
void StoreTextField(std::string_view gbk, size_t limit, char* field);

// The field's string: its bytes up to the first zero byte, at most width - 1 bytes even when
// the field holds no zero byte.
std::string FieldString(const char* field, size_t width);

}  // namespace travex
