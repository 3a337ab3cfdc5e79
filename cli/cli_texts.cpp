#include "cli/cli_texts.h"

#include "cli/clock_choice.h"

namespace travex::cli {

namespace {

std::string JsonFaultText(const JsonResult& r) {
  const std::string got = ", got " + r.got;
  switch (r.fault) {
    case JsonFault::kNone: return {};
    case JsonFault::kSyntax:
      return r.detail.empty() ? "JSON syntax error" : "JSON " + r.detail;
    case JsonFault::kInternal: return "JSON " + r.detail;
    case JsonFault::kNotUtf8:
    case JsonFault::kKeyNotUtf8: return "not valid UTF-8";
    case JsonFault::kDuplicateKey: return "given twice";
    case JsonFault::kExpectedObject:
      return (r.path.empty() ? "the document is not a JSON object" : "expected an object") + got;
    case JsonFault::kUnknownField: return "unknown field";
    case JsonFault::kMissing: return "missing";
    case JsonFault::kBadFormat: return r.value + " is not \"" + std::string(kJsonFormat) + "\"";
    case JsonFault::kUnsupportedVersion:
      return r.value + " is not supported (this tool reads " + std::to_string(kJsonFormatVersion) +
             ")";
    case JsonFault::kExpectedArray:
      return "expected an array of " + std::to_string(r.limit) + " entries" + got;
    case JsonFault::kArrayLength:
      return std::to_string(r.size) + " entries, expected " + std::to_string(r.limit);
    case JsonFault::kHexForm: return "an object here must be {\"hex\": \"...\"} and nothing else";
    case JsonFault::kHexLength:
      return "bad hex: expected a string of " + std::to_string(2 * r.limit) +
             " hex digits for the " + std::to_string(r.limit) + " bytes of this field, got " +
             r.value;
    case JsonFault::kHexByte: return "bad hex: \"" + r.detail + "\" is not a hex byte";
    case JsonFault::kExpectedText: return "expected a text" + got;
    case JsonFault::kNotGbk: return r.value + " holds characters that GBK cannot hold";
    case JsonFault::kZeroByte: return "a text cannot hold a zero byte";
    case JsonFault::kTextTooLong:
      return std::to_string(r.size) + " bytes do not fit the " + std::to_string(r.limit) +
             " of this field";
    case JsonFault::kExpectedNumber: return "expected a number" + got;
    case JsonFault::kExpectedTimeOrNumber: return "expected a time or a number" + got;
    case JsonFault::kFloatOutOfRange: return r.value + " does not fit a 32-bit float";
    case JsonFault::kInexactInteger:
      return r.value + " is an integer that a 32-bit float cannot hold exactly";
    case JsonFault::kNotInteger: return r.value + " is not an integer";
    case JsonFault::kOutOfRange:
      return r.value + " is out of range 0.." + std::to_string(r.limit);
    case JsonFault::kBadTime: return r.value + ": " + DeviceTimeProblem(r.detail);
  }
  return {};
}

// Where the refusal is: the field's path, or for a key that is not UTF-8 the object it is in.
std::string JsonPlaceText(const JsonResult& r) {
  if (r.fault == JsonFault::kKeyNotUtf8) {
    return r.path.empty() ? "a key of the document" : "a key in " + r.path;
  }
  if (r.fault == JsonFault::kNotUtf8 && r.path.empty()) return "the document";
  return r.path;
}

}  // namespace

std::string JsonRefusalText(const JsonResult& refusal) {
  const std::string place = JsonPlaceText(refusal);
  const std::string text = JsonFaultText(refusal);
  return place.empty() ? text : place + ": " + text;
}

}  // namespace travex::cli
