#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "params/param_image.h"
#include "params/param_store.h"

namespace travex {
namespace {

TEST(ParamImage, FreshStoreHoldsTheDefaultBytes) {
  CParamStore store;
  uint8_t bytes[kImageBytes];
  std::memset(bytes, 0xEE, sizeof bytes);
  EncodeImage(store.image, bytes);
  const uint8_t base[kBaseInfoBytes] = {0x60, 0x09, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(bytes, base, sizeof base));
  for (size_t i = kBaseInfoBytes; i < kImageBytes; ++i) ASSERT_EQ(0, bytes[i]) << "offset " << i;
}

TEST(ParamImage, FieldsLandAtTheirOffsetsLittleEndian) {
  ParamImage image{};
  image.base.comm_baud = 0x11223344;
  image.base.parity = 2;
  image.base.reserved = 0xA5;
  image.base.rs485_poll_interval = 0x0102;
  image.base.lcd_on_time = 0xBEEF;
  image.base.device_time = 0xCAFEBABE;
  image.arg1[1].alarm_value = 1.0f;
  std::memcpy(image.arg1[1].alarm_text, "ALARM123", 9);
  image.arg1[31].gears[8].value = -2.5f;
  std::memcpy(image.arg1[31].gears[8].text, "0123456789A", 12);
  image.arg2[2].reg_start = 0x3456;
  std::memcpy(image.arg2[2].unit, "kPa", 4);
  image.coef[31].coef_b = 1.0f;

  std::vector<uint8_t> b(kImageBytes);
  EncodeImage(image, b.data());
  EXPECT_EQ((std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 2, 0xA5, 0x02, 0x01}),
            std::vector<uint8_t>(b.begin(), b.begin() + 8));
  EXPECT_EQ(0xEF, b[14]);
  EXPECT_EQ(0xBE, b[15]);
  EXPECT_EQ((std::vector<uint8_t>{0xBE, 0xBA, 0xFE, 0xCA}),
            std::vector<uint8_t>(b.begin() + 16, b.begin() + 20));
  // 1.0 is 00 00 80 3F; an 8-byte text is followed by its NUL in the field's last byte.
  const size_t arg1_ch1 = 20 + 168;
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0x80, 0x3F}),
            std::vector<uint8_t>(b.begin() + arg1_ch1, b.begin() + arg1_ch1 + 4));
  EXPECT_EQ(0, std::memcmp(&b[arg1_ch1 + 4], "ALARM123\0", 9));
  const size_t gear8 = 20 + 168 * 31 + 24 + 16 * 8;
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0x20, 0xC0}),
            std::vector<uint8_t>(b.begin() + gear8, b.begin() + gear8 + 4));
  EXPECT_EQ(0, std::memcmp(&b[gear8 + 4], "0123456789A\0", 12));
  const size_t arg2_ch2 = 5396 + 36 * 2;
  EXPECT_EQ(0x56, b[arg2_ch2 + 4]);
  EXPECT_EQ(0x34, b[arg2_ch2 + 5]);
  EXPECT_EQ(0, std::memcmp(&b[arg2_ch2 + 29], "kPa\0", 4));
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0x80, 0x3F}),
            std::vector<uint8_t>(b.end() - 4, b.end()));
}

TEST(ParamImage, DecodeIsTheInverseOfEncodeForEveryByte) {
  std::vector<uint8_t> bytes(kImageBytes);
  uint32_t x = 12345;
  for (auto& v : bytes) {
    x = x * 1103515245u + 12345u;
    v = static_cast<uint8_t>(x >> 16);
  }
  ParamImage image{};
  DecodeImage(bytes.data(), &image);
  std::vector<uint8_t> again(kImageBytes);
  EncodeImage(image, again.data());
  EXPECT_EQ(bytes, again);

  // The block functions agree with the whole-image ones.
  std::vector<uint8_t> coef(kCoefBytes);
  EncodeCoefArray(image.coef, coef.data());
  EXPECT_TRUE(std::equal(coef.begin(), coef.end(), bytes.end() - kCoefBytes));
}

}  // namespace
}  // namespace travex
