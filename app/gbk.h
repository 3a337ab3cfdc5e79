// Conversion between UTF-8 (the toolkit's and the source files' encoding) and GBK (the
// encoding of every text in the parameter image and on the wire).
#pragma once

#include <string>
#include <string_view>

namespace travex {

// A character that GBK cannot hold becomes '?'.
std::string Utf8ToGbk(std::string_view utf8);
// Bytes that are not valid GBK become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

}  // namespace travex
