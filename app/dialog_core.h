// CDialogCore: the main dialog's behaviour without a toolkit. The Qt dialog (CConfigDlg)
// implements the control operations (IDialogControls) and the platform hooks
// (IDialogPlatform), owns one CDialogCore built on them, and connects each control's event to
// the handler named in the command table. Tests use in-memory implementations of both.
//
// Every handler runs on the user-interface thread and returns at once. Everything that talks
// to the logger (the baud-rate search, link exchanges, parameter requests and the read-all /
// write-all runs) is a job of the session (CLoggerSession), which owns the port, the reader
// and the worker. Its results and events come back to the user-interface thread through
// PostToUi, in order. InitDialog starts the session's threads, Shutdown stops and joins them.
//
// The handlers live by subject: dialog_core.cpp (start, end, shared helpers and the session's
// events), dialog_requests.cpp (single blocks and the selectors), dialog_runs.cpp (read-all and
// write-all), serial_info.cpp (search and link), dialog_files.cpp (parameter files) and
// port_list.cpp (the port list).
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/dialog_controls.h"
#include "app/param_panels.h"
#include "app/unsaved_blocks.h"
#include "params/block_table.h"
#include "params/param_store.h"
#include "serial/port_map.h"
#include "session/logger_session.h"

namespace travex {

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
  // The rate the logger on this port (text as in IDC_PORT, GBK) last answered at, 0 when none
  // is known: the search tries it first.
  virtual uint32_t RememberedRate(std::string_view /*port_text*/) { return 0; }
  // Where the history of whole images is kept (empty: none is kept).
  virtual std::string HistoryFolder() { return {}; }
};

class CDialogCore : private ISessionEvents {
  // First of the members: everything else uses its store.
  CLoggerSession session_{this};

 public:
  CDialogCore(IDialogControls& controls, IDialogPlatform& platform);
  ~CDialogCore() override;
  CDialogCore(const CDialogCore&) = delete;
  CDialogCore& operator=(const CDialogCore&) = delete;

  // OnInitDialog after the controls exist: port list, the session's threads, blank panes,
  // panels.
  void InitDialog();
  // Stops and joins the session's threads and closes the port (a search or an exchange in
  // progress is abandoned). Idempotent.
  void Shutdown();
  // Asked before the dialog ends: false when the operator wants to stay. While a read-all or
  // write-all is in progress, and while the panels hold edits that were neither written to a
  // logger nor exported, the operator is asked; a yes ends the run.
  bool ConfirmClose();
  // True while a read-all or write-all run is armed, sending or waiting for its last answer.
  bool RunInProgress() const { return session_.RunInProgress(); }
  // True while the baud-rate search runs.
  bool SearchInProgress() const { return search_running_; }
  // True while the session has work: a search, an exchange or a run.
  bool Busy() const { return session_.Busy(); }

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

  // True when the panels or the image hold edits that were neither written to a logger nor
  // exported (user-interface thread).
  bool HasUnsavedEdits();

  // Where every frame the session sends and receives is reported (set before InitDialog).
  void SetFrameSink(IFrameSink* sink) { session_.SetFrameSink(sink); }

  // The panels, the session and its store. The store is shared with the session's worker:
  // lock StoreMutex() around any use of it outside the handlers.
  CParamPanels& panels() { return panels_; }
  CLoggerSession& session() { return session_; }
  std::mutex& StoreMutex() { return session_.store_mutex(); }
  CParamStore& param_store;

  // Where EnumeratePorts looks for ports: the real system unless a test points elsewhere.
  PortMapRoots port_map_roots;
  // The COM name EnumeratePorts selects when it is in the list (the one used last time).
  std::string preferred_port;

 private:
  // --- the session's events (worker thread): each is posted to the user-interface thread ---
  void OnSearchRate(uint32_t rate, int index) override;
  void OnHistoryFailed(const std::string& reason) override;
  void OnRunStep(const RunStep& step) override;
  void OnRunStepEnded(const RunStep& step, const RequestResult& result) override;
  void OnRunEnded(BulkRun run, const RunResult& result, uint32_t generation) override;
  void OnLineLost() override;

