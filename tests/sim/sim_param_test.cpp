// The simulated logger's parameter requests, built and parsed by the tool's own protocol functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "params/block_table.h"
#include "params/gbk.h"
#include "params/param_store.h"
#include "protocol/frame_bytes.h"
#include "sim_test_util.h"

namespace travex::testing {
namespace {

// The tool's parameter store talking to a logger through ToolSide.
struct Tool {
  // Sends the request for `items` built from the store and hands the answer to the parser.
  bool Send(ItemRange items, bool write) {
    const Bytes reply = side.Exchange(RequestBytes(store.image, items, write));
    if (reply.size() < 3 || reply.size() > kFrameBufferSize) return false;
    return ParseInto(store, reply, write, GetU16(&reply[1])).accepted;
  }
  bool Read(BlockRef block) { return Send(BlockItems(block, false), false); }
  bool Write(BlockRef block) { return Send(BlockItems(block, true), true); }

  CParamStore store;
  ToolSide side;
};

uint32_t LocalNow() {
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  return static_cast<uint32_t>(now + local.tm_gmtoff);
}

void SetGbk(char* field, size_t width, const char* utf8) {
  const std::string gbk = Utf8ToGbk(utf8);
  ASSERT_LT(gbk.size(), width);
  std::memset(field, 0, width);
  std::memcpy(field, gbk.data(), gbk.size());
}

TEST(SimParams, BaseReadGivesTheConfiguredSettingsClockAndVersion) {
  SimProcess sim;
  StartSim(sim, {"--demo", "--fw", "0x0305", "--no-pacing"});
  Tool tool;
  ASSERT_TRUE(tool.side.Open(sim.com_number(), 9600));
  ASSERT_TRUE(tool.Read(kBaseRef));
  const BaseInfoBlock& b = tool.store.image.base;
  EXPECT_EQ(b.comm_baud, 9600u);
  EXPECT_EQ(b.parity, 0);
  EXPECT_EQ(b.rs485_poll_interval, 1000);
  EXPECT_EQ(b.rs485_timeout, 500);
  EXPECT_EQ(b.rs485_retries, 3);
  EXPECT_EQ(b.store_interval, 60);
  EXPECT_EQ(b.lcd_on_time, 30);
  EXPECT_LE(std::abs(static_cast<int64_t>(b.device_time) - LocalNow()), 60);
  EXPECT_EQ(tool.store.fw_version, 0x0305);

  // The demonstration channels carry GBK names and units.
  ASSERT_TRUE(tool.Read(Arg2Ref(0)));
  EXPECT_EQ(GbkToUtf8(tool.store.image.arg2[0].name), "1号冷库温度");
  EXPECT_EQ(GbkToUtf8(tool.store.image.arg2[0].unit), "℃");
  EXPECT_EQ(tool.store.image.arg2[0].enabled, 1);
}

TEST(SimParams, VersionZeroAndIdsWithoutFieldAnswerEmpty) {
  SimProcess sim;
  StartSim(sim, {"--fw", "0", "--no-pacing"});
  Tool tool;
  ASSERT_TRUE(tool.side.Open(sim.com_number(), 9600));
  tool.store.fw_version = 0x0999;
  ASSERT_TRUE(tool.Read(kBaseRef));
  EXPECT_EQ(tool.store.fw_version, 0);

  // Ids 9 and 10: L = 0 each, nothing behind.
  const Bytes reply = tool.side.Exchange(WithCrc({0x55, 14, 0, 0, 0, 1, 2, 0, 9, 0, 10, 0}));
  EXPECT_EQ(reply, WithCrc({0xAA, 16, 0, 0, 0, 1, 2, 0, 9, 0, 0, 10, 0, 0}));
}

TEST(SimParams, Set1WriteOfChannel7ReadsBack) {
  SimProcess sim;
  StartSim(sim, {"--demo", "--no-pacing"});
  Tool tool;
  ASSERT_TRUE(tool.side.Open(sim.com_number(), 9600));
  ASSERT_TRUE(tool.Read(Arg1Ref(6)));
  const Arg1Block channel6 = tool.store.image.arg1[6];
  Arg1Block& a = tool.store.image.arg1[7];
  a.alarm_value = 12.5f;
  SetGbk(a.alarm_text, sizeof a.alarm_text, "水位超高");
  SetGbk(a.normal_text, sizeof a.normal_text, "");
  for (int k = 0; k < kGearCount; ++k) {
    a.gears[k].value = 0.5f * static_cast<float>(k) - 1.0f;
    SetGbk(a.gears[k].text, sizeof a.gears[k].text, k % 2 == 0 ? "开阀" : "ABCDEFGHIJK");
  }
  const Arg1Block written = a;
  ASSERT_TRUE(tool.Write(Arg1Ref(7)));

  std::memset(&tool.store.image.arg1[7], 0, sizeof(Arg1Block));
  ASSERT_TRUE(tool.Read(Arg1Ref(7)));
  EXPECT_EQ(std::memcmp(&tool.store.image.arg1[7], &written, sizeof written), 0);
  std::memset(&tool.store.image.arg1[6], 0, sizeof(Arg1Block));
  ASSERT_TRUE(tool.Read(Arg1Ref(6)));
  EXPECT_EQ(std::memcmp(&tool.store.image.arg1[6], &channel6, sizeof channel6), 0);
}

TEST(SimParams, StateFileSurvivesARestart) {
  SimProcess sim;
  const std::string state = sim.Path("image.bin");
  StartSim(sim, {"--state", state, "--no-pacing"});
  {
    Tool tool;
    ASSERT_TRUE(tool.side.Open(sim.com_number(), 9600));
    Arg2Block& b = tool.store.image.arg2[3];
    b.slave_addr = 17;
    b.reg_start = 0x1234;
    SetGbk(b.name, sizeof b.name, "锅炉出口温度");
    SetGbk(b.unit, sizeof b.unit, "kPa");
    ASSERT_TRUE(tool.Write(Arg2Ref(3)));
    // Saved at once, not only at exit.
    EXPECT_EQ(std::filesystem::file_size(state), kImageBytes);
  }
  ASSERT_EQ(sim.Stop(), 0);
  StartSim(sim, {"--state", state, "--no-pacing"});
  Tool tool;
  ASSERT_TRUE(tool.side.Open(sim.com_number(), 9600));
  ASSERT_TRUE(tool.Read(Arg2Ref(3)));
  EXPECT_EQ(tool.store.image.arg2[3].slave_addr, 17);
  EXPECT_EQ(tool.store.image.arg2[3].reg_start, 0x1234);
  EXPECT_EQ(GbkToUtf8(tool.store.image.arg2[3].name), "锅炉出口温度");
  EXPECT_EQ(std::string(tool.store.image.arg2[3].unit), "kPa");

  // A state file of the wrong size is refused rather than overwritten.
  ASSERT_EQ(sim.Stop(), 0);
  std::filesystem::resize_file(state, 100);
  SimProcess refused;
  EXPECT_FALSE(refused.Start({"--state", state}));
  EXPECT_EQ(std::filesystem::file_size(state), 100u);
}

TEST(SimParams, MalformedRequestsAreIgnoredAndChangeNothing) {
  SimProcess sim;
  StartSim(sim, {"--no-pacing"});
  Tool tool;
  ASSERT_TRUE(tool.side.Open(sim.com_number(), 9600));
  const Bytes good = RequestBytes(tool.store.image, BlockItems(kBaseRef, false), false);
  const size_t n = good.size();

  Bytes bad_crc = good;
  bad_crc[n - 1] ^= 0x40;
  EXPECT_TRUE(tool.side.Unanswered(bad_crc));
  // An item count that does not match the length (checksum correct).
  Bytes bad_count(good.begin(), good.end() - 2);
  bad_count[6] = 8;
  EXPECT_TRUE(tool.side.Unanswered(WithCrc(bad_count)));
  // A write whose poll interval carries 3 value bytes, followed by a valid item.
  EXPECT_TRUE(tool.side.Unanswered(
      WithCrc({0x55, 19, 0, 0, 0, 2, 2, 0, 1, 0, 3, 1, 2, 3, 2, 0, 2, 9, 9})));
  // A text longer than its field (unit: 6 bytes at most).
  EXPECT_TRUE(tool.side.Unanswered(
      WithCrc({0x55, 18, 0, 0, 0, 2, 1, 0, 0xD0, 0x07, 7, 'a', 'b', 'c', 'd', 'e', 'f', 'g'})));
  ASSERT_TRUE(tool.Read(kBaseRef));
  EXPECT_EQ(tool.store.image.base.rs485_poll_interval, 1000);
  EXPECT_EQ(tool.store.image.base.rs485_timeout, 500);
  ASSERT_TRUE(tool.Read(Arg2Ref(0)));
  EXPECT_EQ(tool.store.image.arg2[0].unit[0], 0);
}

}  // namespace
}  // namespace travex::testing
