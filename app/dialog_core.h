// CDialogCore: the main dialog's behaviour without a toolkit. The Qt dialog (CConfigDlg)
// implements the control operations (IDialogControls) and the platform hooks
// (IDialogPlatform), owns one CDialogCore built on them, and connects each control's event to
// the handler named in the command table. Tests use in-memory implementations of both.
//
// Every handler runs on the user-interface thread and returns at once: everything that talks
// to the logger (the baud-rate search, link exchanges, parameter requests and the read-all /
// write-all runs) runs on the transfer thread through the session layer (CSession), which
// hands each answer over the moment its last byte is in. Results come back to the
// user-interface thread through PostToUi. The reader thread and the transfer thread are started
// by InitDialog and stopped and joined by Shutdown.
#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/dialog_controls.h"
#include "app/param_panels.h"
#include "params/param_store.h"
#include "protocol/bulk_flags.h"
#include "protocol/bulk_transfer.h"
#include "protocol/link_codec.h"
#include "serial/port_map.h"
#include "serial/reader_thread.h"
#include "session/session.h"

namespace travex {

class CComPort;
class CRxRing;

// What the dialog needs from the toolkit beyond its controls.
class IDialogPlatform {
 public:
  virtual ~IDialogPlatform() = default;
  // Runs fn later on the user-interface thread (queued, never synchronously), in order.
  virtual void PostToUi(std::function<void()> fn) = 0;
  // Posts the progress message of a run; handled later on the user-interface thread by
  // CDialogCore::OnParamProgress(kind, channel).
  virtual void PostParamProgress(int kind, long channel) = 0;
  // Told when a search has found the logger: the port text it ran on (GBK) and the logger's
  // rate and address. A front end may remember them for the operator; nothing the dialog
  // sends depends on it.
  virtual void SearchFound(std::string_view /*port_text*/, uint32_t /*baud*/,
                           uint8_t /*address*/) {}
};

class CDialogCore {
 public:
  CDialogCore(IDialogControls& controls, IDialogPlatform& platform, CComPort& port, CRxRing& ring);
  virtual ~CDialogCore();
  CDialogCore(const CDialogCore&) = delete;
  CDialogCore& operator=(const CDialogCore&) = delete;

  // OnInitDialog after the controls exist: port list, worker threads, blank panes, panels.
  void InitDialog();
  // Stops and joins both worker threads (a search or an exchange in progress is abandoned).
  // Idempotent.
  void Shutdown();
  // Asked before the dialog ends: false when the operator wants to stay. While a read-all or
  // write-all is in progress, and while the panels hold edits that were neither written to a
  // logger nor exported, the operator is asked; a yes ends the run.
  bool ConfirmClose();
  // True while a read-all or write-all run is armed, sending or waiting for its last answer.
  bool RunInProgress() const;
  // True while the baud-rate search runs.
  bool SearchInProgress() const { return search_running_; }
  // True while the transfer thread has work: a search, an exchange or a run.
  bool Busy() const;

  // Fills IDC_PORT at start: the ports present, preferred_port selected when it is one of
  // them, else the first. An empty list disables IDC_PORT and IDC_TEST_BAUD and says why.
  void EnumeratePorts();
  // Brings IDC_PORT up to date with the ports present now (adapters plugged in or removed, the
  // port directory changed), keeping the operator's choice when it is still there. While the
  // search runs (it opens and closes the port) the refresh waits for its end.
  void RefreshPorts();
  void EnableAddrBaudButtons(bool enable);

  // Serial-information band.
  void OnTestBaud();
  void OnQueryAddress();
  void OnQueryBaud();
  void OnSetAddress();
  void OnSetBaud();

  // Base panel.
  void OnNow();
  void OnReadBase();
  void OnWriteBase();

  // Channel panels.
  void OnArg1ChannelChange();
  void OnGearChange();
  void OnArg2ChannelChange();
  void OnReadArg1();
  void OnWriteArg1();
  void OnReadArg2();
  void OnWriteArg2();

  // Parameter file.
  void OnImport();
  void OnExport();
  // Imports the file at `path` as the import button does after its file dialog.
  void ImportFile(const std::string& path);

