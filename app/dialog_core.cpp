// CDialogCore: start-up and shut-down of the dialog, the parameter request handlers, the reply
// collection on the response timer and the read-all / write-all runs.
#include "app/dialog_core.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "protocol/reply_collector.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "serial/port_map.h"
#include "serial/rx_ring.h"

namespace travex {

namespace {

constexpr int kResponsePeriodMs = 100;
constexpr int kRead = static_cast<int>(BulkRun::kRead);
constexpr int kWrite = static_cast<int>(BulkRun::kWrite);

}  // namespace

CDialogCore* g_main_dialog = nullptr;

// The sequencer's view of the dialog; every call comes from the bulk thread with the exchange
// lock held.
class CDialogCore::BulkHost : public IBulkHost {
 public:
  explicit BulkHost(CDialogCore& core) : core_(core) {}

  void SendBulkRequest(BulkRun run, const uint8_t* frame, uint16_t length) override {
    core_.exchange_run_.store(static_cast<uint8_t>(run));
    core_.SendFrameLocked(frame, length);
  }
  void PostBulkProgress(int kind, long channel) override {
    core_.platform_.PostParamProgress(kind, channel);
  }
  void StartBulkCollection() override {
    CDialogCore* core = &core_;
    const uint32_t epoch = core_.run_epoch_.load();
    core_.platform_.PostToUi([core, epoch] {
      // A run cancelled after this request went out does not collect its reply.
      if (core->run_epoch_.load() == epoch) core->StartResponseTimerOnUi();
    });
  }
  void BulkRunEnded(BulkRun) override {
    CDialogCore* core = &core_;
    core_.platform_.PostToUi([core] { core->FinishEndedRuns(); });
  }

 private:
  CDialogCore& core_;
};

CDialogCore::CDialogCore(IDialogControls& controls, IDialogPlatform& platform, CComPort& port,
                         CRxRing& ring)
    : controls_(controls),
      platform_(platform),
      port_(port),
      ring_(ring),
      bulk_host_(std::make_unique<BulkHost>(*this)) {}

CDialogCore::~CDialogCore() {
  // The platform may already be half torn down here: only the threads are stopped.
  bulk_thread_.Stop();
  reader_.Stop();
  if (g_main_dialog == this) g_main_dialog = nullptr;
}

// ---------------------------------------------------------------------------- start and end

void CDialogCore::InitDialog() {
  EnumeratePorts();

  g_main_dialog = this;
  reader_.Start(port_, ring_);

  bulk.bulk_read_active.store(0);
  bulk.bulk_read_index.store(0);
  bulk.bulk_waiting.store(0);
  bulk.bulk_write_active.store(0);
  bulk.bulk_write_index.store(0);
  bulk_thread_.Start([this] { BulkThreadWake(); });
  started_ = true;

  EnableAddrBaudButtons(false);
  controls_.SetStatusTexts("", "", "", "");

  std::lock_guard lock(exchange_mutex_);
  param_store.owner = &controls_;
  param_store.InitParamPanels();
}

void CDialogCore::Shutdown() {
  if (started_) platform_.StopTimer(ID_RESPONSE_TIMER);
  started_ = false;
  bulk_thread_.Stop();
  reader_.Stop();
  if (g_main_dialog == this) g_main_dialog = nullptr;
}

bool CDialogCore::RunInProgress() const {
  return bulk.bulk_read_active.load() != 0 || bulk.bulk_write_active.load() != 0 ||
         run_open_[kRead] || run_open_[kWrite];
}

bool CDialogCore::ConfirmClose() {
  if (!RunInProgress()) return true;
  const bool writing = bulk.bulk_write_active.load() != 0 || run_open_[kWrite];
  const char* text = writing
                         ? "全部写入尚未完成，现在退出会使记录仪的参数只写入一部分。\n确定要退出吗？"
                         : "全部读取尚未完成。\n确定要退出吗？";
  if (!controls_.AskYesNo(text, kAppName)) return false;
  CancelRuns();
  return true;
}

void CDialogCore::EnumeratePorts() {
  std::vector<std::pair<std::string, std::string>> ports;
  for (const ComPortEntry& entry : ListComPorts(1, 30, port_map_roots)) {
    ports.emplace_back("COM" + std::to_string(entry.number), entry.device);
  }
  // The list is a sorted one: text order, so COM10 comes before COM2.
  std::sort(ports.begin(), ports.end());
  std::vector<std::string> names;
  std::vector<std::string> devices;
  for (auto& [name, device] : ports) {
    names.push_back(name);
    devices.push_back(device);
  }
  controls_.SetListEntries(IDC_PORT, names, devices);
  if (names.empty()) {
    controls_.EnableControl(IDC_PORT, false);
    controls_.EnableControl(IDC_TEST_BAUD, false);
  } else {
    controls_.SetSelection(IDC_PORT, 0);
  }
}

void CDialogCore::EnableAddrBaudButtons(bool enable) {
  controls_.EnableControl(IDC_ADDR_QUERY, enable);
  controls_.EnableControl(IDC_ADDR_SET, enable);
  controls_.EnableControl(IDC_BAUD_QUERY, enable);
  controls_.EnableControl(IDC_BAUD_SET, enable);
}

// ---------------------------------------------------------------------------- requests

bool CDialogCore::PortCheck() {
  if (port_.IsOpen()) return true;
  controls_.SetStatusTexts("请先打开串口", "", "", "");
  return false;
}

bool CDialogCore::RefuseDuringRun() {
  if (!RunInProgress()) return false;
  controls_.SetPaneText(3, kRunBusyText);
  return true;
}

void CDialogCore::SendFrameLocked(const uint8_t* frame, uint16_t length) {
  // The ring's Clear also drops what the driver and the reader still hold of earlier replies.
  ring_.Clear();
  port_.Write(frame, length);
}

template <typename Build>
void CDialogCore::SendSingleRequest(Build build) {
  {
    std::lock_guard lock(exchange_mutex_);
    const uint16_t length = build();
    single_waiting_.store(true);
    SendFrameLocked(param_store.request, length);
  }
  StartResponseTimer();
}

void CDialogCore::OnNow() { param_store.FillCurrentTime(); }

void CDialogCore::OnReadBase() {
  if (!PortCheck() || RefuseDuringRun()) return;
  SendSingleRequest([this] { return param_store.ReadBaseRequest(); });
}

void CDialogCore::OnWriteBase() {
  if (!PortCheck() || RefuseDuringRun()) return;
  SendSingleRequest([this] {
    param_store.CollectBaseInfo();
    return param_store.WriteBaseRequest();
  });
}

void CDialogCore::OnArg1ChannelChange() {
  std::lock_guard lock(exchange_mutex_);
  param_store.CollectArg1(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG1_CHANNEL)));
  param_store.ShowArg1();
}

