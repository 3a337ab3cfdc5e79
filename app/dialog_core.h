// CDialogCore: the main dialog's behaviour without a toolkit. The Qt dialog (CConfigDlg)
// implements the control operations (IDialogControls) and the platform hooks
// (IDialogPlatform), owns one CDialogCore built on them, and connects each control's event to
// the handler named in the command table. Tests use in-memory implementations of both.
//
// Every handler runs on the user-interface thread. The worker threads (reader and bulk
// transfer) are started by InitDialog and stopped and joined by Shutdown.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "app/dialog_controls.h"
#include "params/param_store.h"
#include "protocol/bulk_flags.h"
#include "protocol/bulk_transfer.h"
#include "protocol/link_codec.h"
#include "serial/port_map.h"
#include "serial/reader_thread.h"

namespace travex {

class CComPort;
class CRxRing;

// What the dialog needs from the toolkit beyond its controls.
class IDialogPlatform {
 public:
  virtual ~IDialogPlatform() = default;
  // Starts (or restarts) a periodic timer on the user-interface thread; each period calls
  // CDialogCore::OnResponseTimer(timer_id) there.
  virtual void StartTimer(int timer_id, int period_ms) = 0;
  virtual void StopTimer(int timer_id) = 0;
  // Runs fn later on the user-interface thread (queued, never synchronously).
  virtual void PostToUi(std::function<void()> fn) = 0;
  // Posts the progress message of a run; handled later on the user-interface thread by
  // CDialogCore::OnParamProgress(kind, channel).
  virtual void PostParamProgress(int kind, long channel) = 0;
  // True on the user-interface thread.
  virtual bool IsUiThread() const = 0;
};

class CDialogCore {
 public:
  CDialogCore(IDialogControls& controls, IDialogPlatform& platform, CComPort& port, CRxRing& ring);
  virtual ~CDialogCore();
  CDialogCore(const CDialogCore&) = delete;
  CDialogCore& operator=(const CDialogCore&) = delete;

  // OnInitDialog after the controls exist: port list, worker threads, blank panes, panels.
  void InitDialog();
  // Stops the response timer and stops and joins both worker threads. Idempotent.
  void Shutdown();
  // Asked before the dialog ends: false when the operator wants to keep a run going. While a
  // read-all or write-all is in progress the operator is asked; a yes ends the run.
  bool ConfirmClose();
  // True while a read-all or write-all run is armed, sending or waiting for its last reply.
  bool RunInProgress() const;

  void EnumeratePorts();
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

  // Read-all and write-all.
  void OnReadAll();
  void OnWriteAll();
  void OnParamProgress(int kind, long channel);

  // Reply collection: the timer handler and its start (callable from any thread).
  void OnResponseTimer(int timer_id);
  void StartResponseTimer();

  CLinkCodec link_codec;
  CParamStore param_store;
  // Where EnumeratePorts looks for ports: the real system unless a test points elsewhere.
  PortMapRoots port_map_roots;
  uint16_t tick_count = 0;
  uint16_t rx_len = 0;
  BulkFlags bulk;

  // The application's name: caption of the message boxes.
  static constexpr std::string_view kAppName = "Travex配置软件";
  // Pane-3 text of a single request refused while a run is in progress.
  static constexpr std::string_view kRunBusyText = "正在全部读取/写入，请稍候";

 private:
  class BulkHost;

  bool PortCheck();
  bool RefuseDuringRun();
  // Builds one single request with `build` under the exchange lock and sends it.
  template <typename Build>
  void SendSingleRequest(Build build);
  // Clear ring, write, start the collection (user-interface thread).
  void SendFrameLocked(const uint8_t* frame, uint16_t length);
  void StartResponseTimerOnUi();
  // One link exchange: write `frame`, then take from the ring until one LinkFrame has arrived
  // or the polls are used up. True for a reply CheckReply accepts.
  bool LinkExchange(const uint8_t* frame, size_t length, int poll_ms, int polls);
  // Ends any run at once (no further request; the collection of its reply is stopped).
  void CancelRuns();
  // Shows the closing text of a run that has sent its last request and has no reply
  // outstanding.
  void FinishEndedRuns();
  void BulkThreadWake();

  IDialogControls& controls_;
  IDialogPlatform& platform_;
  CComPort& port_;
  CRxRing& ring_;

  // Keeps the request buffer, the reply parsing and the image of param_store apart between the
  // user-interface thread and the bulk thread. Recursive: an export or import holds it across
  // its file dialog, in whose event loop the response timer may tick.
  mutable std::recursive_mutex exchange_mutex_;
  // The run whose request is outstanding while bulk.bulk_waiting is set.
  std::atomic<uint8_t> exchange_run_{0};
  // A single request's reply is being collected: the bulk thread sends nothing meanwhile.
  std::atomic<bool> single_waiting_{false};
  // Advanced whenever runs are cancelled: a collection start posted before is dropped.
  std::atomic<uint32_t> run_epoch_{0};
  // User-interface thread only: a run was armed and its closing text is not yet shown, and the
  // number of its blocks whose reply was rejected (index 1 read, 2 write).
  bool run_open_[3] = {false, false, false};
  int run_failed_blocks_[3] = {0, 0, 0};

  std::unique_ptr<BulkHost> bulk_host_;
  CReaderThread reader_;
  CBulkTransferThread bulk_thread_;
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
