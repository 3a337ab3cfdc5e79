#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/panel_text.h"

namespace travex {
namespace {

TEST(ValueParse, FollowsTheDecimalGrammarOnly) {
  EXPECT_EQ(ParseDecimalDouble(" \t\n-1.5e2xyz"), -150.0);
  EXPECT_EQ(ParseDecimalDouble("+.5"), 0.5);
  EXPECT_EQ(ParseDecimalDouble("5."), 5.0);
  EXPECT_EQ(ParseDecimalDouble("1e"), 1.0);
  EXPECT_EQ(ParseDecimalDouble("1e+"), 1.0);
  EXPECT_EQ(ParseDecimalDouble("2E-1"), 0.2);
  EXPECT_EQ(ParseDecimalDouble("."), 0.0);
  EXPECT_EQ(ParseDecimalDouble("-"), 0.0);
  EXPECT_EQ(ParseDecimalDouble("+.e1"), 0.0);
  EXPECT_EQ(ParseDecimalDouble("0x10"), 0.0);
  EXPECT_EQ(ParseDecimalDouble("inf"), 0.0);
  EXPECT_EQ(ParseDecimalDouble("NaN"), 0.0);
  EXPECT_EQ(ParseDecimalDouble("1,5"), 1.0);  // no locale decimal comma
  EXPECT_EQ(ParseDecimalDouble(""), 0.0);
  EXPECT_EQ(ParseDecimalDouble("1e-400"), 0.0);
  EXPECT_TRUE(std::isinf(ParseDecimalDouble("1e400")));
  EXPECT_TRUE(std::isinf(ParseDecimalDouble("1" + std::string(400, '0'))));
  EXPECT_EQ(ParseDecimalDouble("0." + std::string(400, '0') + "1e400"), 0.1);
  EXPECT_EQ(ParseDecimalDouble("0e999999999999"), 0.0);
}

TEST(ValueParse, ReadsLongTextsWhole) {
  // Longer than twenty characters: the whole text counts.
  EXPECT_EQ(ParseValueText("0.00000000000000000001e21"), 10.0f);
  EXPECT_EQ(ParseValueText("                    42"), 42.0f);
}

TEST(ValueParse, RoundsToTheNearestFloat) {
  EXPECT_EQ(ParseValueText("12.3456789"), 12.3456789f);
  EXPECT_EQ(ParseValueText("3.4028235e38"), std::numeric_limits<float>::max());
  EXPECT_TRUE(std::isinf(ParseValueText("1e39")));
  EXPECT_TRUE(std::isinf(ParseValueText("-1e39")));
  EXPECT_LT(ParseValueText("-1e39"), 0.0f);
  EXPECT_EQ(ParseValueText("1e-50"), 0.0f);
}

TEST(ValueText, SixDigitsAfterThePoint) {
  EXPECT_EQ(FormatValueText(12.5f), "12.500000");
  EXPECT_EQ(FormatValueText(-0.25f), "-0.250000");
  EXPECT_EQ(FormatValueText(1e-7f), "0.000000");
  EXPECT_EQ(FormatValueText(std::numeric_limits<float>::max()),
            "340282346638528859811704183484516925440.000000");
  EXPECT_EQ(FormatValueText(std::numeric_limits<float>::infinity()), "inf");
}

TEST(TextField, CutsOnCharacterBoundariesAndStopsAtZero) {
  char field[9];
  std::fill(std::begin(field), std::end(field), 'X');
  StoreTextField(std::string("AB\0CD", 5), 8, field);
  EXPECT_EQ(std::string(field), "AB");
  EXPECT_EQ(field[3], 'X');
  // A lone lead byte at the very end of the text is kept as a single byte.
  StoreTextField("ABC\x81", 8, field);
  EXPECT_EQ(std::string(field), "ABC\x81");
  // A lead byte followed by a byte that cannot trail is a single byte too.
  StoreTextField("ABCDEFG\x81\x7F", 8, field);
  EXPECT_EQ(std::string(field), "ABCDEFG\x81");
  EXPECT_EQ(FieldString(field, 9), "ABCDEFG\x81");
}

}  // namespace
}  // namespace travex
