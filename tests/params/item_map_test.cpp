#include <gtest/gtest.h>

#include <cstring>

#include "params/item_map.h"

namespace travex {
namespace {

size_t Off(const ParamImage& image, const void* field) {
  return static_cast<size_t>(static_cast<const uint8_t*>(field) -
                             reinterpret_cast<const uint8_t*>(&image));
}

TEST(ItemMap, NamedExamples) {
  ParamImage im{};
  struct Case {
    uint16_t id;
    ItemKind kind;
    int channel;
    size_t width;
    const void* field;
  } cases[] = {
      {1, ItemKind::kU16, 0, 2, &im.base.rs485_poll_interval},
      {4, ItemKind::kU32, 0, 4, &im.base.comm_baud},
      {5, ItemKind::kU8, 0, 1, &im.base.parity},
      {8, ItemKind::kU32, 0, 4, &im.base.device_time},
      {1000, ItemKind::kF32, 0, 4, &im.arg1[0].alarm_value},
      {1002, ItemKind::kText, 0, 11, im.arg1[0].normal_text},
      {1020, ItemKind::kText, 0, 12, im.arg1[0].gears[8].text},
      {1021, ItemKind::kF32, 1, 4, &im.arg1[1].alarm_value},
      {1671, ItemKind::kText, 31, 12, im.arg1[31].gears[8].text},
      {2004, ItemKind::kU16, 0, 2, &im.arg2[0].reg_start},
      {2008, ItemKind::kText, 0, 7, im.arg2[0].unit},
      {2009, ItemKind::kU8, 1, 1, &im.arg2[1].slave_addr},
      {2287, ItemKind::kText, 31, 7, im.arg2[31].unit},
      {3001, ItemKind::kF32, 0, 4, &im.coef[0].coef_b},
      {3063, ItemKind::kF32, 31, 4, &im.coef[31].coef_b},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const ItemInfo info = DescribeItem(c.id);
    EXPECT_EQ(c.kind, info.kind);
    EXPECT_EQ(c.channel, info.channel);
    EXPECT_EQ(c.width, info.width);
    EXPECT_EQ(Off(im, c.field), info.image_offset);
    EXPECT_TRUE(ItemNamesField(c.id));
  }
  EXPECT_EQ(ItemKind::kFwVersion, DescribeItem(9).kind);
  EXPECT_FALSE(ItemNamesField(9));
  EXPECT_EQ(8u, ItemTextCapacity(1001));
  EXPECT_EQ(20u, ItemTextCapacity(2007));
  EXPECT_EQ(0u, ItemTextCapacity(2006));
  EXPECT_EQ(2u, ItemFixedBytes(2004));
  EXPECT_EQ(0u, ItemFixedBytes(2007));
}

TEST(ItemMap, IdsOutsideTheRunsNameNothing) {
  for (unsigned id = 0; id <= 0xFFFF; ++id) {
    const bool named = (id >= 1 && id <= 8) || (id >= 1000 && id <= 1671) ||
                       (id >= 2000 && id <= 2287) || (id >= 3000 && id <= 3063);
    ASSERT_EQ(named, ItemNamesField(static_cast<uint16_t>(id))) << id;
  }
  // 2288 would decode to a channel 32 that does not exist.
  EXPECT_EQ(ItemKind::kNone, DescribeItem(2288).kind);
  EXPECT_EQ(5u, ItemReplyValueBytes(2288, 5));
  EXPECT_EQ(3u, ItemReplyValueBytes(500, 3));
  EXPECT_EQ(2u, ItemReplyValueBytes(9, 7));
  EXPECT_EQ(0u, ItemReplyValueBytes(9, 0));
  EXPECT_EQ(4u, ItemReplyValueBytes(3000, 0));  // fixed width wins over L
  EXPECT_EQ(7u, ItemReplyValueBytes(2007, 7));
}

TEST(ItemMap, EveryFieldIsNamedByExactlyOneIdAndFieldsDoNotOverlap) {
  uint8_t owner[kImageBytes] = {};
  size_t covered = 0;
  for (unsigned id = 0; id <= 0xFFFF; ++id) {
    if (!ItemNamesField(static_cast<uint16_t>(id))) continue;
    const ItemInfo info = DescribeItem(static_cast<uint16_t>(id));
    ASSERT_LE(info.image_offset + info.width, kImageBytes);
    for (size_t i = 0; i < info.width; ++i) {
      ASSERT_EQ(0, owner[info.image_offset + i]) << "id " << id;
      owner[info.image_offset + i] = 1;
    }
    covered += info.width;
  }
  // Everything but the reserved byte of the base block.
  EXPECT_EQ(kImageBytes - 1, covered);
  EXPECT_EQ(0, owner[5]);
}

TEST(ItemMap, EncodeAndStoreValues) {
  ParamImage im{};
  im.base.comm_baud = 115200;
  im.arg2[3].reg_start = 0x1234;
  im.coef[0].coef_a = 1.0f;
  uint8_t out[kMaxItemValueBytes];
  ASSERT_EQ(4u, EncodeItemValue(im, 4, out));
  EXPECT_EQ(0, std::memcmp(out, "\x00\xC2\x01\x00", 4));
  ASSERT_EQ(2u, EncodeItemValue(im, 2000 + 27 + 4, out));
  EXPECT_EQ(0x34, out[0]);
  EXPECT_EQ(0x12, out[1]);
  ASSERT_EQ(4u, EncodeItemValue(im, 3000, out));
  EXPECT_EQ(0, std::memcmp(out, "\x00\x00\x80\x3F", 4));
  EXPECT_EQ(0u, EncodeItemValue(im, 9, out));
  EXPECT_EQ(0u, EncodeItemValue(im, 2288, out));
  EXPECT_EQ(0u, EncodeItemValue(im, 1001, out));  // empty text

  // Texts: stored with a NUL behind them, cut to the capacity, old bytes behind kept.
  std::memcpy(im.arg2[0].unit, "ABCDEF", 7);
  const uint8_t two[] = {'m', '3'};
  ASSERT_TRUE(StoreItemValue(&im, 2008, two, 2));
  EXPECT_EQ(0, std::memcmp(im.arg2[0].unit, "m3\0DEF\0", 7));
  const uint8_t long_text[] = "0123456789ABCDEFGHIJKLMN";
  ASSERT_TRUE(StoreItemValue(&im, 2008, long_text, 24));
  EXPECT_EQ(0, std::memcmp(im.arg2[0].unit, "012345\0", 7));
  EXPECT_EQ(6u, ItemValueLength(im, 2008));

  // A field holding no NUL is sent as at most its capacity.
  std::memset(im.arg1[0].alarm_text, 'X', sizeof im.arg1[0].alarm_text);
  EXPECT_EQ(8u, EncodeItemValue(im, 1001, out));
  EXPECT_EQ(8u, ItemValueLength(im, 1001));

  const uint8_t le[] = {0x78, 0x56, 0x34, 0x12};
  ASSERT_TRUE(StoreItemValue(&im, 8, le, 4));
  EXPECT_EQ(0x12345678u, im.base.device_time);
  EXPECT_FALSE(StoreItemValue(&im, 8, le, 3));  // too short: nothing changes
  EXPECT_EQ(0x12345678u, im.base.device_time);
  EXPECT_FALSE(StoreItemValue(&im, 9, le, 2));
  EXPECT_FALSE(StoreItemValue(&im, 2288, le, 4));
  ASSERT_TRUE(StoreItemValue(&im, 3063, le, 4));
  uint32_t bits = 0;
  std::memcpy(&bits, &im.coef[31].coef_b, 4);
  EXPECT_EQ(0x12345678u, bits);
}

}  // namespace
}  // namespace travex
