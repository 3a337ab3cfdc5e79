// One logger on one port for the command line: a session (which owns the port, its lock and
// the threads) with the operations the commands are made of. Each returns an Outcome whose
// message names the cause in English; the caller adds the port. Nothing here prints.
//
// A link lives on the thread that runs the command for its port; the session's threads are
// stopped and joined, and the port closed (its lock released), when the link is destroyed.
// Progress reaches the board from the session's worker.
#pragma once

#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>

#include "cli/exit_codes.h"
#include "cli/port_list.h"
#include "cli/progress.h"
#include "params/param_image.h"
#include "session/logger_session.h"

namespace travex::cli {

struct ConnectOptions {
  uint32_t baud = 0;     // open at this rate; 0: search the rate
  unsigned address = 0;  // 1..255: refuse a logger that reports another address
  uint32_t remembered_rate = 0;  // the search tries it first (0: none)
};

class CLoggerLink : private ISessionEvents {
 public:
  // trace: where frames go (nullptr: nowhere); board and row: where progress goes; history:
  // where whole images are kept.
  CLoggerLink(const PortRef& port, IFrameSink* trace, CProgressBoard* board, size_t row,
              const HistoryPlace& history = {});
  ~CLoggerLink() override = default;
  CLoggerLink(const CLoggerLink&) = delete;
  CLoggerLink& operator=(const CLoggerLink&) = delete;

  const PortRef& port() const { return port_ref_; }
  uint32_t baud() const { return baud_; }
  uint8_t address() const { return address_; }

  // Opens the port at options.baud, or searches the rate; then checks the address when asked
  // for (the search's answer tells it, else a link query asks).
  Outcome Connect(const ConnectOptions& options, std::stop_token stop);

  // The image the runs read into and write from, and the firmware version the logger reported
  // (0 until it has).
  void SetImage(const ParamImage& image);
  ParamImage Image();
  uint16_t FirmwareVersion();

  // Asks for the firmware version alone: the image stays as it is.
  Outcome ReadVersion(std::stop_token stop);

  // A whole read-all or write-all. Fails on the first step without an answer and when any
  // answer was rejected. *coefficients tells whether the coefficient steps were part of it.
  Outcome RunAll(BulkRun run, bool* coefficients, std::stop_token stop);

  // Sets the logger's clock alone.
  Outcome WriteClock(uint32_t seconds, std::stop_token stop);

  // A set-address or set-baud; the answer's rate and address are then in baud() and address().
  Outcome LinkSet(LinkRequest request, std::stop_token stop);

  // The file the history kept last of this kind (empty: none), and why the history could not
  // be kept (empty: it could).
  std::string HistoryPath(HistoryKind kind);
  std::string HistoryProblem();

 private:
  // The session's events (its worker thread).
  void OnSearchRate(uint32_t rate, int index) override;
  void OnRunStep(const RunStep& step) override;
  void OnRunStepEnded(const RunStep& step, const RequestResult& result) override;
  void OnHistoryKept(HistoryKind kind, const std::string& path) override;
  void OnHistoryFailed(const std::string& reason) override;
  void Phase(std::string text);
  // Where the run that has just ended stopped, in words.
  std::string RunEndPlace(const RunResult& result);

  PortRef port_ref_;
  CProgressBoard* board_;
  size_t row_;
  uint32_t baud_ = 0;
  uint8_t address_ = 0;

  // The run in progress, as its events tell it.
  std::mutex run_mutex_;
  bool step_sent_ = false;
  RunStep last_step_;
  std::string first_rejected_;
  std::string history_paths_[3];  // by HistoryKind
  std::string history_problem_;

  CLoggerSession session_{this};  // last: its threads end before the members above go
};

}  // namespace travex::cli
