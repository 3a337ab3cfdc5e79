// The text of a parameter file as the profile rules read it. A file that starts with a UTF-16
// byte-order mark (what Windows editors save as "Unicode") is held without the mark, each 16-bit
// unit as its UTF-8 form (an unpaired surrogate too), so its lines, names and ASCII values read
// exactly like those of the same file saved as ANSI; encoding the text again gives back the
// file's bytes, whatever they were. Any other file is held as its bytes.
#pragma once

#include <string>
#include <string_view>

namespace travex {

enum class TextEncoding { kBytes, kUtf16Le, kUtf16Be };

struct ProfileText {
  std::string text;
  TextEncoding encoding = TextEncoding::kBytes;
  std::string odd_byte;  // the last byte of a UTF-16 file of odd length, kept as it was
};

ProfileText DecodeProfileText(std::string_view file_bytes);
// The file bytes for a text; new text in a UTF-16 file should be UTF-8.
std::string EncodeProfileText(const ProfileText& text);

// File bytes to the text the rules read (see ProfileText), in pieces of any size.
class TextDecoder {
 public:
  void Feed(std::string_view bytes, std::string* out) {
    if (!decided_) {
      const size_t take = std::min(bytes.size(), size_t{2} - head_.size());
      head_.append(bytes.substr(0, take));
      bytes.remove_prefix(take);
      if (head_.size() < 2) return;
      Decide(out);
    }
    if (encoding_ == TextEncoding::kBytes) {
      out->append(bytes);
      return;
    }
    for (const char c : bytes) {
      const unsigned b = static_cast<uint8_t>(c);
      if (carry_ < 0) {
        carry_ = static_cast<int>(b);
        continue;
      }
      const unsigned first = static_cast<unsigned>(carry_);
      carry_ = -1;
      AppendUnit(encoding_ == TextEncoding::kUtf16Le ? (b << 8 | first) : (first << 8 | b), out);
    }
  }

  // The end of the file; a file too short for a byte-order mark is bytes.
  void Finish(std::string* out) {
    if (!decided_) Decide(out);
  }

  TextEncoding encoding() const { return encoding_; }
  std::string OddByte() const {
    return carry_ < 0 ? std::string() : std::string(1, static_cast<char>(carry_));
  }

 private:
  void Decide(std::string* out) {
    decided_ = true;
    if (head_ == "\xFF\xFE") {
      encoding_ = TextEncoding::kUtf16Le;
    } else if (head_ == "\xFE\xFF") {
      encoding_ = TextEncoding::kUtf16Be;
    } else {
      out->append(head_);
    }
  }

  // A unit in its UTF-8 form; surrogates too, each on its own, so that nothing is lost.
  static void AppendUnit(unsigned unit, std::string* out) {
    if (unit < 0x80) {
      out->push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out->push_back(static_cast<char>(0xC0 | unit >> 6));
      out->push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xE0 | unit >> 12));
      out->push_back(static_cast<char>(0x80 | (unit >> 6 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }

  bool decided_ = false;
  std::string head_;
  TextEncoding encoding_ = TextEncoding::kBytes;
  int carry_ = -1;  // first byte of a unit whose second has not come yet
};

}  // namespace travex
