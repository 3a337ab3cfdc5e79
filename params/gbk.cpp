#include "params/gbk.h"

#include <iconv.h>

#include <cstdint>

namespace travex {

namespace {

constexpr char32_t kEscapeBase = 0xF700;  // byte b (0x80..0xFF) <-> U+F700 + b

// One iconv descriptor per direction, opened and closed per call (calls are rare and short).
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts exactly `input` as one unit; false when any of it does not convert.
  bool Whole(std::string_view input, std::string* out) {
    out->clear();
    if (!ok()) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    size_t in_left = input.size();
    char buffer[16];
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    const size_t rc = iconv(cd_, &in, &in_left, &dst, &dst_left);
    if (rc == static_cast<size_t>(-1) || in_left != 0) return false;
    // Shift states cannot occur in GBK or UTF-8, but flush all the same.
    if (iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    out->assign(buffer, static_cast<size_t>(dst - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Length of the UTF-8 sequence at p (1 for a stray byte) and its code point (U+FFFD for a
// malformed one).
size_t DecodeUtf8(const unsigned char* p, size_t left, char32_t* cp) {
  const unsigned char lead = p[0];
  size_t n = 1;
  char32_t value = lead;
  if (lead >= 0xF0 && lead < 0xF8) {
    n = 4;
    value = lead & 0x07;
  } else if (lead >= 0xE0) {
    n = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xC0) {
    n = 2;
    value = lead & 0x1F;
  } else if (lead >= 0x80) {
    *cp = 0xFFFD;
    return 1;
  }
  if (n > left) {
    *cp = 0xFFFD;
    return left;
  }
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) {
      *cp = 0xFFFD;
      return i;
    }
    value = (value << 6) | (p[i] & 0x3F);
  }
  *cp = value;
  return n;
}

// Bytes of the GBK character that starts at p: 2 for a lead byte followed by a trail byte,
// else 1.
size_t GbkCharLength(const unsigned char* p, size_t left) {
  if (p[0] >= 0x81 && p[0] <= 0xFE && left >= 2 && p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F) {
    return 2;
  }
  return 1;
}

// Walks gbk; for each character calls emit(utf8) or, for a byte that does not convert both
// ways, escape(byte).
template <typename Emit, typename Escape>
void WalkGbk(std::string_view gbk, Emit emit, Escape escape) {
  Converter decode("UTF-8", "GBK");
  Converter encode("GBK", "UTF-8");
  const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
  const size_t size = gbk.size();
  std::string utf8;
  std::string back;
  size_t i = 0;
  while (i < size) {
    if (p[i] < 0x80) {
      emit(std::string_view(gbk.data() + i, 1));
      ++i;
      continue;
    }
    const size_t n = GbkCharLength(p + i, size - i);
    const std::string_view unit = gbk.substr(i, n);
    if (decode.Whole(unit, &utf8) && encode.Whole(utf8, &back) && back == unit) {
      emit(utf8);
      i += n;
    } else {
      // Only the first byte is escaped; a trail byte is looked at again on its own.
      escape(p[i]);
      ++i;
    }
  }
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 2);
  WalkGbk(
      gbk, [&](std::string_view utf8) { out.append(utf8); },
      [&](unsigned char byte) { AppendUtf8(kEscapeBase + byte, &out); });
  return out;
}

bool IsCleanGbk(std::string_view gbk) {
  bool clean = true;
  WalkGbk(gbk, [](std::string_view) {}, [&](unsigned char) { clean = false; });
  return clean;
}

std::string Utf8ToGbk(std::string_view utf8) {
  Converter encode("GBK", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  std::string unit;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = 0;
    const size_t n = DecodeUtf8(p + i, utf8.size() - i, &cp);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp > kEscapeBase && cp <= kEscapeBase + 0xFF) {
      out.push_back(static_cast<char>(cp - kEscapeBase));
    } else if (cp != 0xFFFD && encode.Whole(utf8.substr(i, n), &unit)) {
      out.append(unit);
    } else {
      out.push_back('?');
    }
    i += n;
  }
  return out;
}

}  // namespace travex
