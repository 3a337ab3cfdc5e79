// The progress message of a run's steps: the kind and channel of each block, and its text.
#include "app/dialog_texts.h"

#include <gtest/gtest.h>

namespace travex {
namespace {

using dialog_text::ProgressChannel;
using dialog_text::ProgressKind;
using dialog_text::ProgressText;

TEST(RunProgress, KindsChannelsAndTextsOfTheSteps) {
  EXPECT_EQ(ProgressKind(BulkRun::kRead, kBaseRef), 0);
  EXPECT_EQ(ProgressKind(BulkRun::kWrite, kBaseRef), 3);
  EXPECT_EQ(ProgressChannel(kBaseRef), 0);
  EXPECT_EQ(ProgressKind(BulkRun::kWrite, Arg1Ref(31)), 4);
  EXPECT_EQ(ProgressChannel(Arg1Ref(31)), 32);
  EXPECT_EQ(ProgressKind(BulkRun::kRead, Arg2Ref(0)), 2);
  // The coefficients belong to the set-2 group and report with its kinds.
  EXPECT_EQ(ProgressKind(BulkRun::kWrite, CoefRef(0)), 5);
  EXPECT_EQ(ProgressChannel(CoefRef(0)), 1);

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
