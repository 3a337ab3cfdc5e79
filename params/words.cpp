#include "params/words.h"

namespace travex {

const IWords& SourceWords() {
  static const IWords kSource;
  return kSource;
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string text;
  text.reserve(pattern.size() + 16);
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const size_t number = static_cast<size_t>(next - '0');
    if (pattern[i] == '%' && next >= '1' && next <= '9' && number <= args.size()) {
      text += *(args.begin() + (number - 1));
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

}  // namespace travex
