#include "params/value_lists.h"

#include <gtest/gtest.h>

namespace travex {
namespace {

TEST(ValueLists, LinkCodesAreTheRatesPositionsBothWays) {
  const uint32_t rates[] = {2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
  for (uint8_t code = 1; code <= 9; ++code) {
    EXPECT_EQ(rates[code - 1], BaudOfLinkCode(code));
    EXPECT_EQ(code, LinkCodeOfBaud(rates[code - 1]));
  }
  EXPECT_EQ(0u, BaudOfLinkCode(0));
  EXPECT_EQ(0u, BaudOfLinkCode(10));
  EXPECT_EQ(0, LinkCodeOfBaud(1200));
  EXPECT_EQ(0, LinkCodeOfBaud(0));
}

// Every selector index stands for one code and every code for one index, with a text of its own.
TEST(ValueLists, EachListNamesEveryCodeOnceWithItsOwnText) {
  const ValueList lists[] = {kBaudRateList, kParityList, kFuncCodeList, kDecimalsList,
                             kDataTypeList};
  for (const ValueList list : lists) {
    for (size_t k = 0; k < list.size(); ++k) {
      SCOPED_TRACE(list[k].text);
      EXPECT_EQ(IndexOfCode(list, list[k].code), static_cast<int>(k));
      EXPECT_FALSE(list[k].text.empty());
      for (size_t j = 0; j < k; ++j) EXPECT_NE(list[j].text, list[k].text);
    }
  }
  EXPECT_EQ(IndexOfCode(kFuncCodeList, 0), -1);
}

}  // namespace
}  // namespace travex
