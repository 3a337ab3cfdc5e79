// Collection of a ParamResponse: what the bytes received so far for one request amount to.
// The waiting itself (event-driven, with the time-out) is the session's; this is the rule by
// which it decides, kept apart so that it can be tested byte by byte.
#pragma once

#include <chrono>
#include <cstdint>

namespace travex {

// No complete answer within this time after the request was sent ends the collection.
inline constexpr std::chrono::milliseconds kReplyTimeout{3000};

enum class CollectState : uint8_t {
  kIncomplete,  // nothing yet, or fewer bytes than the length field announces
  kComplete,    // the announced length is in: hand `length` bytes to the parser
  kBadStart,    // the first byte is not 0xAA and no complete frame is in: collection ends
};

struct CollectCheck {
  CollectState state = CollectState::kIncomplete;
  uint16_t length = 0;  // the frame length field, for kComplete
};

// reply holds rx_len bytes collected for the current request (at most the 512-byte buffer).
// The length field is only looked at once it has arrived. A frame whose first byte is wrong
// is still handed over when its announced length is in (the parser then rejects it).
CollectCheck CheckCollected(const uint8_t* reply, uint16_t rx_len);

}  // namespace travex
