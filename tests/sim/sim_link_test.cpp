// The simulated logger's link frames and line-speed emulation, seen through the tool's port,
// receive ring and link codec.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "protocol/link_codec.h"
#include "sim_test_util.h"

namespace travex::testing {
namespace {

Bytes Query() {
  uint8_t f[7];
  CLinkCodec().BuildQuery(f);
  return Bytes(f, f + 7);
}
Bytes SetAddress(uint8_t a) {
  uint8_t f[7];
  CLinkCodec().BuildSetAddress(f, a);
  return Bytes(f, f + 7);
}
Bytes SetBaud(uint8_t code) {
  uint8_t f[7];
  CLinkCodec().BuildSetBaud(f, code);
  return Bytes(f, f + 7);
}

// "YYYY-MM-DD HH:MM:SS.mmm RX|TX|-- ..." (std::regex trips a false warning of gcc 12 under
// the sanitizers, so the shape is checked by hand).
bool IsLogLine(const std::string& text) {
  const std::string shape = "dddd-dd-dd dd:dd:dd.ddd ";
  if (text.size() < shape.size() + 2) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (shape[i] == 'd' ? !digit : text[i] != shape[i]) return false;
  }
  const std::string kind = text.substr(shape.size(), 2);
  return kind == "RX" || kind == "TX" || kind == "--";
}

TEST(SimLink, AnswersOnlyAtItsOwnRateLikeTheBaudSearch) {
  SimProcess sim;
  StartSim(sim, {"--baud", "14400", "--address", "7", "--no-pacing"});
  ToolSide tool;
  for (uint8_t code = 1; code <= 9; ++code) {
    const uint32_t baud = BaudOfLinkCode(code);
    ASSERT_TRUE(tool.Open(sim.com_number(), baud)) << baud;
    if (baud == 14400) {
      CLinkCodec codec;
      const Bytes reply = tool.Exchange(Query());
      ASSERT_TRUE(codec.CheckReply(reply.data(), reply.size()));
      EXPECT_EQ(codec.GetBaud(), 14400u);
      EXPECT_EQ(codec.GetAddress(), 7);
    } else {
      EXPECT_TRUE(tool.Unanswered(Query())) << "answered at " << baud;
    }
    tool.Close();
  }
}

// (A pseudo-terminal always holds 8 bits without parity; the stop bits are what can differ.)
TEST(SimLink, HearsNothingUnlessTheLineIs8N1) {
  SimProcess sim;
  StartSim(sim, {"--baud", "56000", "--no-pacing"});
  ToolSide tool;
  ASSERT_TRUE(tool.Open(sim.com_number(), 56000, /*two stop bits*/ 2));
  EXPECT_TRUE(tool.Unanswered(Query()));
  ASSERT_TRUE(tool.Open(sim.com_number(), 56000));
  EXPECT_EQ(tool.Exchange(Query()).size(), 7u);
}

TEST(SimLink, SetAddressAndSetBaudChangeTheLogger) {
  SimProcess sim;
  StartSim(sim, {"--no-pacing", "--log", sim.Path("log")});
  ToolSide tool;
  ASSERT_TRUE(tool.Open(sim.com_number(), 9600));
  CLinkCodec codec;

  Bytes reply = tool.Exchange(SetAddress(42));
  ASSERT_TRUE(codec.CheckReply(reply.data(), reply.size()));
  EXPECT_EQ(codec.GetAddress(), 42);
  reply = tool.Exchange(Query());
  ASSERT_TRUE(codec.CheckReply(reply.data(), reply.size()));
  EXPECT_EQ(codec.GetAddress(), 42);
  EXPECT_EQ(codec.GetBaud(), 9600u);

  // The answer to set-baud still comes at the old rate and names the new one.
  reply = tool.Exchange(SetBaud(1));
  ASSERT_TRUE(codec.CheckReply(reply.data(), reply.size()));
  EXPECT_EQ(codec.GetBaud(), 2400u);
  EXPECT_TRUE(tool.Unanswered(Query()));
  ASSERT_TRUE(tool.Open(sim.com_number(), 2400));
  reply = tool.Exchange(Query());
  ASSERT_TRUE(codec.CheckReply(reply.data(), reply.size()));
  EXPECT_EQ(codec.GetBaud(), 2400u);
  EXPECT_EQ(codec.GetAddress(), 42);

  // A set-baud with a code outside the table changes nothing and is not answered.
  EXPECT_TRUE(tool.Unanswered(WithCrc({0xFD, 0xFD, 0xFD, 10, 0})));
  EXPECT_EQ(tool.Exchange(Query()).size(), 7u);

  // Every frame is logged with a timestamp and its bytes.
  std::ifstream log(sim.Path("log"));
  std::string text;
  int rx = 0, tx = 0;
  while (std::getline(log, text)) {
    EXPECT_TRUE(IsLogLine(text)) << text;
    rx += text.find(" RX FD FD FD 00 2A ") != std::string::npos;
    tx += text.find(" TX FD FD FD 03 2A ") != std::string::npos;
  }
  EXPECT_EQ(rx, 1);
  EXPECT_EQ(tx, 2);  // the answers to set-address and to the query behind it
}

TEST(SimLink, IgnoresBadChecksumsAndFindsFramesInNoise) {
  SimProcess sim;
  StartSim(sim, {"--no-pacing"});
  ToolSide tool;
  ASSERT_TRUE(tool.Open(sim.com_number(), 9600));
  Bytes bad = Query();
  bad[6] ^= 0x01;
  EXPECT_TRUE(tool.Unanswered(bad));

  // Noise, a stray start byte and a broken frame in front of a good query, in one write.
  Bytes noisy = {0x00, 0x13, 0xFD, 0x55, 0x02, 0xFD};
  noisy.insert(noisy.end(), bad.begin(), bad.end());
  const Bytes query = Query();
  noisy.insert(noisy.end(), query.begin(), query.end());
  CLinkCodec codec;
  const Bytes reply = tool.Exchange(noisy, /*link_reply=*/true);
  EXPECT_TRUE(codec.CheckReply(reply.data(), reply.size()));

  // A query that arrives in pieces is still one query.
  tool.ring().Clear();
  ASSERT_NE(tool.port().Write(query.data(), 3), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_NE(tool.port().Write(query.data() + 3, 4), 0);
  EXPECT_EQ(tool.Collect(true), Bytes({0xFD, 0xFD, 0xFD, 3, 1, 0x28, 0xB8}));
}

TEST(SimProcessLife, RegistersAComNumberAndRemovesItOnSigterm) {
  SimProcess first;
  StartSim(first, {"--com", "5"});
  EXPECT_EQ(first.com_number(), 5u);
  char target[256] = {};
  ASSERT_GT(readlink(first.link_path().c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(first.device(), target);

  // The same number is refused while taken; another logger gets the first free one.
  SimProcess second;
  std::string dir = first.port_dir();
  EXPECT_FALSE(second.Start({"--port-dir", dir, "--com", "5"}));
  SimProcess third;
  ASSERT_TRUE(third.Start({"--port-dir", dir})) << third.error();
  EXPECT_EQ(third.com_number(), 1u);

  EXPECT_EQ(first.Stop(), 0);
  EXPECT_FALSE(std::filesystem::exists(first.link_path()));
  EXPECT_EQ(third.Stop(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir));

  // A link left behind by a logger that was killed does not block its number.
  std::filesystem::create_symlink("/dev/pts/does-not-exist", dir + "/com1");
  SimProcess fourth;
  ASSERT_TRUE(fourth.Start({"--port-dir", dir})) << fourth.error();
  EXPECT_EQ(fourth.com_number(), 1u);
}

TEST(SimProcessLife, ReplacesOnlyTheLinksOfLoggersThatAreGone) {
  namespace fs = std::filesystem;
  SimProcess killed;
  StartSim(killed, {"--com", "2"});
  killed.Kill();
  ASSERT_TRUE(fs::is_symlink(killed.link_path()));
  const std::string dir = killed.port_dir();
  // The user's own links are never touched, not even one whose adapter is unplugged.
  fs::create_symlink("/dev/null", dir + "/com1");
  fs::create_symlink("/dev/ttyUSB99", dir + "/com3");

  SimProcess live;
  ASSERT_TRUE(live.Start({"--port-dir", dir})) << live.error();
  EXPECT_EQ(live.com_number(), 2u);
  EXPECT_EQ(fs::read_symlink(dir + "/com2"), live.device());

  SimProcess other;
  EXPECT_FALSE(other.Start({"--port-dir", dir, "--com", "2"}));
  EXPECT_FALSE(other.Start({"--port-dir", dir, "--com", "3"}));
  ASSERT_TRUE(other.Start({"--port-dir", dir})) << other.error();
  EXPECT_EQ(other.com_number(), 4u);
  EXPECT_EQ(fs::read_symlink(dir + "/com1"), "/dev/null");
  EXPECT_EQ(fs::read_symlink(dir + "/com2"), live.device());
  EXPECT_EQ(fs::read_symlink(dir + "/com3"), "/dev/ttyUSB99");
}

TEST(SimProcessLife, RejectsBadArguments) {
  // (The last: --delay and --turnaround name one setting, here given two values.)
  const std::vector<std::vector<std::string>> cases = {
      {"--baud=12345"}, {"--address=0"}, {"--fw=0x10000"}, {"--bogus"}, {"--com=65"},
      {"--delay=5", "--turnaround=6"}};
  for (const auto& bad : cases) {
    SimProcess sim;
    EXPECT_FALSE(sim.Start(bad)) << bad[0];
    EXPECT_EQ(sim.Stop(), 2) << bad[0];
  }
}

}  // namespace
}  // namespace travex::testing
