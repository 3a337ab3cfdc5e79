// The search's order and waiting against the simulated logger: the remembered rate first, the
// others after it, and a logger that answers late still found.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <vector>

#include "session/logger_session.h"
#include "support/sim_process.h"

namespace travex {
namespace {

using Clock = std::chrono::steady_clock;

class TriedRates : public ISessionEvents {
 public:
  void OnSearchRate(uint32_t rate, int) override {
    std::lock_guard lock(mutex);
    rates.push_back(rate);
  }
  std::vector<uint32_t> Rates() {
    std::lock_guard lock(mutex);
    return rates;
  }
  std::mutex mutex;
  std::vector<uint32_t> rates;
};

struct SearchRun {
  SearchOutcome outcome;
  std::vector<uint32_t> tried;
  Clock::duration took{};
};

SearchRun SearchLogger(const std::vector<std::string>& sim_args, uint32_t remembered) {
  testing::SimProcess sim;
  SearchRun run;
  if (!sim.Start(sim_args)) {
    ADD_FAILURE() << sim.error();
    return run;
  }
  sim.ExportPortDir();
  TriedRates tried;
  CLoggerSession session{&tried};
  session.SetLockDirectory(sim.port_dir());
  session.Start();
  const auto start = Clock::now();
  run.outcome = session.SearchNow(static_cast<uint8_t>(sim.com_number()), {}, remembered);
  run.took = Clock::now() - start;
  session.Shutdown();
  run.tried = tried.Rates();
  return run;
}

TEST(RateSearch, TheRememberedRateIsTriedFirstAndAnswersAtOnce) {
  const SearchRun run = SearchLogger({"--baud", "57600"}, 57600);
  ASSERT_EQ(run.outcome.result.status, SearchStatus::kFound);
  EXPECT_EQ(run.outcome.result.baud, 57600u);
  EXPECT_EQ(run.tried, std::vector<uint32_t>{57600});
  EXPECT_LT(run.took, std::chrono::milliseconds(400));
}

TEST(RateSearch, AWrongRememberedRateStillFindsTheLoggerInTheListsOrder) {
  const SearchRun run = SearchLogger({"--baud", "19200"}, 9600);
  ASSERT_EQ(run.outcome.result.status, SearchStatus::kFound);
  EXPECT_EQ(run.outcome.result.baud, 19200u);
  EXPECT_EQ(run.tried, (std::vector<uint32_t>{9600, 2400, 4800, 14400, 19200}));
}

TEST(RateSearch, ALoggerAnsweringLateIsFoundInTheSecondRound) {
  const SearchRun run = SearchLogger({"--baud", "4800", "--turnaround", "400"}, 0);
  ASSERT_EQ(run.outcome.result.status, SearchStatus::kFound);
  EXPECT_EQ(run.outcome.result.baud, 4800u);
  // The whole first round, then the second up to 4800.
  ASSERT_EQ(run.tried.size(), 11u);
  EXPECT_EQ(run.tried.back(), 4800u);
}

}  // namespace
}  // namespace travex
