#include <gtest/gtest.h>

#include <cstring>

#include "frame_bytes.h"
#include "params/block_table.h"
#include "protocol/param_frames.h"

namespace travex {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::RequestBytes;

TEST(RequestBuilder, ReadRequestsOfTheExamples) {
  const ParamImage image{};
  EXPECT_EQ(Hex("55 1C 00 00 00 01 09 00 01 00 02 00 03 00 04 00 05 00 06 00 07 00 08 00 09 00 6E B8"),
            RequestBytes(image, BlockItems(kBaseRef, false), false));
  EXPECT_EQ(Hex("55 1C 00 00 00 01 09 00 D9 07 DA 07 DB 07 DC 07 DD 07 DE 07 DF 07 E0 07 E1 07 64 32"),
            RequestBytes(image, BlockItems(Arg2Ref(1), false), false));

  const Bytes arg1 = RequestBytes(image, BlockItems(Arg1Ref(31), false), false);
  ASSERT_EQ(52u, arg1.size());
  EXPECT_EQ(1000 + 21 * 31, arg1[8] | (arg1[9] << 8));
  EXPECT_EQ(14u, RequestBytes(image, BlockItems(CoefRef(0), false), false).size());
}

TEST(RequestBuilder, CoefficientWriteOfChannel0) {
  ParamImage image{};
  image.coef[0].coef_a = 1.0f;
  image.coef[0].coef_b = 0.0f;
  EXPECT_EQ(Hex("55 18 00 00 00 02 02 00 B8 0B 04 00 00 80 3F B9 0B 04 00 00 00 00 89 CB"),
            RequestBytes(image, BlockItems(CoefRef(0), true), true));
}

TEST(RequestBuilder, WriteItemsCarryTheirValues) {
  ParamImage image{};
  image.base.rs485_poll_interval = 0x0201;
  image.base.comm_baud = 9600;
  image.base.parity = 1;
  image.base.device_time = 0x01020304;
  Bytes f = RequestBytes(image, BlockItems(kBaseRef, true), true);
  ASSERT_EQ(53u, f.size());
  EXPECT_EQ(Hex("55 35 00 00 00 02 08 00"
                "01 00 02 01 02  02 00 02 00 00  03 00 02 00 00  04 00 04 80 25 00 00"
                "05 00 01 01 06 00 02 00 00 07 00 02 00 00 08 00 04 04 03 02 01"),
            Bytes(f.begin(), f.end() - 2));
  // The clock alone.
  f = RequestBytes(image, kClockItem, true);
  EXPECT_EQ(Hex("08 00 04 04 03 02 01"), Bytes(f.begin() + 8, f.end() - 2));

  // Channel 0 of set 1: empty alarm text (L = 0, next item follows at once), a full one.
  std::memcpy(image.arg1[0].normal_text, "0123456789", 11);
  std::memcpy(image.arg1[0].gears[8].text, "gear", 5);
  f = RequestBytes(image, BlockItems(Arg1Ref(0), true), true);
  ASSERT_EQ(113u + 10 + 4, f.size());
  EXPECT_EQ(Hex("E8 03 04 00 00 00 00 E9 03 00 EA 03 0A"), Bytes(f.begin() + 8, f.begin() + 21));
  EXPECT_EQ(Bytes({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0xEB, 0x03, 4}),
            Bytes(f.begin() + 21, f.begin() + 34));
  EXPECT_EQ(Hex("FC 03 04 67 65 61 72"), Bytes(f.end() - 9, f.end() - 2));

  std::memcpy(image.arg2[31].name, "01234567890123456789", 21);
  EXPECT_EQ(45u + 20, RequestBytes(image, BlockItems(Arg2Ref(31), true), true).size());
}

TEST(RequestBuilder, IdsWithoutAFieldAndTextsWithoutANul) {
  ParamImage image{};
  // 9 and 2288 name no field in a write: id, L = 0, nothing else.
  Bytes f = RequestBytes(image, {8, 2}, true);
  EXPECT_EQ(Hex("08 00 04 00 00 00 00 09 00 00"), Bytes(f.begin() + 8, f.end() - 2));
  f = RequestBytes(image, {2287, 3}, true);
  EXPECT_EQ(Hex("EF 08 00 F0 08 00 F1 08 00"), Bytes(f.begin() + 8, f.end() - 2));

  // A field that holds no NUL goes out as its capacity, nothing of the next field.
  std::memset(image.arg2[0].unit, 'U', sizeof image.arg2[0].unit);
  image.arg2[1].slave_addr = 'N';
  f = RequestBytes(image, {2008, 1}, true);
  EXPECT_EQ(Hex("D8 07 06 55 55 55 55 55 55"), Bytes(f.begin() + 8, f.end() - 2));
}

TEST(RequestBuilder, LengthFieldAndCrcMatchEveryShape) {
  ParamImage image{};
  for (int c = 0; c < kChannelCount; ++c) {
    std::memset(image.arg1[c].alarm_text, 'a', 8);
    std::memset(image.arg1[c].normal_text, 'b', 10);
    for (auto& g : image.arg1[c].gears) std::memset(g.text, 'g', 11);
    std::memset(image.arg2[c].name, 'n', 20);
    std::memset(image.arg2[c].unit, 'u', 6);
  }
  for (unsigned step = 0; step < kBlockCount; ++step) {
    for (const bool write : {false, true}) {
      const Bytes f = RequestBytes(image, BlockItems(BlockOfStep(step), write), write);
      ASSERT_GE(f.size(), 10u) << step;
      EXPECT_EQ(f.size(), size_t(f[1] | (f[2] << 8))) << step;
      EXPECT_EQ(0, Crc16(f.data(), f.size())) << step;
    }
  }
  EXPECT_EQ(230u, RequestBytes(image, BlockItems(Arg1Ref(5), true), true).size());
  EXPECT_EQ(71u, RequestBytes(image, BlockItems(Arg2Ref(5), true), true).size());
  EXPECT_EQ(24u, RequestBytes(image, BlockItems(CoefRef(5), true), true).size());
}

TEST(RequestBuilder, RequestTooLargeForTheBufferIsNotBuilt) {
  ParamImage image{};
  // The builder writes into the buffer's 512 bytes and nothing behind them.
  uint8_t frame[kFrameBufferSize + 16];
  std::memset(frame, 0xEE, sizeof frame);
  // 255 ids are 520 bytes as a read request; 251 just fill the buffer.
  EXPECT_EQ(0, BuildParamRequest(image, {1, 255}, false, frame));
  EXPECT_EQ(512, BuildParamRequest(image, {1, 251}, false, frame));
  for (int c = 0; c < kChannelCount; ++c) std::memset(image.arg1[c].alarm_text, 'a', 8);
  // 15 channels of set 1 with full alarm texts no longer fit.
  EXPECT_EQ(0, BuildParamRequest(image, {1000, 255}, true, frame));
  for (size_t i = kFrameBufferSize; i < sizeof frame; ++i) ASSERT_EQ(0xEE, frame[i]);
}

}  // namespace
}  // namespace travex
