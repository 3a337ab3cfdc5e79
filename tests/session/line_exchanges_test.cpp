// The session's exchanges against a pseudo-terminal that plays the logger byte by byte: answers
// are taken the moment they are complete, the time-out is time, and waits end at once on a
// cancel or a hang-up.
#include "session/line_exchanges.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "protocol/frame_bytes.h"
#include "serial/com_port.h"
#include "serial/pty_helper.h"
#include "serial/reader_thread.h"
#include "serial/rx_ring.h"
#include "session/logger_session.h"
#include "support/sim_process.h"

namespace travex {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::Bytes;
using testing::Hex;

const Bytes kReadCoef = Hex("55 0E 00 00 00 01 02 00 B8 0B B9 0B 00 00");
// The block kReadCoef asks for.
const ItemRange kCoef0 = BlockItems(CoefRef(0), false);
const Bytes kCoefAnswer = Hex("AA 18 00 00 00 01 02 00 B8 0B 04 00 00 80 3F B9 0B 04 00 00 00 00 39 30");

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    dir.Link(5, pty.slave_path);
    port.SetLockDirectory(dir.path);
    reader.Start(port, ring);
    ASSERT_TRUE(session.Open(5, 9600)) << port.LastError();
    request = kReadCoef;
    testing::FixFrame(request);
  }
  void TearDown() override {
    reader.Stop();
    port.Close();
  }

  // Plays the logger: waits for the request, then writes the parts of its answer after the
  // given delays (measured from the request).
  void Answer(std::vector<std::pair<int, Bytes>> parts) {
    logger = std::thread([this, parts] {
      pty.MasterRead(request.size());
      const auto start = Clock::now();
      for (const auto& [delay_ms, bytes] : parts) {
        std::this_thread::sleep_until(start + milliseconds(delay_ms));
        pty.MasterWrite(Text(bytes));
      }
    });
  }

  // One exchange; its duration in seconds.
  double Exchange(ExchangeResult* result, std::stop_token stop = {}) {
    const auto start = Clock::now();
    *result = session.ParamExchange(request.data(), static_cast<uint16_t>(request.size()), reply, stop);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (logger.joinable()) logger.join();
    return seconds;
  }

  testing::Pty pty;
  testing::PortDir dir;
  CComPort port;
  CRxRing ring{&port};
  CReaderThread reader;
  CLineExchanges session{port, ring};
  Bytes request;
  uint8_t reply[kFrameBufferSize] = {};
  std::thread logger;
};

TEST_F(SessionTest, AnAnswerInPiecesIsHandedOverTheMomentItIsComplete) {
  // The length field arrives last-but-one; bytes behind the frame are not part of it.
  Answer({{20, Bytes(kCoefAnswer.begin(), kCoefAnswer.begin() + 2)},
          {170, Bytes(kCoefAnswer.begin() + 2, kCoefAnswer.end())}});
  ExchangeResult result;
  const double seconds = Exchange(&result);
  EXPECT_EQ(result.status, ExchangeStatus::kComplete);
  EXPECT_EQ(result.length, kCoefAnswer.size());
  EXPECT_EQ(std::memcmp(reply, kCoefAnswer.data(), kCoefAnswer.size()), 0);
  EXPECT_GE(seconds, 0.15);
  EXPECT_LT(seconds, 1.0);  // not the time-out, not a polling period

  // A request of the block's items, its answer parsed into the store.
  CParamStore store;
  std::mutex store_mutex;
  Answer({{0, kCoefAnswer}});
  const RequestResult parsed = session.Request(store, store_mutex, kCoef0, false, {});
  logger.join();
  EXPECT_TRUE(parsed.outcome.accepted);
  EXPECT_TRUE(parsed.image_changed);
  EXPECT_EQ(store.image.coef[0].coef_a, 1.0f);
  EXPECT_EQ(store.answers_stored, 1u);
}

TEST_F(SessionTest, AWriteFromACopyCarriesItsValuesAndLeavesTheStoresImage) {
  CParamStore store;
  std::mutex store_mutex;
  store.image.base.device_time = 7;
  ParamImage values = store.image;
  values.base.device_time = 0x01020304;
  Bytes sent;
  logger = std::thread([&] {
    const std::string got = pty.MasterRead(17);  // the clock's write request
    sent.assign(got.begin(), got.end());
    pty.MasterWrite(Text(Hex("AA 0A 00 00 00 02 00 00 C1 CC")));
  });
  const RequestResult written = session.Request(store, store_mutex, values, kClockItem, true, {});
  logger.join();
  EXPECT_TRUE(written.outcome.accepted);
  EXPECT_FALSE(written.image_changed);
  ASSERT_EQ(sent.size(), 17u);
  EXPECT_EQ(Bytes(sent.begin() + 8, sent.end() - 2), Hex("08 00 04 04 03 02 01"));
  EXPECT_EQ(store.image.base.device_time, 7u);
  EXPECT_EQ(store.answers_stored, 0u);
}

TEST_F(SessionTest, TheTimeOutIsThreeSecondsOfTimeAndAnAnswerJustBeforeItCounts) {
  Answer({{2850, kCoefAnswer}});
  ExchangeResult result;
  double seconds = Exchange(&result);
  EXPECT_EQ(result.status, ExchangeStatus::kComplete);
  EXPECT_GE(seconds, 2.85);
  EXPECT_LT(seconds, 3.0);

  Answer({});
  seconds = Exchange(&result);
  EXPECT_EQ(result.status, ExchangeStatus::kTimeout);
  EXPECT_EQ(result.status, ExchangeStatus::kTimeout);
  EXPECT_GE(seconds, 3.0);
  EXPECT_LT(seconds, 3.5);
}

