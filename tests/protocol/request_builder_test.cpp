#include <gtest/gtest.h>

#include <cstring>

#include "frame_bytes.h"
#include "params/param_store.h"

namespace travex {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::RequestBytes;

TEST(RequestBuilder, ReadRequestsOfTheExamples) {
  CParamStore store;
  store.last_request_was_write = true;
  uint16_t n = store.ReadBaseRequest();
  EXPECT_EQ(Hex("55 1C 00 00 00 01 09 00 01 00 02 00 03 00 04 00 05 00 06 00 07 00 08 00 09 00 6E B8"),
            RequestBytes(store, n));
  EXPECT_FALSE(store.last_request_was_write);

  store.arg2_channel = 1;
  n = store.ReadArg2Request();
  EXPECT_EQ(Hex("55 1C 00 00 00 01 09 00 D9 07 DA 07 DB 07 DC 07 DD 07 DE 07 DF 07 E0 07 E1 07 64 32"),
            RequestBytes(store, n));

  store.arg1_channel = 31;
  n = store.ReadArg1Request();
  ASSERT_EQ(52, n);
  EXPECT_EQ(1000 + 21 * 31, store.request[8] | (store.request[9] << 8));
  EXPECT_EQ(14, store.BuildReadRequest(3000, 2));
}

TEST(RequestBuilder, CoefficientWriteOfChannel0) {
  CParamStore store;
  store.image.coef[0].coef_a = 1.0f;
  store.image.coef[0].coef_b = 0.0f;
  const uint16_t n = store.BuildWriteRequest(3000, 2);
  EXPECT_EQ(Hex("55 18 00 00 00 02 02 00 B8 0B 04 00 00 80 3F B9 0B 04 00 00 00 00 89 CB"),
            RequestBytes(store, n));
  EXPECT_TRUE(store.last_request_was_write);
}

TEST(RequestBuilder, WriteItemsCarryTheirValues) {
  CParamStore store;
  store.image.base.rs485_poll_interval = 0x0201;
  store.image.base.comm_baud = 9600;
  store.image.base.parity = 1;
  store.image.base.device_time = 0x01020304;
  uint16_t n = store.WriteBaseRequest();
  ASSERT_EQ(53, n);
  EXPECT_EQ(Hex("55 35 00 00 00 02 08 00"
                "01 00 02 01 02  02 00 02 00 00  03 00 02 00 00  04 00 04 80 25 00 00"
                "05 00 01 01 06 00 02 00 00 07 00 02 00 00 08 00 04 04 03 02 01"),
            Bytes(store.request, store.request + n - 2));

  // Channel 0 of set 1: empty alarm text (L = 0, next item follows at once), a full one.
  std::memcpy(store.image.arg1[0].normal_text, "0123456789", 11);
  std::memcpy(store.image.arg1[0].gears[8].text, "gear", 5);
  store.arg1_channel = 0;
  n = store.WriteArg1Request();
  ASSERT_EQ(113 + 10 + 4, n);
  EXPECT_EQ(Hex("E8 03 04 00 00 00 00 E9 03 00 EA 03 0A"), Bytes(store.request + 8, store.request + 21));
  EXPECT_EQ(Bytes({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0xEB, 0x03, 4}),
            Bytes(store.request + 21, store.request + 34));
  EXPECT_EQ(Hex("FC 03 04 67 65 61 72"), Bytes(store.request + n - 9, store.request + n - 2));

  store.arg2_channel = 31;
  std::memcpy(store.image.arg2[31].name, "01234567890123456789", 21);
  n = store.WriteArg2Request();
  EXPECT_EQ(45 + 20, n);
}

TEST(RequestBuilder, IdsWithoutAFieldAndTextsWithoutANul) {
  CParamStore store;
  // 9 and 2288 name no field in a write: id, L = 0, nothing else.
  uint16_t n = store.BuildWriteRequest(8, 2);
  EXPECT_EQ(Hex("08 00 04 00 00 00 00 09 00 00"), Bytes(store.request + 8, store.request + n - 2));
  n = store.BuildWriteRequest(2287, 3);
  EXPECT_EQ(Hex("EF 08 00 F0 08 00 F1 08 00"), Bytes(store.request + 8, store.request + n - 2));

  // A field that holds no NUL goes out as its capacity, nothing of the next field.
  std::memset(store.image.arg2[0].unit, 'U', sizeof store.image.arg2[0].unit);
  store.image.arg2[1].slave_addr = 'N';
  n = store.BuildWriteRequest(2008, 1);
  EXPECT_EQ(Hex("D8 07 06 55 55 55 55 55 55"), Bytes(store.request + 8, store.request + n - 2));
}

TEST(RequestBuilder, LengthFieldAndCrcMatchEveryShape) {
  CParamStore store;
  for (int c = 0; c < kChannelCount; ++c) {
    std::memset(store.image.arg1[c].alarm_text, 'a', 8);
    std::memset(store.image.arg1[c].normal_text, 'b', 10);
    for (auto& g : store.image.arg1[c].gears) std::memset(g.text, 'g', 11);
    std::memset(store.image.arg2[c].name, 'n', 20);
    std::memset(store.image.arg2[c].unit, 'u', 6);
  }
  for (int c = 0; c < kChannelCount; ++c) {
    const uint16_t lengths[] = {
        store.BuildWriteRequest(static_cast<uint16_t>(1000 + 21 * c), 21),
        store.BuildWriteRequest(static_cast<uint16_t>(2000 + 9 * c), 9),
        store.BuildWriteRequest(static_cast<uint16_t>(3000 + 2 * c), 2),
        store.BuildReadRequest(static_cast<uint16_t>(1000 + 21 * c), 21)};
    EXPECT_EQ(230, lengths[0]);
    EXPECT_EQ(71, lengths[1]);
    EXPECT_EQ(24, lengths[2]);
    EXPECT_EQ(52, lengths[3]);
  }
  const uint16_t n = store.BuildWriteRequest(2000, 9);
  EXPECT_EQ(n, store.request[1] | (store.request[2] << 8));
  EXPECT_EQ(0, Crc16(store.request, n));
}

TEST(RequestBuilder, RequestTooLargeForTheBufferIsNotBuilt) {
  CParamStore store;
  const uint16_t n = store.ReadBaseRequest();
  const Bytes before = RequestBytes(store, n);
  // 255 ids are 520 bytes as a read request.
  EXPECT_EQ(0, store.BuildReadRequest(1, 255));
  EXPECT_EQ(before, RequestBytes(store, n));
  EXPECT_FALSE(store.last_request_was_write);
  EXPECT_EQ(512, store.BuildReadRequest(1, 251));
  for (int c = 0; c < kChannelCount; ++c) std::memset(store.image.arg1[c].alarm_text, 'a', 8);
  // 15 channels of set 1 with full alarm texts no longer fit.
  EXPECT_EQ(0, store.BuildWriteRequest(1000, 255));
  EXPECT_FALSE(store.last_request_was_write);
}

}  // namespace
}  // namespace travex
