#include "protocol/reply_collector.h"

#include "params/param_image.h"
#include "protocol/frame_format.h"

namespace travex {

namespace {
constexpr uint16_t kLengthFieldEnd = 3;  // start byte and the two length bytes
}  // namespace

CollectCheck CheckCollected(const uint8_t* reply, uint16_t rx_len) {
  CollectCheck check;
  if (rx_len == 0) return check;
  if (rx_len >= kLengthFieldEnd) {
    const uint16_t frame_length = GetU16(reply + 1);
    if (rx_len >= frame_length) {
      check.state = CollectState::kComplete;
      check.length = frame_length;
      return check;
    }
  }
  if (reply[0] != kReplyStart) check.state = CollectState::kBadStart;
  return check;
}

}  // namespace travex
