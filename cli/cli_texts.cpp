#include "cli/cli_texts.h"

#include <cerrno>

#include "cli/clock_choice.h"
#include "params/value_lists.h"

namespace travex::cli {

std::string OpenFailureText(const OpenFailure& failure) {
  std::string text = "cannot open the port";
  if (failure.busy) {
    text += ": it is in use by ";
    text += failure.holder.empty() ? "another program" : "process " + failure.holder;
    return text;
  }
  if (failure.error == ENOENT) return text + ": the device does not exist (unplugged?)";
  if (failure.error != 0) text += ": " + failure.reason;
  if (failure.refused_settings)
    text += "; the device refuses serial line settings (not a serial port?)";
  if (failure.permission) text += "; the user may not use serial ports: " + std::string(kDialoutHint);
  return text;
}

Outcome SearchFailure(const SearchResult& result) {
  switch (result.status) {
    case SearchStatus::kFound: break;
    case SearchStatus::kNoAnswer:
      if (result.fixed_rate != 0) {
        return Failure(kExitNoAnswer, "no logger answered at " + std::to_string(result.fixed_rate) +
                                          " bit/s, the rate the raw TCP address is fixed to "
                                          "(only that rate can be tried)");
      }
      return Failure(kExitNoAnswer, "no logger answered at any of the nine baud rates");
    case SearchStatus::kCancelled:
      return Failure(kExitCancelled, "cancelled during the baud-rate search");
    case SearchStatus::kOpenFailed:
      return Failure(kExitPort, "cannot open the port");  // the caller has the particulars
  }
  return {};
}

Outcome ExchangeFailure(ExchangeStatus status, const std::string& where) {
  switch (status) {
    case ExchangeStatus::kTimeout:
      return Failure(kExitNoAnswer, "the logger did not answer (timed out) at " + where);
    case ExchangeStatus::kBadStart:
      return Failure(kExitNoAnswer, "the answer at " + where + " is not a parameter frame");
    case ExchangeStatus::kDisconnected:
      return Failure(kExitNoAnswer, "the device was disconnected at " + where);
    case ExchangeStatus::kCancelled:
      return Failure(kExitCancelled, "cancelled at " + where);
    case ExchangeStatus::kComplete:
      break;
  }
  return {};
}

std::string RejectionText(ReplyFault fault) {
  switch (fault) {
    case ReplyFault::kTooShort: return "invalid frame (too short)";
    case ReplyFault::kLength: return "frame length error";
    case ReplyFault::kStructure: return "frame structure error";
    case ReplyFault::kCrc: return "CRC error";
    case ReplyFault::kItems: return "frame error (the items do not fit the frame)";
    case ReplyFault::kNone: break;
  }
  return "rejected";
}

std::string BlockText(BlockRef block) {
  const std::string channel = std::to_string(block.channel + 1);
  switch (block.kind) {
    case BlockKind::kBase: return "base settings";
    case BlockKind::kArg1: return "set 1 of channel " + channel;
    case BlockKind::kArg2: return "set 2 of channel " + channel;
    case BlockKind::kCoef: return "coefficients of channel " + channel;
  }
  return {};
}

std::string BlockShortText(BlockRef block) {
  const std::string channel = std::to_string(block.channel + 1);
  switch (block.kind) {
    case BlockKind::kBase: return "base";
    case BlockKind::kArg1: return "set 1 " + channel;
    case BlockKind::kArg2: return "set 2 " + channel;
    case BlockKind::kCoef: return "coef " + channel;
  }
  return {};
}

std::string StepText(unsigned index, unsigned total, BlockRef block) {
  return "step " + std::to_string(index + 1) + " of " + std::to_string(total) + " (" +
         BlockText(block) + ")";
}

std::string VersionText(uint16_t fw_version) {
  if (fw_version == 0) return "none";
  return std::to_string(fw_version >> 8) + "." + std::to_string(fw_version & 0xFF);
}

std::string LinkRatesText() {
  std::string text;
  for (const ValueEntry& rate : kBaudRateList) text += (text.empty() ? "" : ", ") + std::string(rate.text);
  return text;
}

std::string LinkSetRatesText() {
  std::string rates;
  int first = 0;
  int last = 0;
  for (int k = 0; k < kBaudRateCount; ++k) {
    const uint8_t code = LinkSetBaudCode(kBaudRateList[k].code);
    if (code == 0) continue;
    if (first == 0) first = code;
    const bool final = k + 1 == kBaudRateCount || LinkSetBaudCode(kBaudRateList[k + 1].code) == 0;
    rates += (rates.empty() ? "" : final ? " or " : ", ") + std::string(kBaudRateList[k].text);
    last = code;
  }
  return rates + " (or the codes " + std::to_string(first) + " to " + std::to_string(last) + ")";
}

std::string LinkAddressesText() {
  return std::to_string(kMinLinkAddress) + " to " + std::to_string(kMaxLinkAddress);
}

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

std::string HistoryProblemText(const std::string& reason) {
  return "the history could not be kept (the read or write went on): " + reason;
}

}  // namespace travex::cli
