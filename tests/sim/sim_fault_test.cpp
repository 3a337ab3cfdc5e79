// Each fault flag of the simulated logger produces its fault and nothing else.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "params/block_table.h"
#include "protocol/frame_bytes.h"
#include "protocol/link_codec.h"
#include "sim_test_util.h"

namespace travex::testing {
namespace {

Bytes ReadArg2(uint8_t channel) {
  return RequestBytes(ParamImage{}, BlockItems(Arg2Ref(channel), false), false);
}

Bytes Query() {
  uint8_t f[7];
  CLinkCodec().BuildQuery(f);
  return Bytes(f, f + 7);
}

// A logger with the given fault flags, and the tool's port open at 9600.
struct Faulty {
  explicit Faulty(std::vector<std::string> args) {
    args.push_back("--demo");
    StartSim(sim, args);
    EXPECT_TRUE(side.Open(sim.com_number(), 9600));
  }
  SimProcess sim;
  ToolSide side;
};

long long MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(SimFaults, SilentAfterStopsParameterAnswersOnly) {
  Faulty f({"--silent-after", "2", "--no-pacing"});
  const Bytes request = ReadArg2(0);
  EXPECT_TRUE(CrcOk(f.side.Exchange(request)));
  EXPECT_TRUE(CrcOk(f.side.Exchange(request)));
  EXPECT_TRUE(f.side.Unanswered(request));
  EXPECT_TRUE(f.side.Unanswered(request));
  EXPECT_EQ(f.side.Exchange(Query()).size(), 7u);
}

TEST(SimFaults, BadCrcAndBadStartSpoilOnlyTheirReply) {
  Faulty f({"--bad-crc", "2", "--bad-start", "4", "--no-pacing"});
  const Bytes request = ReadArg2(1);
  const Bytes clean = f.side.Exchange(request);
  ASSERT_TRUE(CrcOk(clean));
  ASSERT_EQ(clean[0], 0xAA);

  Bytes spoiled = f.side.Exchange(request);  // reply 2
  ASSERT_EQ(spoiled.size(), clean.size());
  EXPECT_FALSE(CrcOk(spoiled));
  EXPECT_TRUE(std::equal(clean.begin(), clean.end() - 2, spoiled.begin()));

  // Link replies count too: reply 3 is clean, reply 4 has a wrong start byte and a CRC that
  // matches the bytes as sent.
  CLinkCodec codec;
  Bytes link = f.side.Exchange(Query());
  EXPECT_TRUE(codec.CheckReply(link.data(), link.size()));
  link = f.side.Exchange(Query());
  ASSERT_EQ(link.size(), 7u);
  EXPECT_NE(link[0], 0xFD);
  EXPECT_TRUE(CrcOk(link));
  EXPECT_EQ(Bytes(link.begin() + 1, link.begin() + 5), Bytes({0xFD, 0xFD, 3, 1}));

  EXPECT_EQ(f.side.Exchange(request), clean);
}

TEST(SimFaults, SplitSendsTwoPartsApart) {
  Faulty f({"--split", "3000", "--split-at", "2", "--no-pacing"});
  const Bytes request = ReadArg2(2);
  f.side.ring().Clear();
  ASSERT_NE(f.side.port().Write(request.data(), request.size()), 0);
  const auto start = Clock::now();
  while (f.side.ring().Used() == 0 && MillisSince(start) < 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(f.side.ring().Used(), 2);  // the length field is still incomplete
  const Bytes whole = f.side.Collect(false);
  EXPECT_GE(MillisSince(start), 2900);
  EXPECT_TRUE(CrcOk(whole));
  EXPECT_EQ(whole[0], 0xAA);
}

TEST(SimFaults, DelayAndPacingPostponeTheAnswer) {
  {
    Faulty f({"--delay", "800", "--no-pacing"});
    const auto start = Clock::now();
    EXPECT_TRUE(CrcOk(f.side.Exchange(ReadArg2(0))));
    EXPECT_GE(MillisSince(start), 790);
  }
  // Without --no-pacing: a set-1 answer of about 200 bytes at 2400 bit/s takes about 0.8 s.
  SimProcess sim;
  StartSim(sim, {"--demo", "--baud", "2400"});
  ToolSide side;
  ASSERT_TRUE(side.Open(sim.com_number(), 2400));
  const Bytes request = RequestBytes(ParamImage{}, BlockItems(Arg1Ref(0), false), false);
  const auto start = Clock::now();
  const Bytes reply = side.Exchange(request);
  ASSERT_TRUE(CrcOk(reply));
  EXPECT_GE(MillisSince(start), static_cast<long long>(reply.size() * 10 * 1000 / 2400) - 10);
}

// A request also crosses the line at its rate, and the answer starts one turnaround after the
// request's last byte: at 2400 bit/s a set-1 write (a long request, a short answer) takes
// both frames' wire time plus the turnaround. Without pacing it takes less than the request's.
TEST(SimFaults, RequestsArriveAtTheLineRateAndAnswersAfterTheTurnaround) {
  const Bytes request = RequestBytes(ParamImage{}, BlockItems(Arg1Ref(0), true), true);
  for (const bool paced : {true, false}) {
    SimProcess sim;
    StartSim(sim, paced ? std::vector<std::string>{"--baud", "2400", "--turnaround", "300"}
                        : std::vector<std::string>{"--baud", "2400", "--no-pacing"});
    ToolSide side;
    ASSERT_TRUE(side.Open(sim.com_number(), 2400));
    const auto start = Clock::now();
    const Bytes reply = side.Exchange(request);
    const long long took = MillisSince(start);
    ASSERT_TRUE(CrcOk(reply));
    const auto wire_ms = [](size_t bytes) { return static_cast<long long>(bytes * 10000 / 2400); };
    if (paced) {
      EXPECT_GE(took, wire_ms(request.size() + reply.size()) + 300 - 10);
    } else {
      EXPECT_LT(took, wire_ms(request.size()));
    }
  }
}

TEST(SimFaults, OverlongTextMakesOnlyTextsLonger) {
  Bytes normal;
  {
    Faulty f({"--no-pacing"});
    normal = f.side.Exchange(ReadArg2(0));
  }
  Faulty f({"--overlong-text", "--no-pacing"});
  const Bytes longer = f.side.Exchange(ReadArg2(0));
  ASSERT_TRUE(CrcOk(normal));
  ASSERT_TRUE(CrcOk(longer));
  // Seven numeric items are the same; name (21-byte field) and unit (7) come as 42 and 14 bytes.
  const size_t numeric_end = 8 + 7 * 3 + 6 * 1 + 2;  // ids and L, six u8 values, reg_start
  ASSERT_GT(normal.size(), numeric_end);
  EXPECT_TRUE(std::equal(normal.begin() + 3, normal.begin() + numeric_end, longer.begin() + 3));
  EXPECT_EQ(longer[numeric_end + 2], 42);
  const size_t unit_at = numeric_end + 3 + 42;
  EXPECT_EQ(longer[unit_at + 2], 14);
  EXPECT_EQ(longer.size(), unit_at + 3 + 14 + 2);
}

}  // namespace
}  // namespace travex::testing
