#include "params/field_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

#include "params/item_map.h"

namespace travex {
namespace {

FieldInfo Field(std::string_view name) {
  const std::optional<FieldInfo> f = FindField(name);
  EXPECT_TRUE(f.has_value()) << name;
  return f.value_or(FieldInfo{});
}

TEST(FieldTable, CoversEveryImageByteOnceAndAgreesWithTheItemMap) {
  const std::vector<FieldInfo> fields = ImageFields();
  ASSERT_EQ(kFieldCount, fields.size());
  std::vector<int> owners(kImageBytes, 0);
  std::set<std::string> names;
  for (const FieldInfo& f : fields) {
    for (size_t i = f.offset; i < size_t{f.offset} + f.width; ++i) ++owners.at(i);
    EXPECT_TRUE(names.insert(f.name).second) << f.name;
  }
  for (size_t i = 0; i < kImageBytes; ++i) ASSERT_EQ(1, owners[i]) << "image byte " << i;

  // Every field the protocol names is the table's field at that offset, of the same width.
  size_t items = 0;
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    if (!ItemNamesField(static_cast<uint16_t>(id))) continue;
    const ItemInfo item = DescribeItem(static_cast<uint16_t>(id));
    const auto f = std::find_if(fields.begin(), fields.end(),
                                [&](const FieldInfo& x) { return x.offset == item.image_offset; });
    ASSERT_NE(fields.end(), f) << "item " << id;
    EXPECT_EQ(item.width, f->width) << f->name;
    EXPECT_EQ(item.channel, f->channel == kNoChannel ? 0 : f->channel) << f->name;
    ++items;
  }
  EXPECT_EQ(kFieldCount - 1, items);  // all but `reserved`
}

TEST(FieldTable, NamesPlacesAndLabels) {
  const FieldInfo gear = Field("arg1[3].gears[2].text");
  EXPECT_EQ(20 + 168 * 3 + 24 + 16 * 2 + 4, gear.offset);
  EXPECT_EQ(12, gear.width);
  EXPECT_EQ(FieldKind::kText, gear.kind);
  EXPECT_EQ("通道4 遥调档位3 内容", FieldCaption(gear));
  EXPECT_EQ("通道32 遥调档位其他 数值", FieldCaption(Field("arg1[31].gears[8].value")));
  EXPECT_EQ("设备通信波特率", FieldCaption(Field("comm_baud")));
  EXPECT_EQ(6548 + 8 * 31 + 4, Field("coef[31].coef_b").offset);
  EXPECT_FALSE(FindField("arg1[32].alarm_value").has_value());
  EXPECT_FALSE(FindField("slave_addr").has_value());
}

TEST(FieldTable, TypedAccessIsLittleEndianAndCutToTheField) {
  ParamImage image{};
  SetFieldUnsigned(&image, Field("arg2[2].reg_start"), 70000);  // 70000 mod 65536
  EXPECT_EQ(4464, image.arg2[2].reg_start);
  SetFieldUnsigned(&image, Field("device_time"), 0xCAFEBABE);
  uint8_t bytes[4];
  GetFieldBytes(image, Field("device_time"), bytes);
  EXPECT_EQ((std::vector<uint8_t>{0xBE, 0xBA, 0xFE, 0xCA}), std::vector<uint8_t>(bytes, bytes + 4));
  const uint8_t one[4] = {0x00, 0x00, 0x80, 0x3F};
  SetFieldBytes(&image, Field("coef[0].coef_a"), one);
  EXPECT_EQ(1.0f, image.coef[0].coef_a);

  const FieldInfo text = Field("arg1[0].alarm_text");
  std::memcpy(image.arg1[0].alarm_text, "ABCDEFGH", 9);
  EXPECT_FALSE(SetFieldText(&image, text, "123456789"));
  EXPECT_EQ("ABCDEFGH", GetFieldText(image, text));
  image.arg1[0].alarm_text[2] = 0;  // as a panel leaves it: "AB", then old bytes
  EXPECT_EQ("AB", GetFieldText(image, text));
  EXPECT_TRUE(FieldHasHiddenBytes(image, text));
  EXPECT_TRUE(SetFieldText(&image, text, "XY"));
  EXPECT_FALSE(FieldHasHiddenBytes(image, text));
  EXPECT_EQ(0, std::memcmp(image.arg1[0].alarm_text, "XY\0\0\0\0\0\0\0", 9));
}

TEST(FieldTable, ValuesForPeople) {
  ParamImage image{};
  auto shown = [&](std::string_view name, uint32_t value) {
    SetFieldUnsigned(&image, Field(name), value);
    return FormatFieldValue(image, Field(name));
  };
  EXPECT_EQ("2 (偶校验)", shown("parity", 2));
  EXPECT_EQ("3 (not in the list)", shown("parity", 3));
  EXPECT_EQ("4 (04功能码)", shown("arg2[0].func_code", 4));
  EXPECT_EQ("6 (not in the list)", shown("arg2[0].func_code", 6));
  EXPECT_EQ("11 (浮点型小端)", shown("arg2[1].data_type", 11));
  EXPECT_EQ("5", shown("arg2[1].decimals", 5));
  EXPECT_EQ("9600", shown("comm_baud", 9600));
  EXPECT_EQ("1200 (not in the list)", shown("comm_baud", 1200));
  EXPECT_EQ("2024-02-29 00:00:00", shown("device_time", 1709164800));
  EXPECT_EQ("70", shown("lcd_on_time", 70));

  EXPECT_EQ("0.1", FormatFloat(0.1f));
  EXPECT_EQ("-0", FormatFloat(-0.0f));
  EXPECT_EQ("123456792", FormatFloat(123456789.0f));  // as short as 123456790, and exact
  EXPECT_EQ("-inf", FormatFloat(-std::numeric_limits<float>::infinity()));
  const uint8_t nan[4] = {0x01, 0x00, 0xC0, 0x7F};
  EXPECT_EQ("nan (0x7FC00001)", FormatFloat(GetF32(nan)));

  // Chinese as UTF-8; quote, backslash, a control byte and a byte that is not GBK escaped.
  std::memcpy(image.arg2[0].name, "\xCE\xC2\xB6\xC8\"\\\x01\xFF", 9);
  EXPECT_EQ(R"("温度\"\\\x01\xFF")", FormatFieldValue(image, Field("arg2[0].name")));
}

TEST(FieldTable, DeviceTimeTextIsStrict) {
  uint32_t s = 0;
  ASSERT_TRUE(ParseDeviceTime("2024-02-29 00:00:00", &s));
  EXPECT_EQ(1709164800u, s);
  ASSERT_TRUE(ParseDeviceTime("2106-02-06 06:28:15", &s));
  EXPECT_EQ(4294967295u, s);
  EXPECT_EQ("2106-02-06 06:28:15", FormatDeviceTime(s));
  for (const char* bad :
       {"2023-02-29 00:00:00", "2024-01-01 24:00:00", "1969-12-31 23:59:59", "2106-02-06 06:28:16",
        "2024-1-01 00:00:00", "2024-01-01T00:00:00", "2024-01-01 00:00:00 "}) {
    EXPECT_FALSE(ParseDeviceTime(bad, &s)) << bad;
  }
}

}  // namespace
}  // namespace travex
