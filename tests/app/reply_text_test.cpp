// Pane 3 of a complete answer: the parser's outcome in the dialog's words.
#include <gtest/gtest.h>

#include "app/dialog_texts.h"

namespace travex {
namespace {

using dialog_text::ReplyText;

TEST(ReplyText, AcceptedAnswersAndEachFault) {
  EXPECT_EQ(ReplyText({true, ReplyFault::kNone}, false), "读取成功");
  EXPECT_EQ(ReplyText({true, ReplyFault::kNone}, true), "写入成功");
  EXPECT_EQ(ReplyText({false, ReplyFault::kTooShort}, false), "无效帧");
  EXPECT_EQ(ReplyText({false, ReplyFault::kLength}, true), "帧长度错误");
  EXPECT_EQ(ReplyText({false, ReplyFault::kStructure}, false), "帧结构错误");
  // A CRC mismatch and items that do not fit are one text.
  EXPECT_EQ(ReplyText({false, ReplyFault::kCrc}, true), "帧错误");
  EXPECT_EQ(ReplyText({false, ReplyFault::kItems}, false), "帧错误");
}

}  // namespace
}  // namespace travex
