// The session that owns the line: jobs and runs against the simulated logger, as the dialog and
// the command line drive it.
#include "session/logger_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "support/sim_process.h"

namespace travex {
namespace {

// Records the runs' steps and ends as they are reported.
class RunLog : public ISessionEvents {
 public:
  void OnRunStep(const RunStep& step) override {
    std::lock_guard lock(mutex);
    steps.push_back((step.run == BulkRun::kRead ? "r" : "w") + std::to_string(step.index));
  }
  void OnRunEnded(BulkRun run, const RunResult& result, uint32_t) override {
    std::lock_guard lock(mutex);
    ends.push_back({run, result});
  }
  // Waits up to 10 s until `done` holds under the lock.
  template <typename Done>
  bool WaitFor(Done done) {
    for (int i = 0; i < 2000; ++i) {
      {
        std::lock_guard lock(mutex);
        if (done()) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  std::mutex mutex;
  std::vector<std::string> steps;
  std::vector<std::pair<BulkRun, RunResult>> ends;
};

class LoggerSessionTest : public ::testing::Test {
 protected:
  void StartLogger(std::vector<std::string> args) {
    args.insert(args.end(), {"--no-pacing", "--baud", "19200"});
    ASSERT_TRUE(sim.Start(args)) << sim.error();
    sim.ExportPortDir();
    session.SetLockDirectory(sim.Path(""));
    session.Start();
    const SearchOutcome found = session.SearchNow(static_cast<uint8_t>(sim.com_number()), {});
    ASSERT_EQ(found.result.status, SearchStatus::kFound);
    ASSERT_EQ(found.result.baud, 19200u);
  }

  testing::SimProcess sim;
  RunLog log;
  CLoggerSession session{&log};
};

TEST_F(LoggerSessionTest, ReadRunPreemptsWriteRunWhichResumesAtItsStep) {
  StartLogger({"--turnaround", "20"});
  session.StartRun(BulkRun::kWrite);
  // Let the write run make a few steps, then start a read run over it.
  ASSERT_TRUE(log.WaitFor([this] { return log.steps.size() >= 3; }));
  const RunResult read = session.RunNow(BulkRun::kRead, {});
  EXPECT_TRUE(read.Succeeded());
  EXPECT_EQ(read.total_steps, 97u);
  ASSERT_TRUE(session.RunArmed(BulkRun::kWrite));
  ASSERT_TRUE(log.WaitFor([this] { return log.ends.size() == 2; }));

  std::lock_guard lock(log.mutex);
  // Write steps, then the whole read run, then the write run from the step after its last.
  size_t first_read = 0;
  while (log.steps[first_read][0] == 'w') ++first_read;
  const unsigned write_before = static_cast<unsigned>(first_read);
  for (unsigned k = 0; k < 97; ++k) EXPECT_EQ(log.steps[first_read + k], "r" + std::to_string(k));
  EXPECT_EQ(log.steps[first_read + 97], "w" + std::to_string(write_before));
  EXPECT_EQ(log.steps.size(), 97u + 97u);
  ASSERT_EQ(log.ends.size(), 2u);
  EXPECT_EQ(log.ends[1].first, BulkRun::kWrite);
  EXPECT_TRUE(log.ends[1].second.Succeeded());
}

TEST_F(LoggerSessionTest, MissingAnswerEndsBothRunsAtItsStep) {
  StartLogger({"--silent-after", "5"});
  session.StartRun(BulkRun::kWrite);
  const RunResult read = session.RunNow(BulkRun::kRead, {});
  EXPECT_EQ(read.status, ExchangeStatus::kTimeout);
  EXPECT_EQ(read.failed_step, static_cast<int>(read.steps_done) - 1);
  EXPECT_FALSE(session.RunInProgress());
  ASSERT_TRUE(log.WaitFor([this] { return log.ends.size() == 2; }));
  std::lock_guard lock(log.mutex);
  EXPECT_EQ(log.ends[1].second.status, ExchangeStatus::kTimeout);
}

TEST_F(LoggerSessionTest, StopCancelsRunAndTheLineServesTheNextJob) {
  StartLogger({"--turnaround", "20"});
  std::stop_source stop;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop.request_stop();
  });
  const RunResult cut = session.RunNow(BulkRun::kRead, stop.get_token());
  canceller.join();
  EXPECT_EQ(cut.status, ExchangeStatus::kCancelled);
  const RequestResult version = session.ReadVersionNow({});
  ASSERT_EQ(version.status, ExchangeStatus::kComplete);
  EXPECT_TRUE(version.outcome.accepted);
  std::lock_guard lock(session.store_mutex());
  EXPECT_EQ(session.store().fw_version, 0x0102);
}

}  // namespace
}  // namespace travex
