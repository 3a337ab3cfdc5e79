#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "frame_bytes.h"
#include "fuzz/reply_harness.h"
#include "params/block_table.h"
#include "params/item_map.h"
#include "params/param_store.h"
#include "support/image_compare.h"

namespace travex {
namespace {

using testing::Bytes;

void FillRandom(ParamImage* image, std::mt19937& rng, bool terminate_texts) {
  auto* bytes = reinterpret_cast<uint8_t*>(image);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> coin(0, 3);
  for (size_t i = 0; i < sizeof *image; ++i) {
    // Texts get NULs at random places (often early), other bytes are arbitrary.
    bytes[i] = static_cast<uint8_t>(coin(rng) == 0 ? 0 : byte(rng));
  }
  if (!terminate_texts) return;
  for (unsigned id = 1000; id < 3064; ++id) {
    const ItemInfo info = DescribeItem(static_cast<uint16_t>(id));
    if (info.kind == ItemKind::kText) bytes[info.image_offset + info.width - 1] = 0;
  }
}

// Turns the write request of `block` from `from` into the matching read answer for `to`.
bool AnswerWith(const ParamImage& from, BlockRef block, CParamStore* to) {
  Bytes frame = testing::RequestBytes(from, BlockItems(block, true), true);
  if (frame.empty()) return false;
  frame[0] = 0xAA;
  frame[5] = 1;
  testing::FixFrame(frame);
  return testing::ParseInto(*to, frame, false, static_cast<uint16_t>(frame.size())).accepted;
}

TEST(RandomFrames, WriteRequestsReadBackAsTheSameValues) {
  std::mt19937 rng(20240305);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    auto sender = std::make_unique<ParamImage>();
    auto receiver = std::make_unique<CParamStore>();
    // Every other round the sender's texts may lack their NUL, as after a file import.
    FillRandom(sender.get(), rng, round % 2 == 0);
    for (unsigned step = 0; step < kBlockCount; ++step) {
      ASSERT_TRUE(AnswerWith(*sender, BlockOfStep(step), receiver.get())) << step;
    }
    EXPECT_EQ(testing::FieldDifferences(*sender, receiver->image), std::vector<std::string>());
    std::string why;
    EXPECT_TRUE(fuzzing::TextsTerminated(receiver->image, &why)) << why;
  }
}

TEST(RandomFrames, ArbitraryRepliesKeepTheStoreSound) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> size(0, 700);
  std::vector<uint8_t> input;
  int accepted_count = 0;
  for (int round = 0; round < 3000; ++round) {
    input.resize(static_cast<size_t>(size(rng)));
    for (auto& b : input) b = static_cast<uint8_t>(byte(rng));
    if (input.size() > 24 && round % 2 == 0) {
      // A well-formed frame (bit 2: start byte, length and CRC fixed up) around plausible
      // items: ids of all runs with small lengths, so the item walk gets far.
      input[0] = static_cast<uint8_t>(input[0] | 4);
      const size_t frame_start = (input[0] & 2) != 0 ? 2 : 4;
      const size_t first = frame_start + 8;
      unsigned count = 0;
      size_t p = first;
      while (p + 3 + 2 < input.size()) {
        const auto id = static_cast<uint16_t>(std::uniform_int_distribution<int>(0, 3100)(rng));
        input[p] = static_cast<uint8_t>(id);
        input[p + 1] = static_cast<uint8_t>(id >> 8);
        input[p + 2] = static_cast<uint8_t>(input[p + 2] % 24);
        p += 3 + ItemReplyValueBytes(id, input[p + 2]);
        ++count;
      }
      // Mostly the right count, sometimes one too many (items would run into the CRC).
      count += (round % 8 == 0) ? 1 : 0;
      input[frame_start + 6] = static_cast<uint8_t>(count);
      input[frame_start + 7] = static_cast<uint8_t>(count >> 8);
      input[frame_start + 3] = 0;
      input[frame_start + 5] = static_cast<uint8_t>((input[0] & 1) != 0 ? 2 : 1);
    }
    std::string why;
    bool accepted = false;
    ASSERT_TRUE(fuzzing::RunReplyCase(input.data(), input.size(), &why, &accepted))
        << "round " << round << ": " << why;
    accepted_count += accepted ? 1 : 0;
  }
  // The generator reaches the item walk and the stores often, not only the early checks.
  EXPECT_GT(accepted_count, 300);
}

}  // namespace
}  // namespace travex