void CDialogCore::OnGearChange() {
  std::lock_guard lock(exchange_mutex_);
  param_store.CollectGear(static_cast<uint8_t>(controls_.GetSelection(IDC_GEAR)));
  param_store.ShowGear();
}

void CDialogCore::OnArg2ChannelChange() {
  std::lock_guard lock(exchange_mutex_);
  param_store.CollectArg2(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG2_CHANNEL)));
  param_store.ShowArg2();
}

void CDialogCore::OnReadArg1() {
  if (!PortCheck() || RefuseDuringRun()) return;
  SendSingleRequest([this] { return param_store.ReadArg1Request(); });
}

void CDialogCore::OnWriteArg1() {
  if (!PortCheck() || RefuseDuringRun()) return;
  SendSingleRequest([this] {
    param_store.CollectArg1(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG1_CHANNEL)));
    return param_store.WriteArg1Request();
  });
}

void CDialogCore::OnReadArg2() {
  if (!PortCheck() || RefuseDuringRun()) return;
  SendSingleRequest([this] { return param_store.ReadArg2Request(); });
}

void CDialogCore::OnWriteArg2() {
  if (!PortCheck() || RefuseDuringRun()) return;
  SendSingleRequest([this] {
    param_store.CollectArg2(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG2_CHANNEL)));
    return param_store.WriteArg2Request();
  });
}

void CDialogCore::OnImport() {
  std::lock_guard lock(exchange_mutex_);
  param_store.ImportParamFile();
}

void CDialogCore::OnExport() {
  std::lock_guard lock(exchange_mutex_);
  param_store.ExportParamFile();
}

// ---------------------------------------------------------------------------- reply collection

void CDialogCore::StartResponseTimer() {
  if (platform_.IsUiThread()) {
    StartResponseTimerOnUi();
  } else {
    platform_.PostToUi([this] { StartResponseTimerOnUi(); });
  }
}

