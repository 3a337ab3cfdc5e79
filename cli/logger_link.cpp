#include "cli/logger_link.h"

#include <cerrno>
#include <cstring>

#include "protocol/link_codec.h"

namespace travex::cli {
namespace {

// The step of a run in words: "step 12 of 97 (set 1 of channel 11)".
std::string StepText(unsigned index, unsigned total, const BulkStep& step) {
  std::string block;
  if (step.base) {
    block = "base settings";
  } else if (step.first_id >= 3000) {
    block = "coefficients of channel " + std::to_string(step.channel);
  } else if (step.first_id >= 2000) {
    block = "set 2 of channel " + std::to_string(step.channel);
  } else {
    block = "set 1 of channel " + std::to_string(step.channel);
  }
  return "step " + std::to_string(index + 1) + " of " + std::to_string(total) + " (" + block + ")";
}

// Why the parser rejected an answer, in English.
std::string RejectionText(const ReplyOutcome& outcome) {
  switch (outcome.fault) {
    case ReplyFault::kTooShort: return "invalid frame (too short)";
    case ReplyFault::kLength: return "frame length error";
    case ReplyFault::kStructure: return "frame structure error";
    case ReplyFault::kCrc: return "CRC error";
    case ReplyFault::kItems: return "frame error (the items do not fit the frame)";
    case ReplyFault::kNone: break;
  }
  return std::string(outcome.text);
}

Outcome ExchangeFailure(ExchangeStatus status, const std::string& what) {
  switch (status) {
    case ExchangeStatus::kTimeout:
      return Failure(kExitNoAnswer, "the logger did not answer (timed out) at " + what);
    case ExchangeStatus::kBadStart:
      return Failure(kExitNoAnswer, "the answer at " + what + " is not a parameter frame");
    case ExchangeStatus::kDisconnected:
      return Failure(kExitNoAnswer, "the device was disconnected at " + what);
    case ExchangeStatus::kCancelled:
      return Failure(kExitCancelled, "cancelled at " + what);
    case ExchangeStatus::kComplete:
      break;
  }
  return {};
}

class SearchProgress : public ISearchObserver {
 public:
  SearchProgress(CProgressBoard* board, size_t row) : board_(board), row_(row) {}
  void OnTryingRate(uint32_t rate, int) override {
    if (board_ != nullptr) board_->SetPhase(row_, "searching " + std::to_string(rate));
  }

 private:
  CProgressBoard* board_;
  size_t row_;
};

// Progress of a run, and the first step whose answer was rejected.
class RunProgress : public IRunObserver {
 public:
  RunProgress(CProgressBoard* board, size_t row, BulkRun run)
      : board_(board), row_(row), verb_(run == BulkRun::kWrite ? "writing " : "reading ") {}
  void OnStepStarting(unsigned index, unsigned total, const BulkStep& step) override {
    current_ = step;
    if (board_ != nullptr) board_->SetSteps(row_, index, total, verb_ + BlockName(step));
  }
  void OnStepDone(unsigned index, unsigned total, const RequestResult& result) override {
    if (board_ != nullptr) board_->SetSteps(row_, index + 1, total, {});
    if (result.status == ExchangeStatus::kComplete && !result.outcome.accepted &&
        first_rejected_.empty()) {
      first_rejected_ =
          StepText(index, total, current_) + ": " + RejectionText(result.outcome);
    }
    step_text_ = StepText(index, total, current_);
  }
  const std::string& first_rejected() const { return first_rejected_; }
  const std::string& step_text() const { return step_text_; }

