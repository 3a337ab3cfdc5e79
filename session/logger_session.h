// CLoggerSession: one logger on one port, the layer beneath every front end. It owns the line
// (a local port with its lock, or a serial device server's line; see CPortLine), the receive ring, the reader thread, the parameter store and one worker
// thread. The worker runs one job at a time: the baud-rate search, opening at a known rate,
// link queries and sets, single block reads and writes, the firmware version query, the clock
// set, and the steps of the read-all and write-all runs.
//
// Front ends say what they want ("read base", "write set 1 of channel 5", "write all", "set
// address 5"); they never see a frame. Each job reports its end once through its callback, and
// runs report their steps and their end through ISessionEvents. Callbacks and events run on
// the worker thread (OnLineLost too): a dialog posts them to its own thread, the command line
// waits for them (the *Now forms below do that).
//
// Runs, as the dialog has always had them:
//  - a read run takes precedence: while one is armed the write run makes no step, and it goes
//    on from its next step once the read run has ended;
//  - starting a run that is armed already starts it again at step 0; an answer the other run
//    still waits for is collected first;
//  - a run is over as soon as its last request is out; that answer is still collected;
//  - a step without an answer ends both runs;
//  - a complete answer that is rejected is counted, and the run goes on.
// Jobs come before run steps: a job queued during a run runs between two steps.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "params/block_table.h"
#include "params/param_store.h"
#include "paramfile/history.h"
#include "serial/com_port.h"
#include "serial/port_line.h"
#include "serial/reader_thread.h"
#include "serial/rx_ring.h"
#include "session/line_exchanges.h"

namespace travex {

// A query of the logger's rate and address, or a change of one of them.
struct LinkRequest {
  enum class Action : uint8_t { kQuery, kSetAddress, kSetBaud };
  Action action = Action::kQuery;
  uint8_t value = 0;  // the new address, or the link code of the new rate (1..3)
};

struct LinkOutcome {
  bool answered = false;  // false also when cancelled
  bool cancelled = false;
  uint32_t baud = 0;      // what the answer says (also kept in link_codec)
  uint8_t address = 0;
};

struct SearchOutcome {
  SearchResult result;
  OpenFailure failure;  // when result.status is kOpenFailed
};

struct OpenOutcome {
  bool opened = false;
  OpenFailure failure;  // when not opened
};

// One step of a run as it is about to be sent, or has ended.
struct RunStep {
  BulkRun run = BulkRun::kRead;
  unsigned index = 0;  // 0..96
  unsigned total = 0;  // 65 or 97, as far as the firmware version is known now
  BlockRef block;
  uint32_t generation = 0;  // the run's generation (see RunGeneration)
};

class ISessionEvents {
 public:
  virtual ~ISessionEvents() = default;
  // The search tries `rate`, the index-th (0..8) of its round.
  virtual void OnSearchRate(uint32_t /*rate*/, int /*index*/) {}
  // A run's step: about to be sent (its request is built), and ended.
  virtual void OnRunStep(const RunStep& /*step*/) {}
  virtual void OnRunStepEnded(const RunStep& /*step*/, const RequestResult& /*result*/) {}
  // A run has ended: completed, ended by a step without an answer, or cancelled.
  virtual void OnRunEnded(BulkRun /*run*/, const RunResult& /*result*/, uint32_t /*generation*/) {}
  // The device behind the open port hung up; the session has closed the port.
  virtual void OnLineLost() {}
  // An image was kept in the history (see SetHistory), at `path`.
  virtual void OnHistoryKept(HistoryKind /*kind*/, const std::string& /*path*/) {}
  // The history could not be kept; told once per session, the reads and writes go on.
  virtual void OnHistoryFailed(const std::string& /*reason*/) {}
};

class CLoggerSession {
 public:
  using SearchDone = std::function<void(const SearchOutcome&)>;
  using OpenDone = std::function<void(const OpenOutcome&)>;
  using LinkDone = std::function<void(const LinkOutcome&)>;
  using RequestDone = std::function<void(const RequestResult&)>;