void CDialogCore::StartResponseTimerOnUi() {
  tick_count = 0;
  rx_len = 0;
  platform_.StartTimer(ID_RESPONSE_TIMER, kResponsePeriodMs);
}

void CDialogCore::OnResponseTimer(int timer_id) {
  if (timer_id != ID_RESPONSE_TIMER) return;
  bool next_step_due = false;
  {
    std::lock_guard lock(exchange_mutex_);
    const CollectorTickResult result = CollectorTick(tick_count, rx_len, ring_, param_store, bulk);
    if (result.stop_timer) {
      platform_.StopTimer(ID_RESPONSE_TIMER);
      if (!result.was_bulk) single_waiting_.store(false);
    }
    if (result.was_bulk) {
      const int run = exchange_run_.load();
      if (result.handed_over && !result.accepted && (run == kRead || run == kWrite)) {
        ++run_failed_blocks_[run];
      }
      next_step_due = result.handed_over;
      if (result.ended_run) {
        // A time-out or a bad start byte has ended both runs; its text stays in pane 3. No
        // exchange of a run is outstanding any more.
        bulk.bulk_waiting.store(0);
        run_open_[kRead] = false;
        run_open_[kWrite] = false;
      }
    }
  }
  // The reply of a step is in: the next step goes out now, not at the sequencer's next period.
  if (next_step_due) bulk_thread_.Nudge();
  FinishEndedRuns();
}

// ---------------------------------------------------------------------------- read-all, write-all

void CDialogCore::OnReadAll() {
  if (!PortCheck()) return;
  {
    std::lock_guard lock(exchange_mutex_);
    // A reply the write run still waits for is collected before the first read request goes
    // out; a restart of the read run itself drops its outstanding reply.
    if (!(bulk.bulk_waiting.load() != 0 && exchange_run_.load() == kWrite)) {
      bulk.bulk_waiting.store(0);
    }
    bulk.bulk_read_index.store(0);
    bulk.bulk_read_active.store(1);
    run_open_[kRead] = true;
    run_failed_blocks_[kRead] = 0;
  }
  bulk_thread_.Nudge();
}

void CDialogCore::OnWriteAll() {
  if (!PortCheck()) return;
  {
    std::lock_guard lock(exchange_mutex_);
    param_store.CollectAllPanels();
    if (!(bulk.bulk_waiting.load() != 0 && exchange_run_.load() == kRead)) {
      bulk.bulk_waiting.store(0);
    }
    bulk.bulk_write_index.store(0);
    bulk.bulk_write_active.store(1);
    run_open_[kWrite] = true;
    run_failed_blocks_[kWrite] = 0;
  }
  bulk_thread_.Nudge();
}

void CDialogCore::OnParamProgress(int kind, long channel) {
  const std::string text = ProgressText(kind, channel);
  if (!text.empty()) controls_.SetPaneText(3, text);
}

void CDialogCore::BulkThreadWake() {
  // A single request's reply is collected before any run sends.
  if (single_waiting_.load()) return;
  std::lock_guard lock(exchange_mutex_);
  if (single_waiting_.load()) return;
  BulkWake(param_store, bulk, *bulk_host_);
}

void CDialogCore::FinishEndedRuns() {
  std::lock_guard lock(exchange_mutex_);
  for (int run : {kRead, kWrite}) {
    if (!run_open_[run]) continue;
    const auto& active = run == kRead ? bulk.bulk_read_active : bulk.bulk_write_active;
    if (active.load() != 0) continue;
    if (bulk.bulk_waiting.load() != 0 && exchange_run_.load() == run) continue;
    run_open_[run] = false;
    const int failed = run_failed_blocks_[run];
    if (failed > 0) {
      // The last block's success text would hide the failures.
      const std::string text = std::string(run == kRead ? "全部读取完成，" : "全部写入完成，") +
                               std::to_string(failed) + "个数据块失败";
      controls_.SetPaneText(3, text);
    }
  }
}

void CDialogCore::CancelRuns() {
  {
    std::lock_guard lock(exchange_mutex_);
    bulk.bulk_read_active.store(0);
    bulk.bulk_write_active.store(0);
    bulk.bulk_waiting.store(0);
    run_epoch_.fetch_add(1);
    run_open_[kRead] = false;
    run_open_[kWrite] = false;
    single_waiting_.store(false);
  }
  platform_.StopTimer(ID_RESPONSE_TIMER);
}

}  // namespace travex