 private:
  static std::string BlockName(const BulkStep& step) {
    if (step.base) return "base";
    const char* set = step.first_id >= 3000 ? "coef " : step.first_id >= 2000 ? "set 2 " : "set 1 ";
    return set + std::to_string(step.channel);
  }
  CProgressBoard* board_;
  size_t row_;
  std::string verb_;
  BulkStep current_;
  std::string first_rejected_;
  std::string step_text_;
};

}  // namespace

std::string OpenFailureText(const OpenFailure& failure) {
  std::string text = "cannot open the port";
  if (failure.busy) {
    text += ": it is in use by ";
    text += failure.holder.empty() ? "another program" : "process " + failure.holder;
    return text;
  }
  if (failure.error == ENOENT) return text + ": the device does not exist (unplugged?)";
  if (failure.error != 0) text += ": " + failure.reason;
  if (failure.refused_settings)
    text += "; the device refuses serial line settings (not a serial port?)";
  if (failure.permission) {
    text +=
        "; the user may not use serial ports: add the user to the dialout group "
        "(sudo usermod -aG dialout $USER) and log in again";
  }
  return text;
}

std::string VersionText(uint16_t fw_version) {
  if (fw_version == 0) return "none";
  return std::to_string(fw_version >> 8) + "." + std::to_string(fw_version & 0xFF);
}

CLoggerLink::CLoggerLink(const PortRef& port, IFrameSink* trace, CProgressBoard* board, size_t row)
    : port_ref_(port), board_(board), row_(row) {
  session_.SetFrameSink(trace);
  reader_.Start(port_, ring_);
}

CLoggerLink::~CLoggerLink() {
  reader_.Stop();
  port_.Close();
}

void CLoggerLink::Phase(std::string text) {
  if (board_ != nullptr) board_->SetPhase(row_, std::move(text));
}

Outcome CLoggerLink::Connect(const ConnectOptions& options, std::stop_token stop) {
  const auto number = static_cast<uint8_t>(port_ref_.number);
  if (options.baud == 0) {
    SearchProgress progress(board_, row_);
    const SearchResult found = session_.Search(number, &progress, stop);
    switch (found.status) {
      case SearchStatus::kFound:
        baud_ = found.baud;
        address_ = found.address;
        break;
      case SearchStatus::kOpenFailed:
        return Failure(kExitPort, OpenFailureText(DescribeOpenFailure(port_)));
      case SearchStatus::kNoAnswer:
        return Failure(kExitNoAnswer, "no logger answered at any of the nine baud rates");
      case SearchStatus::kCancelled:
        return Failure(kExitCancelled, "cancelled during the baud-rate search");
    }
  } else {
    Phase("opening at " + std::to_string(options.baud));
    if (!session_.Open(number, options.baud)) {
      return Failure(kExitPort, OpenFailureText(DescribeOpenFailure(port_)));
    }
    baud_ = options.baud;
    if (options.address != 0) {
      uint8_t query[kLinkFrameSize];
      session_.link_codec.BuildQuery(query);
      if (!session_.LinkExchange(query, kLinkWindow, stop)) {
        if (stop.stop_requested())
          return Failure(kExitCancelled, "cancelled during the link query");
        return Failure(kExitNoAnswer, "the logger did not answer the link query at " +
                                          std::to_string(options.baud) + " bit/s");
      }
      address_ = session_.link_codec.GetAddress();
    }
  }
  if (options.address != 0 && address_ != options.address) {
    return Failure(kExitWrongLogger, "the logger reports address " + std::to_string(address_) +
                                         ", not " + std::to_string(options.address));
  }
  return {};
}

Outcome CLoggerLink::Request(CParamStore& store, uint16_t length, const std::string& what,
                             std::stop_token stop) {
  uint8_t frame[kFrameBufferSize];
  {
    std::lock_guard lock(store_mutex_);
    std::memcpy(frame, store.request, length);
  }
  const RequestResult result = session_.Request(store, store_mutex_, frame, length, stop);
  if (result.status != ExchangeStatus::kComplete) return ExchangeFailure(result.status, what);
  if (!result.outcome.accepted) {
    return Failure(kExitNoAnswer, "the answer to " + what +
                                      " was rejected: " + RejectionText(result.outcome));
  }
  return {};
}

Outcome CLoggerLink::ReadVersion(CParamStore& store, std::stop_token stop) {
  Phase("reading the firmware version");
  uint16_t length = 0;
  {
    std::lock_guard lock(store_mutex_);
    length = store.BuildReadRequest(9, 1);
  }
  return Request(store, length, "the firmware version query", stop);
}

Outcome CLoggerLink::RunAll(CParamStore& store, BulkRun run, bool* coefficients,
                            std::stop_token stop) {
  RunProgress progress(board_, row_, run);
  const RunResult result = session_.RunAll(store, store_mutex_, run, &progress, stop);
  if (coefficients != nullptr) *coefficients = result.coefficients;
  if (result.status != ExchangeStatus::kComplete) {
    return ExchangeFailure(result.status, progress.step_text());
  }
  if (result.rejected_blocks != 0) {
    return Failure(kExitNoAnswer, std::to_string(result.rejected_blocks) + " of " +
                                      std::to_string(result.total_steps) +
                                      " answers were rejected, first at " +
                                      progress.first_rejected());
  }
  return {};
}

Outcome CLoggerLink::WriteClock(uint32_t seconds, std::stop_token stop) {
  Phase("setting the clock");
  CParamStore store;
  store.image.base.device_time = seconds;
  const uint16_t length = store.BuildWriteRequest(8, 1);
  return Request(store, length, "the clock write", stop);
}

Outcome CLoggerLink::LinkSet(const uint8_t* frame, std::stop_token stop) {
  Phase("setting");
  if (!session_.LinkExchange(frame, kLinkWindow, stop)) {
    if (stop.stop_requested()) return Failure(kExitCancelled, "cancelled");
    return Failure(kExitNoAnswer, "the logger did not answer the link frame at " +
                                      std::to_string(baud_) + " bit/s");
  }
  baud_ = session_.link_codec.GetBaud();
  address_ = session_.link_codec.GetAddress();
  return {};
}

}  // namespace travex::cli
