#include "protocol/reply_collector.h"

#include <gtest/gtest.h>

#include <cstring>

#include "frame_bytes.h"

namespace travex {
namespace {

using testing::Bytes;
using testing::Hex;

const Bytes kCoefAnswer = Hex("AA 18 00 00 00 01 02 00 B8 0B 04 00 00 80 3F B9 0B 04 00 00 00 00 39 30");

CollectCheck Check(const Bytes& received, size_t count) {
  uint8_t reply[512] = {};
  // What an earlier answer may have left in the buffer: a small length at offsets 1 and 2.
  reply[1] = 1;
  std::memcpy(reply, received.data(), count);
  return CheckCollected(reply, static_cast<uint16_t>(count));
}

TEST(ReplyCollection, CompleteOnlyOnceTheAnnouncedLengthIsIn) {
  EXPECT_EQ(Check(kCoefAnswer, 0).state, CollectState::kIncomplete);
  // Stale length bytes are not used before the length field has arrived.
  EXPECT_EQ(Check(kCoefAnswer, 1).state, CollectState::kIncomplete);
  EXPECT_EQ(Check(kCoefAnswer, 2).state, CollectState::kIncomplete);
  EXPECT_EQ(Check(kCoefAnswer, 23).state, CollectState::kIncomplete);
  const CollectCheck whole = Check(kCoefAnswer, 24);
  EXPECT_EQ(whole.state, CollectState::kComplete);
  EXPECT_EQ(whole.length, 24);
  // A length below 9 that is reached goes to the parser (which refuses it); one above the
  // buffer is never reached.
  EXPECT_EQ(Check(Hex("AA 05 00 00 00"), 5).length, 5);
  EXPECT_EQ(Check(Hex("AA 58 02 00"), 4).state, CollectState::kIncomplete);
}

TEST(ReplyCollection, AWrongFirstByteEndsItUnlessTheFrameIsWhole) {
  EXPECT_EQ(Check(Hex("55"), 1).state, CollectState::kBadStart);
  EXPECT_EQ(Check(Hex("55 18 00"), 3).state, CollectState::kBadStart);
  Bytes wrong = kCoefAnswer;
  wrong[0] = 0xAB;
  EXPECT_EQ(Check(wrong, wrong.size()).state, CollectState::kComplete);
}

}  // namespace
}  // namespace travex