  bool PortCheck();
  bool RefuseWhileBusy();
  // Locks the store; when the worker has stored an answer whose values are not shown yet,
  // shows them first, so that nothing is collected from stale controls.
  std::unique_lock<std::mutex> LockStore();
  // Shows the panels of an answer the worker has stored, if that is still to do.
  void ShowStalePanels() { LockStore(); }
  // Shows a refused collect to the operator; `consequence` says what did not happen.
  void ReportProblem(const CollectResult& result, std::string_view consequence);
  // All three panels into the image (a copy of which goes to *image when given); false, with
  // the problem shown, when a control holds no value of its field.
  bool CollectAllPanels(std::string_view consequence, ParamImage* image = nullptr);

  // --- single requests and selectors (dialog_requests.cpp) ---
  // A single request of one block: `collect` (when given) first, then the block the panel
  // shows now is read or written.
  void SendBlockRequest(const std::function<CollectResult()>& collect, BlockKind kind, bool write);
  void FinishRequest(const RequestResult& result, UnsavedBlocks::Sent sent, bool write);
  // A selector's change: collect into the entry shown (refused: the selector goes back to it),
  // then show the new one.
  template <typename Collect, typename Current, typename Show>
  void ChangeSelection(int selector, Collect collect, Current current, Show show);

  // --- runs (dialog_runs.cpp, user-interface thread) ---
  void RunStepStarted(const RunStep& step);
  void RunStepDone(const RunStep& step, UnsavedBlocks::Sent sent, const RequestResult& result);
  void RunEnded(BulkRun run, const RunResult& result, uint32_t generation);
  void StartRun(BulkRun run);
  // Pane-3 text of a run ended by a device that went away, naming the run that was cut.
  std::string RunLostText(BulkRun run) const;
  // "全部读取"/"全部写入" and the caption of the message boxes, in the operator's language.
  std::string RunName(BulkRun run) const;
  std::string AppName() const;
  // The progress bar, remembering the steps reached; a cut run shows them as failed.
  void ShowProgress(IDialogControls::Progress state, int done, int total);
  void ShowRunCut();

  // --- serial band (serial_info.cpp) ---
  void FinishSearch(const SearchOutcome& outcome, std::string_view interrupted_text);
  void SetSearchControls(bool searching);
  void SendLink(LinkRequest request);
  void FinishLink(bool query, const LinkOutcome& outcome);

  // --- port list (port_list.cpp) ---
  // Shows `names` (with their tool tips) in IDC_PORT and selects `wanted` when it is one of
  // them; otherwise `wanted` stays as the text when keep_unlisted (a name the operator typed),
  // else the first entry is selected.
  void ShowPorts(std::vector<std::string> names, std::vector<std::string> tips,
                 const std::string& wanted, bool keep_unlisted);

  IDialogControls& controls_;
  IDialogPlatform& platform_;
  CParamPanels panels_;
  // The store's answers_stored when the panels were last shown (store mutex): when it
  // differs, an answer's values are in the image but not yet on screen.
  uint32_t answers_shown_ = 0;
  // Blocks whose edits were neither written to a logger nor exported (store mutex).
  UnsavedBlocks unsaved_;
  // The block of the run step in progress as its request was built (worker thread only).
  UnsavedBlocks::Sent step_sent_;

  // User-interface thread only.
  int progress_done_ = 0;
  int progress_total_ = 0;
  // Why the history could not be kept, until a run's end has shown it (user-interface thread).
  std::string history_note_;
  bool search_running_ = false;
  bool addr_baud_enabled_ = false;
  // The port list as last shown, and a change of the ports seen while the search ran.
  std::vector<std::string> port_names_;
  std::vector<std::string> port_tips_;
  bool ports_changed_while_searching_ = false;
  // Values were read from a logger or imported from a file since start-up.
  bool loaded_ = false;
  bool started_ = false;
};

// The port number in a port text such as "COM12": the number that starts at the fourth
// character, read like atoi (blanks, sign, digits), taken modulo 256.
uint8_t PortNumberFromText(std::string_view text);
// A control text read as a signed decimal number; text that is not one reads as 0.
int32_t ParseDialogSigned(std::string_view text);

}  // namespace travex