  // events may be nullptr; it must outlive the session's threads.
  explicit CLoggerSession(ISessionEvents* events = nullptr);
  ~CLoggerSession();
  CLoggerSession(const CLoggerSession&) = delete;
  CLoggerSession& operator=(const CLoggerSession&) = delete;

  // Where every frame is reported (nullptr: nowhere). Set it before the first job.
  void SetFrameSink(IFrameSink* sink) { exchanges_.SetFrameSink(sink); }
  // Where UUCP lock files are made (tests).
  void SetLockDirectory(std::string dir) { line_.local().SetLockDirectory(std::move(dir)); }

  // Where whole images are kept (default: nowhere). Set it before Start. A completed read-all
  // and a completed write-all are kept; before a write-all, so is the image the logger held,
  // when a read-all on this connection has read all of it since the last write.
  void SetHistory(HistoryPlace place) {
    history_place_ = std::move(place);
    history_on_ = true;
  }

  // Starts the reader and the worker. Idempotent.
  void Start();
  // Cancels everything, stops and joins both threads, closes the port (removing its lock).
  // Idempotent; the destructor calls it.
  void Shutdown();

  // --- jobs (any thread; `done` runs once, on the worker, also when the job is cancelled) ---
  // The port is a COM number or an address (see CPortLine). The search tries `remembered_rate`
  // first, the rate this port last answered at (0: none); the outcome's rate is the one to
  // remember.
  void Search(const PortTarget& target, SearchDone done, uint32_t remembered_rate = 0);
  void Open(const PortTarget& target, uint32_t baud, OpenDone done);
  void Link(LinkRequest request, LinkDone done);
  void ReadBlock(BlockRef block, RequestDone done);
  void WriteBlock(BlockRef block, RequestDone done);
  void ReadVersion(RequestDone done);
  void SetClock(uint32_t seconds, RequestDone done);
  // Cancels the queued jobs and the job in progress, the search included (not the runs).
  void CancelJobs();
  // Cancels the parameter requests queued or in progress only (a newer one takes over).
  void CancelBlockRequests();

  // --- runs ---
  void StartRun(BulkRun run);
  // Ends both runs at once: no further request; the answer outstanding is abandoned. Each run
  // that was armed reports its end as cancelled.
  void CancelRuns();
  bool RunInProgress() const;
  // The run is armed or waits for its last answer.
  bool RunArmed(BulkRun run) const;
  // The step the run sends next, and whether a run's answer is outstanding now.
  unsigned RunNextStep(BulkRun run) const;
  bool RunAnswerOutstanding() const;
  // Changes whenever the run is started or cancelled: events of an older generation are
  // about a run that is no longer there.
  uint32_t RunGeneration(BulkRun run) const;

  // A job queued or running, or a run in progress.
  bool Busy() const;
  bool IsOpen() const { return line_.IsOpen(); }
  // Which device each COM number stands for while the session lives (the port list shows it).
  ComPortNumbering& Numbering() { return line_.local().Numbering(); }
  // The line and its local port, for tests and diagnostics; front ends go through the jobs.
  ISerialLine& line() { return line_; }
  CComPort& port() { return line_.local(); }

  // The store is shared with the worker: lock store_mutex() around every use of it.
  CParamStore& store() { return store_; }
  std::mutex& store_mutex() { return store_mutex_; }
  // The logger's rate and address from the last accepted link answer (worker; read it after a
  // job's end).
  const CLinkCodec& link_codec() const { return exchanges_.link_codec; }

