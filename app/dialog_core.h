// CDialogCore: the main dialog's behaviour without a toolkit. The Qt dialog (CConfigDlg)
// implements the control operations (IDialogControls) and the platform hooks
// (IDialogPlatform), owns one CDialogCore built on them, and connects each control's event to
// the handler named in the command table. Tests use in-memory implementations of both.
//
// Every handler runs on the user-interface thread. The worker threads (reader and bulk
// transfer) are started by InitDialog and stopped and joined by Shutdown.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>

#include "app/dialog_controls.h"
#include "params/param_store.h"
#include "protocol/bulk_flags.h"
#include "protocol/link_codec.h"

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
  // Asked before the dialog ends: false when the operator wants to keep a run going.
  bool ConfirmClose();

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
  uint16_t tick_count = 0;
  uint16_t rx_len = 0;
  BulkFlags bulk;

 private:
  IDialogControls& controls_;
  IDialogPlatform& platform_;
  CComPort& port_;
  CRxRing& ring_;
};

}  // namespace travex
