#include <gtest/gtest.h>

#include <cstring>

#include "frame_bytes.h"
#include "params/param_store.h"
#include "protocol/param_frames.h"

namespace travex {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::ReadAnswer;

class ReplyParser : public ::testing::Test {
 protected:
  bool Read(const Bytes& frame) { return Parse(frame, false, static_cast<uint16_t>(frame.size())); }
  bool Write(const Bytes& frame) { return Parse(frame, true, static_cast<uint16_t>(frame.size())); }
  bool Parse(const Bytes& frame, bool write, uint16_t length) {
    const ReplyOutcome outcome = testing::ParseInto(store, frame, write, length);
    fault = outcome.fault;
    return outcome.accepted;
  }
  bool Unchanged() const {
    return std::memcmp(&store.image, &snapshot, sizeof snapshot) == 0 && store.fw_version == fw;
  }
  void Snapshot() {
    std::memcpy(&snapshot, &store.image, sizeof snapshot);
    fw = store.fw_version;
  }

  ReplyFault fault = ReplyFault::kNone;  // why the last answer was rejected
  CParamStore store;
  ParamImage snapshot{};
  uint16_t fw = 0;
};

TEST_F(ReplyParser, CoefficientReadAnswer) {
  store.image.coef[0].coef_b = 7.0f;
  ASSERT_TRUE(Read(Hex("AA 18 00 00 00 01 02 00 B8 0B 04 00 00 80 3F B9 0B 04 00 00 00 00 39 30")));
  EXPECT_EQ(1.0f, store.image.coef[0].coef_a);
  EXPECT_EQ(0.0f, store.image.coef[0].coef_b);
  EXPECT_EQ(ReplyFault::kNone, fault);
}

TEST_F(ReplyParser, WriteAnswerAndItsKindCheck) {
  const Bytes answer = Hex("AA 0A 00 00 00 02 00 00 C1 CC");
  Snapshot();
  ASSERT_TRUE(Write(answer));
  EXPECT_FALSE(Read(answer));
  EXPECT_EQ(ReplyFault::kStructure, fault);
  EXPECT_TRUE(Unchanged());
}

TEST_F(ReplyParser, ParityAndVersionAnswer) {
  ASSERT_TRUE(Read(Hex("AA 13 00 00 00 01 02 00 05 00 01 02 09 00 02 02 01 06 A5")));
  EXPECT_EQ(2, store.image.base.parity);
  EXPECT_EQ(0x0102, store.fw_version);
}

TEST_F(ReplyParser, VersionWithoutValueUnknownIdsAndEmptyAnswers) {
  store.fw_version = 0x0305;
  // Item 9 with L = 0 clears the version and the next item starts behind its length byte;
  // id 500 and 2288 are skipped with their L bytes.
  ASSERT_TRUE(Read(ReadAnswer(5, Hex("09 00 00  05 00 01 01  F4 01 03 AA BB CC"
                                     "F0 08 02 11 22  D8 07 02 6D 33"))));
  EXPECT_EQ(0, store.fw_version);
  EXPECT_EQ(1, store.image.base.parity);
  EXPECT_STREQ("m3", store.image.arg2[0].unit);
  EXPECT_EQ(0, store.image.arg2[31].unit[0]);

  // Item 9 with L = 3 takes two bytes; the third is read as the next item's id byte.
  ASSERT_TRUE(Read(ReadAnswer(2, Hex("09 00 03 04 01  05 00 01 02"))));
  EXPECT_EQ(0x0104, store.fw_version);
  EXPECT_EQ(2, store.image.base.parity);

  Snapshot();
  ASSERT_TRUE(Read(ReadAnswer(0, {})));
  EXPECT_TRUE(Unchanged());

  // Byte 4 is not examined.
  Bytes f = ReadAnswer(1, Hex("05 00 01 00"));
  f[4] = 0x7F;
  testing::FixFrame(f);
  ASSERT_TRUE(Read(f));
  EXPECT_EQ(0, store.image.base.parity);
}

TEST_F(ReplyParser, FixedWidthFieldsIgnoreL) {
  // A u16 item that claims L = 1 still takes two bytes.
  ASSERT_TRUE(Read(ReadAnswer(2, Hex("01 00 01 34 12  07 00 09 78 56"))));
  EXPECT_EQ(0x1234, store.image.base.rs485_poll_interval);
  EXPECT_EQ(0x5678, store.image.base.lcd_on_time);
}

TEST_F(ReplyParser, TextsAreTerminatedAndCutToTheirField) {
  std::memcpy(store.image.arg1[0].alarm_text, "ABCDEFGH", 9);
  store.image.arg1[0].normal_text[0] = 'N';
  ASSERT_TRUE(Read(ReadAnswer(1, Hex("E9 03 02 78 79"))));
  EXPECT_EQ(0, std::memcmp(store.image.arg1[0].alarm_text, "xy\0DEFGH\0", 9));

  // Twelve bytes into an 8-byte alarm text: cut to 8, NUL in the last byte, neighbour intact.
  ASSERT_TRUE(Read(ReadAnswer(2, Hex("E9 03 0C 31 32 33 34 35 36 37 38 39 30 31 32  05 00 01 02"))));
  EXPECT_EQ(0, std::memcmp(store.image.arg1[0].alarm_text, "12345678\0", 9));
  EXPECT_EQ('N', store.image.arg1[0].normal_text[0]);
  EXPECT_EQ(2, store.image.base.parity);  // the item behind the long text was read in step
}

TEST_F(ReplyParser, RejectedFramesChangeNothing) {
  store.fw_version = 0x0101;
  store.image.base.parity = 1;
  Snapshot();
  struct Case {
    Bytes frame;
    uint16_t length;
    ReplyFault fault;
  };
  Bytes crc_bad = ReadAnswer(2, Hex("09 00 02 09 09  05 00 01 02"));
  crc_bad.back() ^= 1;
  Bytes byte3 = ReadAnswer(1, Hex("09 00 02 09 09"));
  byte3[3] = 1;
  testing::FixFrame(byte3);
  Bytes start = ReadAnswer(1, Hex("09 00 02 09 09"));
  start[0] = 0xAB;
  testing::FixFrame(start);
  // The version item comes first and is fine, but the second item runs into the CRC: the
  // frame is refused as a whole, fw_version included.
  const Bytes past_crc = ReadAnswer(2, Hex("09 00 02 09 09  E9 03 05 41 42"));
  const Bytes count_too_big = ReadAnswer(3, Hex("09 00 02 09 09  05 00 01 02"));
  const Bytes good = ReadAnswer(1, Hex("05 00 01 02"));
  const Case cases[] = {
      {Hex("AA 08 00 00 00 01 00 00"), 8, ReplyFault::kTooShort},
      {good, static_cast<uint16_t>(good.size() + 1), ReplyFault::kLength},
      {good, 600, ReplyFault::kLength},
      {byte3, static_cast<uint16_t>(byte3.size()), ReplyFault::kStructure},
      {start, static_cast<uint16_t>(start.size()), ReplyFault::kStructure},
      {crc_bad, static_cast<uint16_t>(crc_bad.size()), ReplyFault::kCrc},
      {past_crc, static_cast<uint16_t>(past_crc.size()), ReplyFault::kItems},
      {count_too_big, static_cast<uint16_t>(count_too_big.size()), ReplyFault::kItems},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    EXPECT_FALSE(Parse(c.frame, false, c.length));
    EXPECT_EQ(c.fault, fault);
    EXPECT_TRUE(Unchanged());
  }
  // The same checks guard a write answer.
  Bytes write_crc_bad = Hex("AA 0A 00 00 00 02 00 00 C1 CC");
  write_crc_bad[8] ^= 1;
  EXPECT_FALSE(Write(write_crc_bad));
  EXPECT_EQ(ReplyFault::kCrc, fault);
}

TEST_F(ReplyParser, ItemsMayFillTheWholeBuffer) {
  // 512 bytes: header 8, CRC 2, one unknown item of 3 + 255 bytes and one of 3 + 241.
  Bytes items = Hex("F4 01 FF");
  items.resize(items.size() + 255, 0x11);
  const Bytes second = Hex("F5 01 F1");
  items.insert(items.end(), second.begin(), second.end());
  items.resize(items.size() + 241, 0x22);
  const Bytes frame = ReadAnswer(2, items);
  ASSERT_EQ(512u, frame.size());
  EXPECT_TRUE(Read(frame));
}

}  // namespace
}  // namespace travex