  // --- the same jobs for a caller with a thread of its own: wait for the end; `stop` cancels
  // the job (and a run) ---
  SearchOutcome SearchNow(const PortTarget& target, std::stop_token stop,
                          uint32_t remembered_rate = 0);
  OpenOutcome OpenNow(const PortTarget& target, uint32_t baud);
  LinkOutcome LinkNow(LinkRequest request, std::stop_token stop);
  RequestResult ReadVersionNow(std::stop_token stop);
  RequestResult SetClockNow(uint32_t seconds, std::stop_token stop);
  RunResult RunNow(BulkRun run, std::stop_token stop);

 private:
  // The session's own jobs are never cancelled; CancelJobs drops every other kind.
  enum class JobKind : uint8_t { kOwn, kSearch, kLink, kBlock };
  struct Job {
    JobKind kind = JobKind::kOwn;
    std::function<void(std::stop_token)> run;
    std::function<void()> cancelled;  // called instead of run when the job is dropped
  };
  struct RunState {
    bool armed = false;
    unsigned next = 0;
    uint32_t generation = 0;
    RunResult result;
    std::function<void(const RunResult&)> on_end;  // RunNow's waiter
  };

  void Queue(Job job);
  // Drops the queued jobs whose kind `drop` accepts and stops such a job in progress.
  template <typename Drop>
  void DropJobs(Drop drop);
  void WorkerLoop(std::stop_token stop);
  // A read or write request of `items` built from the store under its lock, exchanged, and
  // its answer parsed into the store.
  RequestResult Exchange(ItemRange items, bool write, std::stop_token stop);
  void OnHangup(uint32_t open_count);

  // --- the history (session_history.cpp), on the worker ---
  // What the logger holds is no longer known from a read-all (a new connection, a write).
  void ForgetHeldImage() { held_known_ = false; }
  // A run has completed: its image is kept; a read-all's is what the logger holds now.
  void KeepRunImage(BulkRun run);
  // A write-all is about to start: the image the logger holds is kept when it is known.
  void KeepHeldImage();
  void KeepImage(HistoryKind kind, const ParamImage& image, uint16_t fw_version);

  // --- runs (session_runs.cpp), called with mutex_ held ---
  RunState& State(BulkRun run) { return runs_[run == BulkRun::kRead ? 0 : 1]; }
  const RunState& State(BulkRun run) const { return runs_[run == BulkRun::kRead ? 0 : 1]; }
  bool RunDueLocked() const { return runs_[0].armed || runs_[1].armed; }
  void RunStepLocked(std::unique_lock<std::mutex>& lock);
  // Disarms both runs; each that was armed ends with `status`. Events go out after unlocking.
  void EndRunsLocked(ExchangeStatus status, std::vector<std::function<void()>>* notices);
  // Marks `run` ended with its result and queues its end notice.
  void EndRunLocked(BulkRun run, std::vector<std::function<void()>>* notices);
  bool InProgressLocked(BulkRun run) const {
    return State(run).armed || (waiting_ && exchange_run_ == run);
  }
  void StartRunLocked(BulkRun run, std::function<void(const RunResult&)> on_end);
  template <typename Result, typename Begin>
  Result Await(Begin begin, std::stop_token stop);

  ISessionEvents* events_;
  CPortLine line_;
  CRxRing ring_{&line_};
  CLineExchanges exchanges_{line_, ring_};
  std::mutex store_mutex_;
  CParamStore store_;

  mutable std::mutex mutex_;
  std::condition_variable_any cv_;
  std::deque<Job> jobs_;
  bool job_running_ = false;
  JobKind running_kind_ = JobKind::kOwn;
  std::stop_source job_stop_;
  // Runs: read and write; the run whose answer is outstanding, if any.
  RunState runs_[2];
  bool waiting_ = false;
  BulkRun exchange_run_ = BulkRun::kNone;
  std::stop_source run_stop_;

  // The history; the worker's alone after Start.
  HistoryPlace history_place_;
  bool history_on_ = false;
  bool history_failed_ = false;
  bool held_known_ = false;
  ParamImage held_image_;
  uint16_t held_fw_version_ = 0;

  CReaderThread reader_;
  std::jthread worker_;
};

}  // namespace travex
