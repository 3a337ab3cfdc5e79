#include <gtest/gtest.h>

#include "frame_bytes.h"
#include "protocol/crc16.h"
#include "protocol/link_codec.h"

namespace travex {
namespace {

using testing::Bytes;
using testing::Hex;

Bytes LinkReply(uint8_t code, uint8_t address) {
  Bytes f = {0xFD, 0xFD, 0xFD, code, address, 0, 0};
  const uint16_t crc = Crc16(f.data(), 5);
  f[5] = static_cast<uint8_t>(crc);
  f[6] = static_cast<uint8_t>(crc >> 8);
  return f;
}

TEST(Crc16, ModbusValues) {
  EXPECT_EQ(0xFFFF, Crc16(nullptr, 0));
  const Bytes query_head = Hex("FD FD FD 00 00");
  EXPECT_EQ(0x88E9, Crc16(query_head.data(), query_head.size()));
  const Bytes check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(0x4B37, Crc16(check.data(), check.size()));  // the CRC-16/MODBUS check value
  // A frame followed by its CRC (low byte first) gives 0.
  Bytes frame = Hex("01 03 00 00 00 0A");
  const uint16_t crc = Crc16(frame.data(), frame.size());
  EXPECT_EQ(0xCDC5, crc);
  frame.push_back(static_cast<uint8_t>(crc));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  EXPECT_EQ(0, Crc16(frame.data(), frame.size()));
}

TEST(LinkCodec, BuildsTheThreeRequests) {
  const CLinkCodec codec;
  uint8_t out[7];
  ASSERT_EQ(7u, codec.BuildQuery(out));
  EXPECT_EQ(Hex("FD FD FD 00 00 E9 88"), Bytes(out, out + 7));
  ASSERT_EQ(7u, codec.BuildSetAddress(out, 5));
  EXPECT_EQ(LinkReply(0, 5), Bytes(out, out + 7));
  ASSERT_EQ(7u, codec.BuildSetBaud(out, 3));
  EXPECT_EQ(LinkReply(3, 0), Bytes(out, out + 7));
  EXPECT_EQ(0u, codec.GetBaud());
  EXPECT_EQ(0, codec.GetAddress());
}

TEST(LinkCodec, ChecksReplies) {
  CLinkCodec codec;
  const Bytes good = LinkReply(8, 1);
  ASSERT_TRUE(codec.CheckReply(good.data(), good.size()));
  EXPECT_EQ(57600u, codec.GetBaud());
  EXPECT_EQ(1, codec.GetAddress());

  Bytes bad_start = {0xFD, 0xFE, 0xFD, 3, 9, 0, 0};
  const uint16_t crc = Crc16(bad_start.data(), 5);
  bad_start[5] = static_cast<uint8_t>(crc);
  bad_start[6] = static_cast<uint8_t>(crc >> 8);
  Bytes swapped = LinkReply(3, 9);
  std::swap(swapped[5], swapped[6]);
  Bytes trailing = LinkReply(3, 9);
  trailing.push_back(0);
  const Bytes rejected[] = {LinkReply(0, 9), LinkReply(10, 9), bad_start, swapped, trailing,
                            Bytes(good.begin(), good.begin() + 4)};
  for (const Bytes& r : rejected) {
    EXPECT_FALSE(codec.CheckReply(r.data(), r.size()));
    EXPECT_EQ(57600u, codec.GetBaud());
    EXPECT_EQ(1, codec.GetAddress());
  }
}

}  // namespace
}  // namespace travex
