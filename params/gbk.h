// Conversion between UTF-8 (the toolkit's and the source files' encoding) and GBK (the
// encoding of every text in the parameter image and on the wire).
//
// The conversion from GBK is lossless: a byte that does not start a GBK character (or a
// character that would not convert back to the same bytes) becomes the private-use character
// U+F780 + (byte - 0x80), and the conversion to GBK turns those characters back into their
// bytes. So any bytes a logger or a file holds survive GBK -> UTF-8 -> GBK unchanged. A
// front end that cannot show control characters may carry them the same way (U+F701..U+F77F
// for the bytes 0x01..0x7F): the conversion to GBK takes those back as well.
#pragma once

#include <string>
#include <string_view>

namespace travex {

// A character that GBK cannot hold becomes '?'; U+F701..U+F7FF become the bytes 0x01..0xFF.
std::string Utf8ToGbk(std::string_view utf8);
// Bytes that are not valid GBK become U+F780 + (byte - 0x80).
std::string GbkToUtf8(std::string_view gbk);
// True when every byte of gbk is part of a character that converts both ways (no escapes).
bool IsCleanGbk(std::string_view gbk);

}  // namespace travex
