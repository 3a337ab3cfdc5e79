// The block table: the items of every block, the run's step numbering both ways, and the
// blocks of item ids.
#include "params/block_table.h"

#include <gtest/gtest.h>

namespace travex {
namespace {

TEST(BlockTable, ItemsStepsAndBlocksAgree) {
  EXPECT_EQ(BlockItems(kBaseRef, false).count, 9);  // with the firmware version
  EXPECT_EQ(BlockItems(kBaseRef, true).count, 8);
  EXPECT_EQ(BlockItems(Arg1Ref(31), true).first_id, 1000 + 21 * 31);
  EXPECT_EQ(BlockItems(Arg1Ref(0), false).count, 21);
  EXPECT_EQ(BlockItems(Arg2Ref(31), false).first_id, 2000 + 9 * 31);
  EXPECT_EQ(BlockItems(Arg2Ref(0), false).count, 9);
  EXPECT_EQ(BlockItems(CoefRef(31), false).first_id, 3062);
  EXPECT_EQ(BlockItems(CoefRef(0), false).count, 2);

  EXPECT_EQ(RunStepCount(0), 65u);
  EXPECT_EQ(RunStepCount(0x0102), 97u);
  for (unsigned step = 0; step < kBlockCount; ++step) {
    const BlockRef block = BlockOfStep(step);
    EXPECT_EQ(StepOfBlock(block), step);
    const ItemRange items = BlockItems(block, true);
    BlockRef owner;
    ASSERT_TRUE(BlockOfItem(items.first_id, &owner)) << step;
    EXPECT_EQ(owner, block);
    ASSERT_TRUE(BlockOfItem(static_cast<uint16_t>(items.first_id + items.count - 1), &owner));
    EXPECT_EQ(owner, block);
  }
  EXPECT_EQ(StepOfBlock(Arg1Ref(0)), 1u);
  EXPECT_EQ(StepOfBlock(Arg2Ref(0)), 33u);
  EXPECT_EQ(StepOfBlock(CoefRef(31)), 96u);
  BlockRef none;
  EXPECT_FALSE(BlockOfItem(0, &none));
  EXPECT_FALSE(BlockOfItem(1672, &none));
  EXPECT_FALSE(BlockOfItem(3064, &none));
}

}  // namespace
}  // namespace travex
