// CLoggerSession: the read-all and write-all runs, one step at a time on the worker.
#include <future>
#include <utility>

#include "session/logger_session.h"

namespace travex {

namespace {
constexpr BulkRun kRuns[] = {BulkRun::kRead, BulkRun::kWrite};
BulkRun Other(BulkRun run) { return run == BulkRun::kRead ? BulkRun::kWrite : BulkRun::kRead; }
}  // namespace

void CLoggerSession::StartRunLocked(BulkRun run, std::function<void(const RunResult&)> on_end) {
  // An answer the other run still waits for is collected first; a restart of this run
  // abandons its own.
  if (waiting_ && exchange_run_ != Other(run)) {
    run_stop_.request_stop();
    waiting_ = false;
    exchange_run_ = BulkRun::kNone;
  }
  RunState& state = State(run);
  state.armed = true;
  state.next = 0;
  ++state.generation;
  state.result = RunResult{};
  state.on_end = std::move(on_end);
}

void CLoggerSession::StartRun(BulkRun run) {
  {
    std::lock_guard lock(mutex_);
    StartRunLocked(run, {});
  }
  cv_.notify_all();
}

void CLoggerSession::CancelRuns() {
  std::vector<std::function<void()>> notices;
  {
    std::lock_guard lock(mutex_);
    if (waiting_) run_stop_.request_stop();
    EndRunsLocked(ExchangeStatus::kCancelled, &notices);
    waiting_ = false;
    exchange_run_ = BulkRun::kNone;
    // Whatever the old runs still report is about runs that are gone.
    for (BulkRun run : kRuns) ++State(run).generation;
  }
  for (auto& notice : notices) notice();
}

bool CLoggerSession::RunInProgress() const {
  std::lock_guard lock(mutex_);
  return InProgressLocked(BulkRun::kRead) || InProgressLocked(BulkRun::kWrite);
}

bool CLoggerSession::RunArmed(BulkRun run) const {
  std::lock_guard lock(mutex_);
  return InProgressLocked(run);
}

unsigned CLoggerSession::RunNextStep(BulkRun run) const {
  std::lock_guard lock(mutex_);
  return State(run).next;
}

bool CLoggerSession::RunAnswerOutstanding() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

uint32_t CLoggerSession::RunGeneration(BulkRun run) const {
  std::lock_guard lock(mutex_);
  return State(run).generation;
}

void CLoggerSession::EndRunLocked(BulkRun run, std::vector<std::function<void()>>* notices) {
  RunState& state = State(run);
  state.armed = false;
  const RunResult result = state.result;
  const uint32_t generation = state.generation;
  std::function<void(const RunResult&)> on_end = std::move(state.on_end);
  state.on_end = nullptr;
  // Kept before the end is told, so that whoever waits for it finds the file there. Only a
  // run's normal end (on the worker) completes it.
  if (result.status == ExchangeStatus::kComplete && result.total_steps != 0 &&
      result.steps_done == result.total_steps && result.rejected_blocks == 0) {
    notices->push_back([this, run] { KeepRunImage(run); });
  }
  notices->push_back([this, run, result, generation, on_end = std::move(on_end)] {
    if (events_ != nullptr) events_->OnRunEnded(run, result, generation);
    if (on_end) on_end(result);
  });
}

void CLoggerSession::EndRunsLocked(ExchangeStatus status,
                                   std::vector<std::function<void()>>* notices) {
  for (BulkRun run : kRuns) {
    if (!InProgressLocked(run)) continue;
    State(run).result.status = status;
    EndRunLocked(run, notices);
  }
}

void CLoggerSession::RunStepLocked(std::unique_lock<std::mutex>& lock) {
  const BulkRun run = State(BulkRun::kRead).armed ? BulkRun::kRead : BulkRun::kWrite;
  RunState& state = State(run);
  uint16_t version = 0;
  {
    std::lock_guard store(store_mutex_);
    version = store_.fw_version;
  }
  // The version is taken afresh at every step: a read run normally has it from its own step 0.
  RunStep step{run, state.next, RunStepCount(version), BlockOfStep(state.next), state.generation};
  std::vector<std::function<void()>> notices;
  if (step.index >= step.total) {
    state.result.total_steps = step.total;
    state.result.coefficients = version != 0;
    EndRunLocked(run, &notices);
    lock.unlock();
    for (auto& notice : notices) notice();
    lock.lock();
    return;
  }

  // Up before the request goes out: the run makes no other step until its answer is in.
  waiting_ = true;
  exchange_run_ = run;
  run_stop_ = std::stop_source();
  const std::stop_token token = run_stop_.get_token();
  const bool last_step = step.index + 1 >= kBlockCount;
  const bool write = run == BulkRun::kWrite;
  if (last_step) {
    // The last request goes out now; its answer is still collected as usual.
    state.next = 0;
    state.armed = false;
  } else {
    state.next = step.index + 1;
  }
  lock.unlock();

  if (write && step.index == 0) KeepHeldImage();
  if (events_ != nullptr) events_->OnRunStep(step);
  const RequestResult result = Exchange(BlockItems(step.block, write), write, token);
  {
    std::lock_guard store(store_mutex_);
    version = store_.fw_version;
  }

  lock.lock();
  // Restarted or cancelled meanwhile, also when the answer was in just before: this step
  // belongs to a run that is gone and must not count in, or end, the one there now.
  if (result.status == ExchangeStatus::kCancelled || state.generation != step.generation) return;
  waiting_ = false;
  exchange_run_ = BulkRun::kNone;
  step.total = RunStepCount(version);
  RunResult& tally = state.result;
  ++tally.steps_done;
  tally.total_steps = step.total;
  tally.coefficients = version != 0;
  if (result.status == ExchangeStatus::kComplete && !result.outcome.accepted) {
    ++tally.rejected_blocks;
  }
  notices.push_back([this, step, result] {
    if (events_ != nullptr) events_->OnRunStepEnded(step, result);
  });
  if (result.status != ExchangeStatus::kComplete) {
    // No answer: both runs end, this one with the step that failed.
    tally.status = result.status;
    tally.failed_step = static_cast<int>(step.index);
    EndRunLocked(run, &notices);
    EndRunsLocked(result.status, &notices);
  } else if (last_step) {
    EndRunLocked(run, &notices);
  }
  lock.unlock();
  for (auto& notice : notices) notice();
  lock.lock();
}

RunResult CLoggerSession::RunNow(BulkRun run, std::stop_token stop) {
  std::promise<RunResult> promise;
  std::future<RunResult> future = promise.get_future();
  {
    std::lock_guard lock(mutex_);
    StartRunLocked(run, [&promise](const RunResult& result) { promise.set_value(result); });
  }
  cv_.notify_all();
  std::stop_callback cancel(stop, [this] { CancelRuns(); });
  return future.get();
}

}  // namespace travex
