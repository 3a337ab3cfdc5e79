// Texts the operator sees, in his language. A text is written in its source language
// (Chinese) and marked TRAVEX_TEXT("context", "source"): the mark stands for the source itself,
// and the translation tools find the text by it. A front end that speaks another language looks
// the source up in its context; numbers and names go into a pattern's "%1".."%9" afterwards, so
// that the translation may place them where its language wants them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#define TRAVEX_TEXT(context, source) source

namespace travex {

// Gives a marked text in the operator's language. This base speaks the source language.
class IWords {
 public:
  virtual ~IWords() = default;
  // `source` as marked with TRAVEX_TEXT in `context`; the source itself when there is no
  // translation.
  virtual std::string Tr(const char* /*context*/, std::string_view source) const {
    return std::string(source);
  }
};

// The words of the source language (for callers that have no front end to ask).
const IWords& SourceWords();

// The pattern with "%1".."%9" replaced by the arguments (the first for "%1"); a "%" followed by
// anything else, or a number without an argument, stays as it is.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace travex