  // Read-all and write-all.
  void OnReadAll();
  void OnWriteAll();
  void OnParamProgress(int kind, long channel);

  // The device behind the open port hung up (reader thread, any time).
  void OnDeviceLost(uint32_t open_count);

  // True when the panels or the image hold edits that were neither written to a logger nor
  // exported (user-interface thread).
  bool HasUnsavedEdits();

  // Where every frame the session sends and receives is reported (set before InitDialog).
  void SetFrameSink(IFrameSink* sink) { session_.SetFrameSink(sink); }

  // The panels and the store. The store is shared with the transfer thread: lock StoreMutex()
  // around any use of it outside the handlers.
  CParamPanels& panels() { return panels_; }
  std::mutex& StoreMutex() { return store_mutex_; }
  CLinkCodec& link_codec() { return session_.link_codec; }

  CParamStore param_store;
  // Where EnumeratePorts looks for ports: the real system unless a test points elsewhere.
  PortMapRoots port_map_roots;
  // The COM name EnumeratePorts selects when it is in the list (the one used last time).
  std::string preferred_port;
  BulkFlags bulk;

  // The application's name: caption of the message boxes.
  static constexpr std::string_view kAppName = "Travex配置软件";
  // Pane-3 text of a single request refused while a run or the search is in progress.
  static constexpr std::string_view kRunBusyText = "正在全部读取/写入，请稍候";
  // What the port list says when there is no port to choose.
  static constexpr std::string_view kNoPortsText = "未发现串口";

 private:
  enum class JobKind : uint8_t { kNone, kSearch, kLink, kRequest };
  struct Job {
    JobKind kind = JobKind::kNone;
    std::function<void(std::stop_token)> work;
  };

  bool PortCheck();
  bool RefuseWhileBusy();
  // Locks the store; when the transfer thread has stored an answer whose values are not shown
  // yet, shows them first, so that nothing is collected from stale controls.
  std::unique_lock<std::mutex> LockStore();
  // Shows the panels of an answer the transfer thread has stored, if that is still to do.
  void ShowStalePanels() { LockStore(); }
  // Shows a refused collect to the operator; `consequence` says what did not happen.
  void ReportProblem(const CollectResult& result, std::string_view consequence);
  // All three panels into the image (a copy of which goes to *image when given); false, with
  // the problem shown, when a control holds no value of its field.
  bool CollectAllPanels(std::string_view consequence, ParamImage* image = nullptr);
  // A single request of one block: `collect` (when given) first, then `build`; block_of names
  // the block it reads or writes.
  void SendBlockRequest(const std::function<CollectResult()>& collect,
                        uint16_t (CParamStore::*build)(), unsigned (*block_of)(const CParamStore&));
  // A selector's change: collect into the entry shown (refused: the selector goes back to it),
  // then show the new one.
  template <typename Collect, typename Current, typename Show>
  void ChangeSelection(int selector, Collect collect, Current current, Show show);
  void NoteCollected(const CollectResult& result);
  // A block as a request carries it: its number (like the run steps) and its collect count
  // when the request was built.
  struct SentBlock {
    unsigned index = 0;
    uint32_t collects = 0;
  };
  SentBlock BlockAsSent(unsigned index) const { return {index, block_collects_[index]}; }
  // An accepted answer saved the block, unless it was collected again after its request was
  // built: the logger then holds older bytes than the image, and the block stays unsaved.
  void NoteSaved(SentBlock block);

  // --- transfer thread ---
  void QueueJob(JobKind kind, std::function<void(std::stop_token)> work);
  void WorkerLoop(std::stop_token stop);
  // One step of the run that is due; called with worker_mutex_ held (released meanwhile).
  void RunStepLocked(std::unique_lock<std::mutex>& lock);
  bool RunDueLocked() const;

  // A single parameter request: built on the user-interface thread, exchanged on the transfer
  // thread. `block` is the image block it reads or writes (numbered like the run steps).
  void SendRequest(const uint8_t* frame, uint16_t length, SentBlock block);
  void FinishRequest(const RequestResult& result, SentBlock block, bool write);