TEST_F(SessionTest, AWrongFirstByteEndsTheCollectionUnlessTheWholeFrameIsIn) {
  Answer({{0, Hex("55 18 00")}});
  ExchangeResult result;
  EXPECT_LT(Exchange(&result), 1.0);
  EXPECT_EQ(result.status, ExchangeStatus::kBadStart);

  Bytes wrong = kCoefAnswer;
  wrong[0] = 0xAB;
  CParamStore store;
  std::mutex store_mutex;
  Answer({{0, wrong}});
  const RequestResult parsed = session.Request(store, store_mutex, kCoef0, false, {});
  logger.join();
  EXPECT_EQ(parsed.status, ExchangeStatus::kComplete);
  EXPECT_FALSE(parsed.outcome.accepted);
  EXPECT_EQ(parsed.outcome.fault, ReplyFault::kStructure);
}

TEST_F(SessionTest, ACancelOrAHangUpEndsTheWaitAtOnce) {
  std::stop_source stop;
  std::thread canceller([&] {
    std::this_thread::sleep_for(milliseconds(100));
    stop.request_stop();
  });
  Answer({});
  ExchangeResult result;
  EXPECT_LT(Exchange(&result, stop.get_token()), 1.0);
  canceller.join();
  EXPECT_EQ(result.status, ExchangeStatus::kCancelled);

  // The logger's end goes away, as an unplugged adapter does.
  logger = std::thread([this] {
    pty.MasterRead(request.size());
    std::this_thread::sleep_for(milliseconds(100));
    close(pty.master);
    pty.master = -1;
  });
  EXPECT_LT(Exchange(&result), 1.0);
  EXPECT_EQ(result.status, ExchangeStatus::kDisconnected);
  EXPECT_TRUE(port.IsLost());
}

TEST_F(SessionTest, TheLineStaysQuietForThreeAndAHalfCharactersBetweenFrames) {
  ASSERT_TRUE(session.Open(5, 2400));  // 3.5 characters: 14.6 ms
  Answer({{0, kCoefAnswer}});
  ExchangeResult result;
  Exchange(&result);
  ASSERT_EQ(result.status, ExchangeStatus::kComplete);
  const auto answered = Clock::now();
  Clock::time_point requested;
  logger = std::thread([&] {
    pty.MasterRead(request.size());
    requested = Clock::now();
    pty.MasterWrite(Text(kCoefAnswer));
  });
  Exchange(&result);
  EXPECT_GE(requested - answered, milliseconds(13));
}

TEST_F(SessionTest, TheTailOfAnAnswerArrivingRightAfterAnOpenIsLetThroughFirst) {
  ASSERT_TRUE(session.Open(5, 9600));
  pty.MasterWrite(Text(Bytes(kCoefAnswer.begin(), kCoefAnswer.begin() + 5)));
  ASSERT_TRUE(testing::WaitFor([&] { return ring.Used() > 0; }));
  Clock::time_point tail_sent;
  Clock::time_point requested;
  std::thread tail([&] {
    std::this_thread::sleep_for(milliseconds(150));
    tail_sent = Clock::now();
    pty.MasterWrite(Text(Bytes(kCoefAnswer.begin() + 5, kCoefAnswer.end())));
  });
  logger = std::thread([&] {
    pty.MasterRead(request.size());
    requested = Clock::now();
    pty.MasterWrite(Text(kCoefAnswer));
  });
  ExchangeResult result;
  Exchange(&result);
  tail.join();
  EXPECT_EQ(result.status, ExchangeStatus::kComplete);
  EXPECT_GE(requested, tail_sent) << "the request went out while the line was busy";
}

TEST(SessionSettle, AfterARunCancelledMidAnswerTheSearchAndTheNextReadSucceed) {
  testing::SimProcess sim;
  ASSERT_TRUE(sim.Start({"--baud", "2400"})) << sim.error();  // paced: answers take long
  sim.ExportPortDir();
  CLoggerSession session;
  session.SetLockDirectory(sim.port_dir());
  session.Start();
  const auto number = static_cast<uint8_t>(sim.com_number());
  ASSERT_TRUE(session.OpenNow(number, 2400).opened);

  std::stop_source stop;
  std::thread canceller([&] {
    std::this_thread::sleep_for(milliseconds(300));  // the base block's answer is on its way
    stop.request_stop();
  });
  const RunResult run = session.RunNow(BulkRun::kRead, stop.get_token());
  canceller.join();
  EXPECT_EQ(run.status, ExchangeStatus::kCancelled);

  const SearchOutcome found = session.SearchNow(number, {});
  EXPECT_EQ(found.result.status, SearchStatus::kFound);
  EXPECT_EQ(found.result.baud, 2400u);
  std::promise<RequestResult> answer;
  session.ReadBlock(kBaseRef, [&answer](const RequestResult& r) { answer.set_value(r); });
  const RequestResult read = answer.get_future().get();
  EXPECT_EQ(read.status, ExchangeStatus::kComplete);
  EXPECT_TRUE(read.outcome.accepted);
}

TEST(SessionSearch, ADeviceThatRefusesEveryRateIsAnOpenFailureWithItsReason) {
  testing::PortDir dir;
  dir.Link(6, "/dev/null");  // not a serial line: it takes no line settings
  CComPort port;
  port.SetLockDirectory(dir.path);
  CRxRing ring{&port};
  CLineExchanges session{port, ring};
  EXPECT_EQ(session.Search(6, nullptr, {}).status, SearchStatus::kOpenFailed);
  EXPECT_FALSE(port.IsOpen());
  const OpenFailure failure = DescribeOpenFailure(port);
  EXPECT_TRUE(failure.refused_settings);
  EXPECT_EQ(failure.device, "/dev/null");
  EXPECT_FALSE(failure.reason.empty());
}

}  // namespace
}  // namespace travex
