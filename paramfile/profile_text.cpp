#include "paramfile/profile_text.h"

#include <algorithm>
#include <cstdint>

namespace travex {

namespace {

void AppendUtf16Unit(unsigned unit, TextEncoding encoding, std::string* out) {
  const char high = static_cast<char>(unit >> 8 & 0xFF);
  const char low = static_cast<char>(unit & 0xFF);
  out->push_back(encoding == TextEncoding::kUtf16Le ? low : high);
  out->push_back(encoding == TextEncoding::kUtf16Le ? high : low);
}

// The units of a text held for a UTF-16 file: the forms that TextDecoder makes give back
// their unit, UTF-8 of a character beyond 16 bits gives its surrogate pair, and any other
// byte stands for itself.
void EncodeUtf16(std::string_view text, TextEncoding encoding, std::string* out) {
  const auto byte = [&](size_t i) { return i < text.size() ? static_cast<uint8_t>(text[i]) : 0u; };
  const auto follows = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
  size_t i = 0;
  while (i < text.size()) {
    const unsigned b = byte(i);
    unsigned code = b;
    size_t length = 1;
    if ((b & 0xE0) == 0xC0 && follows(i + 1)) {
      code = (b & 0x1F) << 6 | (byte(i + 1) & 0x3F);
      length = 2;
    } else if ((b & 0xF0) == 0xE0 && follows(i + 1) && follows(i + 2)) {
      code = (b & 0x0F) << 12 | (byte(i + 1) & 0x3F) << 6 | (byte(i + 2) & 0x3F);
      length = 3;
    } else if ((b & 0xF8) == 0xF0 && follows(i + 1) && follows(i + 2) && follows(i + 3)) {
      const unsigned wide = (b & 0x07) << 18 | (byte(i + 1) & 0x3F) << 12 |
                            (byte(i + 2) & 0x3F) << 6 | (byte(i + 3) & 0x3F);
      if (wide >= 0x10000 && wide <= 0x10FFFF) {
        AppendUtf16Unit(0xD800 + ((wide - 0x10000) >> 10), encoding, out);
        code = 0xDC00 + ((wide - 0x10000) & 0x3FF);
        length = 4;
      }
    }
    AppendUtf16Unit(code, encoding, out);
    i += length;
  }
}

}  // namespace

ProfileText DecodeProfileText(std::string_view file_bytes) {
  ProfileText out;
  TextDecoder decoder;
  decoder.Feed(file_bytes, &out.text);
  decoder.Finish(&out.text);
  out.encoding = decoder.encoding();
  out.odd_byte = decoder.OddByte();
  return out;
}

std::string EncodeProfileText(const ProfileText& text) {
  if (text.encoding == TextEncoding::kBytes) return text.text + text.odd_byte;
  std::string out;
  out.reserve(2 * text.text.size() + 3);
  AppendUtf16Unit(0xFEFF, text.encoding, &out);
  EncodeUtf16(text.text, text.encoding, &out);
  out.append(text.odd_byte);
  return out;
}

}  // namespace travex