  // --- runs (user-interface thread) ---
  void RunStepStarted(BulkRun run, unsigned index, unsigned total, uint32_t epoch);
  void RunStepDone(BulkRun run, SentBlock block, unsigned total, const RequestResult& result,
                   uint32_t epoch);
  void RunEnded(BulkRun run, bool coefficients_skipped, uint32_t epoch);
  // Shows the closing text of a run whose last answer is in (or that ended without one).
  void FinishRun(int run, bool coefficients_skipped);
  // Ends any run at once (no further request; the exchange of its answer is abandoned).
  void CancelRuns();
  // True while a write-all is armed or has not shown its end: the run a cut ends is named
  // after it.
  bool WriteRunOpen() const;
  // Pane-3 text of a run ended by a device that went away, naming the run that was cut.
  std::string RunLostText() const;
  // The progress bar, remembering the steps reached; a cut run shows them as failed.
  void ShowProgress(IDialogControls::Progress state, int done, int total);
  void ShowRunCut();

  // --- serial band (user-interface thread) ---
  void FinishSearch(const SearchResult& result, const OpenFailure& failure,
                    std::string_view interrupted_text);
  void SetSearchControls(bool searching);
  void LinkQueryJob(bool query, const uint8_t* frame);

  // --- port list (port_list.cpp) ---
  // Shows `names` (with their tool tips) in IDC_PORT and selects `wanted` when it is one of
  // them; otherwise `wanted` stays as the text when keep_unlisted (a name the operator typed),
  // else the first entry is selected.
  void ShowPorts(std::vector<std::string> names, std::vector<std::string> tips,
                 const std::string& wanted, bool keep_unlisted);

  IDialogControls& controls_;
  IDialogPlatform& platform_;
  CComPort& port_;
  CRxRing& ring_;
  CSession session_;

  // The store's image, request and reply buffers are shared between the user-interface thread
  // (panels, file) and the transfer thread (requests, answers).
  std::mutex store_mutex_;
  // The store's answers_stored when the panels were last shown (store_mutex_): when it differs,
  // an answer's values are in the image but not yet on screen.
  uint32_t answers_shown_ = 0;
  CParamPanels panels_;

  // Transfer thread state, guarded by worker_mutex_.
  mutable std::mutex worker_mutex_;
  std::condition_variable_any worker_cv_;
  std::deque<Job> jobs_;
  JobKind running_job_ = JobKind::kNone;
  std::stop_source job_stop_;
  std::stop_source run_stop_;
  // The run whose request is outstanding while bulk.bulk_waiting is set.
  std::atomic<uint8_t> exchange_run_{0};
  // Advanced whenever runs are cancelled: results posted before are dropped.
  std::atomic<uint32_t> run_epoch_{0};

  // User-interface thread only.
  bool run_open_[3] = {false, false, false};
  int run_failed_blocks_[3] = {0, 0, 0};
  int progress_done_ = 0;
  int progress_total_ = 0;
  bool search_running_ = false;
  bool addr_baud_enabled_ = false;
  // The port list as last shown, and a change of the ports seen while the search ran.
  std::vector<std::string> port_names_;
  std::vector<std::string> port_tips_;
  bool ports_changed_while_searching_ = false;
  // Blocks whose edits were neither written to a logger nor exported, numbered like the run
  // steps: 0 base, 1..32 set 1, 33..64 set 2, 65..96 coefficients.
  std::bitset<kBulkLastStep + 1> unsaved_;
  // How often each block was collected with a change (store_mutex_; changed on the
  // user-interface thread only).
  std::array<uint32_t, kBulkLastStep + 1> block_collects_{};
  // Values were read from a logger or imported from a file since start-up.
  bool loaded_ = false;

  CReaderThread reader_;
  std::jthread worker_;
  bool started_ = false;
};

// The dialog the worker threads serve: set by InitDialog before they start, cleared by Shutdown.
extern CDialogCore* g_main_dialog;

// The port number in a port text such as "COM12": the number that starts at the fourth
// character, read like atoi (blanks, sign, digits), taken modulo 256.
uint8_t PortNumberFromText(std::string_view text);
// A control text read as a signed decimal number; text that is not one reads as 0.
int32_t ParseDialogSigned(std::string_view text);

}  // namespace travex
