#include "params/gbk.h"

#include <gtest/gtest.h>

#include <random>

namespace travex {
namespace {

TEST(Gbk, AnyBytesSurviveTheWayThroughUnicodeAndBack) {
  // Chinese, stray lead bytes, a lead byte with an invalid trail, a lone 0xFF.
  const std::string samples[] = {"\xD5\xFD\xB3\xA3", "AB\x81", "\x81\x20X", "\xFF\xFE\xFF", "\x80"};
  for (const std::string& s : samples) EXPECT_EQ(Utf8ToGbk(GbkToUtf8(s)), s);
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(1 + random() % 20, '\0');
    for (char& c : bytes) c = static_cast<char>(1 + random() % 255);
    ASSERT_EQ(Utf8ToGbk(GbkToUtf8(bytes)), bytes);
  }
  EXPECT_TRUE(IsCleanGbk("\xD5\xFD\xB3\xA3 ok"));
  EXPECT_FALSE(IsCleanGbk("ok\xFF"));
}

TEST(Gbk, TypedCharactersGbkCannotHoldBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToGbk("正常"), "\xD5\xFD\xB3\xA3");
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80z"), "a?z");  // an emoji
  EXPECT_EQ(GbkToUtf8("\xD5\xFD\xB3\xA3"), "正常");
}

}  // namespace
}  // namespace travex
