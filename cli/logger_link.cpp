#include "cli/logger_link.h"

#include "cli/cli_texts.h"

namespace travex::cli {

CLoggerLink::CLoggerLink(const PortRef& port, IFrameSink* trace, CProgressBoard* board, size_t row,
                         const HistoryPlace& history)
    : port_ref_(port), board_(board), row_(row) {
  session_.SetFrameSink(trace);
  session_.SetHistory(history);
  session_.Start();
}

void CLoggerLink::Phase(std::string text) {
  if (board_ != nullptr) board_->SetPhase(row_, std::move(text));
}

void CLoggerLink::OnSearchRate(uint32_t rate, int) { Phase("searching " + std::to_string(rate)); }

void CLoggerLink::OnHistoryKept(HistoryKind kind, const std::string& path) {
  std::lock_guard lock(run_mutex_);
  history_paths_[static_cast<int>(kind)] = path;
}

void CLoggerLink::OnHistoryFailed(const std::string& reason) {
  std::lock_guard lock(run_mutex_);
  history_problem_ = reason;
}

std::string CLoggerLink::HistoryPath(HistoryKind kind) {
  std::lock_guard lock(run_mutex_);
  return history_paths_[static_cast<int>(kind)];
}

std::string CLoggerLink::HistoryProblem() {
  std::lock_guard lock(run_mutex_);
  return history_problem_;
}

void CLoggerLink::OnRunStep(const RunStep& step) {
  {
    std::lock_guard lock(run_mutex_);
    step_sent_ = true;
    last_step_ = step;
  }
  if (board_ == nullptr) return;
  const char* verb = step.run == BulkRun::kWrite ? "writing " : "reading ";
  board_->SetSteps(row_, step.index, step.total, verb + BlockShortText(step.block));
}

void CLoggerLink::OnRunStepEnded(const RunStep& step, const RequestResult& result) {
  if (board_ != nullptr) board_->SetSteps(row_, step.index + 1, step.total, {});
  if (result.status != ExchangeStatus::kComplete || result.outcome.accepted) return;
  std::lock_guard lock(run_mutex_);
  if (first_rejected_.empty()) {
    first_rejected_ = StepText(step.index, step.total, step.block) + ": " +
                      RejectionText(result.outcome.fault);
  }
}

Outcome CLoggerLink::Connect(const ConnectOptions& options, std::stop_token stop) {
  const PortTarget target = port_ref_.Target();
  if (options.baud == 0) {
    const SearchOutcome found = session_.SearchNow(target, stop, options.remembered_rate);
    if (found.result.status == SearchStatus::kOpenFailed) {
      return Failure(kExitPort, OpenFailureText(found.failure));
    }
    if (Outcome o = SearchFailure(found.result); !o.ok()) return o;
    baud_ = found.result.baud;
    address_ = found.result.address;
  } else {
    Phase("opening at " + std::to_string(options.baud));
    const OpenOutcome opened = session_.OpenNow(target, options.baud);
    if (!opened.opened) return Failure(kExitPort, OpenFailureText(opened.failure));
    baud_ = options.baud;
    if (options.address != 0) {
      const LinkOutcome query = session_.LinkNow({}, stop);
      if (query.cancelled) return Failure(kExitCancelled, "cancelled during the link query");
      if (!query.answered) {
        return Failure(kExitNoAnswer, "the logger did not answer the link query at " +
                                          std::to_string(options.baud) + " bit/s");
      }
      address_ = query.address;
    }
  }
  if (options.address != 0 && address_ != options.address) {
    return Failure(kExitWrongLogger, "the logger reports address " + std::to_string(address_) +
                                         ", not " + std::to_string(options.address));
  }
  return {};
}

void CLoggerLink::SetImage(const ParamImage& image) {
  std::lock_guard lock(session_.store_mutex());
  session_.store().image = image;
}

ParamImage CLoggerLink::Image() {
  std::lock_guard lock(session_.store_mutex());
  return session_.store().image;
}

uint16_t CLoggerLink::FirmwareVersion() {
  std::lock_guard lock(session_.store_mutex());
  return session_.store().fw_version;
}

namespace {

// A single request's end: its exchange, then what the parser made of the answer.
Outcome RequestOutcome(const RequestResult& result, const std::string& what) {
  if (result.status != ExchangeStatus::kComplete) return ExchangeFailure(result.status, what);
  if (!result.outcome.accepted) {
    return Failure(kExitNoAnswer, "the answer to " + what +
                                      " was rejected: " + RejectionText(result.outcome.fault));
  }
  return {};
}

}  // namespace

Outcome CLoggerLink::ReadVersion(std::stop_token stop) {
  Phase("reading the firmware version");
  return RequestOutcome(session_.ReadVersionNow(stop), "the firmware version query");
}

Outcome CLoggerLink::WriteClock(uint32_t seconds, std::stop_token stop) {
  Phase("setting the clock");
  return RequestOutcome(session_.SetClockNow(seconds, stop), "the clock write");
}

std::string CLoggerLink::RunEndPlace(const RunResult& result) {
  if (result.failed_step >= 0) {
    const auto index = static_cast<unsigned>(result.failed_step);
    return StepText(index, result.total_steps, BlockOfStep(index));
  }
  std::lock_guard lock(run_mutex_);
  if (!step_sent_) return "the start of the run";
  return StepText(last_step_.index, last_step_.total, last_step_.block);
}

Outcome CLoggerLink::RunAll(BulkRun run, bool* coefficients, std::stop_token stop) {
  {
    std::lock_guard lock(run_mutex_);
    step_sent_ = false;
    first_rejected_.clear();
  }
  const RunResult result = session_.RunNow(run, stop);
  if (coefficients != nullptr) *coefficients = result.coefficients;
  if (result.status != ExchangeStatus::kComplete) {
    return ExchangeFailure(result.status, RunEndPlace(result));
  }
  if (result.rejected_blocks != 0) {
    std::lock_guard lock(run_mutex_);
    return Failure(kExitNoAnswer, std::to_string(result.rejected_blocks) + " of " +
                                      std::to_string(result.total_steps) +
                                      " answers were rejected, first at " + first_rejected_);
  }
  return {};
}

Outcome CLoggerLink::LinkSet(LinkRequest request, std::stop_token stop) {
  Phase("setting");
  const LinkOutcome outcome = session_.LinkNow(request, stop);
  if (outcome.cancelled) return Failure(kExitCancelled, "cancelled");
  if (!outcome.answered) {
    return Failure(kExitNoAnswer, "the logger did not answer the link frame at " +
                                      std::to_string(baud_) + " bit/s");
  }
  baud_ = outcome.baud;
  address_ = outcome.address;
  return {};
}

}  // namespace travex::cli
