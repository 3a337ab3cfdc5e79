// The steps of read-all and write-all on their own: the step table and the progress texts.
#include <gtest/gtest.h>

#include <string>

#include "params/param_store.h"
#include "protocol/bulk_transfer.h"

namespace travex {
namespace {

TEST(BulkStepTable, BlocksIdsKindsAndChannels) {
  const BulkStep base = DescribeBulkStep(BulkRun::kRead, 0, 0);
  EXPECT_TRUE(base.base);
  EXPECT_EQ(base.kind, kProgressReadBase);
  EXPECT_EQ(DescribeBulkStep(BulkRun::kWrite, 0, 0).kind, kProgressWriteBase);

  const BulkStep first_arg1 = DescribeBulkStep(BulkRun::kRead, 1, 0);
  EXPECT_EQ(first_arg1.first_id, 1000);
  EXPECT_EQ(first_arg1.count, 21);
  EXPECT_EQ(first_arg1.channel, 1);
  const BulkStep last_arg1 = DescribeBulkStep(BulkRun::kWrite, 32, 0);
  EXPECT_EQ(last_arg1.first_id, 1000 + 21 * 31);
  EXPECT_EQ(last_arg1.kind, kProgressWriteArg1);
  EXPECT_EQ(last_arg1.channel, 32);

  const BulkStep first_arg2 = DescribeBulkStep(BulkRun::kRead, 33, 0);
  EXPECT_EQ(first_arg2.first_id, 2000);
  EXPECT_EQ(first_arg2.count, 9);
  EXPECT_EQ(first_arg2.channel, 1);
  EXPECT_EQ(DescribeBulkStep(BulkRun::kRead, 64, 0).first_id, 2000 + 9 * 31);

  EXPECT_TRUE(DescribeBulkStep(BulkRun::kRead, 65, 0).ends_run);
  const BulkStep coef = DescribeBulkStep(BulkRun::kWrite, 65, 0x0102);
  EXPECT_FALSE(coef.ends_run);
  EXPECT_EQ(coef.first_id, 3000);
  EXPECT_EQ(coef.count, 2);
  EXPECT_EQ(coef.kind, kProgressWriteArg2);
  EXPECT_EQ(coef.channel, 1);
  const BulkStep last = DescribeBulkStep(BulkRun::kRead, 96, 0x0102);
  EXPECT_EQ(last.first_id, 3062);
  EXPECT_EQ(last.channel, 32);
}

TEST(BulkProgress, TextsOfEveryKind) {
  EXPECT_EQ(ProgressText(0, 0), "读取基础参数");
  EXPECT_EQ(ProgressText(1, 7), "读取参数1通道:7");
  EXPECT_EQ(ProgressText(2, 32), "读取参数2通道:32");
  EXPECT_EQ(ProgressText(3, 0), "写入基础参数");
  EXPECT_EQ(ProgressText(4, 1), "写入参数1通道:1");
  EXPECT_EQ(ProgressText(5, -3), "写入参数2通道:-3");
  EXPECT_EQ(ProgressText(6, 1), "");
  EXPECT_EQ(ProgressText(-1, 1), "");
}

}  // namespace
}  // namespace travex
