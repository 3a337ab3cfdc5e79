// The session on lines behind a serial device server: ser2net on the loopback interface in
// front of the simulated logger, as an RFC 2217 and as a raw TCP accepter.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "paramfile/temp_folder.h"
#include "session/logger_session.h"
#include "support/image_compare.h"
#include "support/ser2net_process.h"
#include "support/sim_process.h"

namespace travex {
namespace {

using testing::Ser2NetProcess;

class LostLine : public ISessionEvents {
 public:
  void OnSearchRate(uint32_t rate, int) override { rates.push_back(rate); }
  void OnLineLost() override { lost = true; }
  std::vector<uint32_t> rates;  // the worker's; read after the job has ended
  std::atomic<bool> lost{false};
};

class NetLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Ser2NetProcess::Available()) GTEST_SKIP() << "ser2net is not installed";
  }
  // The logger at `baud` behind a server; false (with a failure recorded) when either fails.
  void Serve(unsigned baud, Ser2NetProcess::Mode mode, unsigned server_baud,
             std::vector<std::string> sim_args = {}) {
    sim_args.insert(sim_args.end(), {"--baud", std::to_string(baud), "--demo"});
    ASSERT_TRUE(sim.Start(sim_args)) << sim.error();
    ASSERT_TRUE(server.Start(sim.device(), mode, server_baud)) << server.error();
    session.Start();
  }
  SearchOutcome Search() { return session.SearchNow(PortTarget::Address(server.Address()), {}); }

  testing::SimProcess sim;
  Ser2NetProcess server;
  LostLine events;
  CLoggerSession session{&events};
};

TEST_F(NetLineTest, SearchFindsTheLoggerOverRfc2217AtLowAndHighRates) {
  for (const unsigned baud : {4800u, 115200u}) {
    SCOPED_TRACE(baud);
    Serve(baud, Ser2NetProcess::kRfc2217, 9600, {"--no-pacing"});
    const SearchOutcome found = Search();
    ASSERT_EQ(found.result.status, SearchStatus::kFound);
    EXPECT_EQ(found.result.baud, baud);
    EXPECT_TRUE(session.IsOpen());
    session.Shutdown();
    server.Kill();
    sim.Stop();
  }
}

TEST_F(NetLineTest, ReadAllAndWriteAllCarryTheLoggersImageExactly) {
  Serve(115200, Ser2NetProcess::kRfc2217, 9600, {"--no-pacing", "--state", sim.Path("state")});
  ASSERT_EQ(Search().result.status, SearchStatus::kFound);
  ASSERT_TRUE(session.RunNow(BulkRun::kRead, {}).Succeeded());
  ParamImage written;
  {
    std::lock_guard lock(session.store_mutex());
    // Bytes of 0xFF are the Telnet escape: they must cross the line both ways.
    session.store().image.arg2[0].reg_start = 0xFFFF;
    written = session.store().image;
  }
  ASSERT_TRUE(session.RunNow(BulkRun::kWrite, {}).Succeeded());
  ASSERT_TRUE(session.RunNow(BulkRun::kRead, {}).Succeeded());
  ParamImage read;
  {
    std::lock_guard lock(session.store_mutex());
    read = session.store().image;
  }
  session.Shutdown();
  ASSERT_EQ(sim.Stop(), 0);
  // What the logger holds is what was written, and what a read-all gives.
  const std::string bytes = testing::ReadWholeFile(sim.Path("state"));
  ASSERT_EQ(bytes.size(), kImageBytes);
  ParamImage held{};
  DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), &held);
  const testing::CompareFields all_but_clock{false, true};
  EXPECT_EQ(testing::FieldDifferences(held, written, all_but_clock), std::vector<std::string>{});
  EXPECT_EQ(testing::FieldDifferences(held, read, all_but_clock), std::vector<std::string>{});
}

TEST_F(NetLineTest, RawTcpIsSearchedAtItsFixedRateOnly) {
  Serve(9600, Ser2NetProcess::kRawTcp, 9600, {"--no-pacing"});
  const SearchOutcome found = Search();
  ASSERT_EQ(found.result.status, SearchStatus::kFound);
  EXPECT_EQ(found.result.baud, 9600u);
  EXPECT_EQ(events.rates, std::vector<uint32_t>{9600});
  EXPECT_TRUE(session.RunNow(BulkRun::kRead, {}).Succeeded());

  // A server fixed to a rate the logger does not speak: one rate tried, and the result says so.
  server.Kill();
  ASSERT_TRUE(server.Start(sim.device(), Ser2NetProcess::kRawTcp, 19200)) << server.error();
  events.rates.clear();
  const SearchOutcome silent = Search();
  EXPECT_EQ(silent.result.status, SearchStatus::kNoAnswer);
  EXPECT_EQ(silent.result.fixed_rate, 19200u);
  EXPECT_EQ(events.rates, std::vector<uint32_t>{19200});
}

TEST_F(NetLineTest, AServerThatGoesMidRunIsADeviceLoss) {
  Serve(9600, Ser2NetProcess::kRfc2217, 9600, {"--turnaround", "30"});
  ASSERT_EQ(Search().result.status, SearchStatus::kFound);
  std::thread killer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    server.Kill();
  });
  const RunResult run = session.RunNow(BulkRun::kRead, {});
  killer.join();
  EXPECT_EQ(run.status, ExchangeStatus::kDisconnected);
  for (int i = 0; i < 200 && !events.lost; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(events.lost);
  EXPECT_FALSE(session.IsOpen());
}

TEST_F(NetLineTest, AnAddressWhereNothingListensFailsSoonWithTheReason) {
  session.Start();
  const std::string address = "rfc2217://127.0.0.1:" + std::to_string(Ser2NetProcess::FreePort());
  const auto start = std::chrono::steady_clock::now();
  const OpenOutcome opened = session.OpenNow(PortTarget::Address(address), 9600);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(opened.opened);
  EXPECT_EQ(opened.failure.device, address);
  EXPECT_EQ(opened.failure.error, ECONNREFUSED);
  EXPECT_FALSE(opened.failure.reason.empty());
}

}  // namespace
}  // namespace travex
