// CDialogCore: start-up and shut-down of the dialog, the parameter request handlers, the
// transfer thread and the read-all / write-all runs.
#include "app/dialog_core.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "protocol/frame_format.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "serial/port_map.h"
#include "serial/rx_ring.h"

namespace travex {

namespace {

constexpr int kRead = static_cast<int>(BulkRun::kRead);
constexpr int kWrite = static_cast<int>(BulkRun::kWrite);

// Image blocks, numbered like the steps of a run.
constexpr unsigned kBaseBlock = 0;
unsigned Arg1BlockIndex(unsigned channel) { return 1 + channel; }
unsigned Arg2BlockIndex(unsigned channel) { return 33 + channel; }
unsigned CoefBlockIndex(unsigned channel) { return 65 + channel; }

const char* RunName(int run) { return run == kRead ? "全部读取" : "全部写入"; }

}  // namespace

CDialogCore* g_main_dialog = nullptr;

CDialogCore::CDialogCore(IDialogControls& controls, IDialogPlatform& platform, CComPort& port,
                         CRxRing& ring)
    : controls_(controls),
      platform_(platform),
      port_(port),
      ring_(ring),
      session_(port, ring),
      panels_(controls, param_store) {}

CDialogCore::~CDialogCore() {
  // The platform may already be half torn down here: only the threads are stopped.
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
  reader_.Stop();
  if (g_main_dialog == this) g_main_dialog = nullptr;
}

// ---------------------------------------------------------------------------- start and end

void CDialogCore::InitDialog() {
  EnumeratePorts();

  g_main_dialog = this;
  reader_.Start(port_, ring_, [this](uint32_t open_count) {
    platform_.PostToUi([this, open_count] { OnDeviceLost(open_count); });
  });

  bulk.bulk_read_active.store(0);
  bulk.bulk_read_index.store(0);
  bulk.bulk_waiting.store(0);
  bulk.bulk_write_active.store(0);
  bulk.bulk_write_index.store(0);
  worker_ = std::jthread([this](std::stop_token stop) { WorkerLoop(std::move(stop)); });
  started_ = true;

  EnableAddrBaudButtons(false);
  controls_.SetStatusTexts("", "", "", "");
  ShowProgress(IDialogControls::Progress::kIdle, 0, 0);

  std::lock_guard lock(store_mutex_);
  panels_.InitParamPanels();
}

void CDialogCore::Shutdown() {
  started_ = false;
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
  reader_.Stop();
  if (g_main_dialog == this) g_main_dialog = nullptr;
}

bool CDialogCore::RunInProgress() const {
  return bulk.bulk_read_active.load() != 0 || bulk.bulk_write_active.load() != 0 ||
         run_open_[kRead] || run_open_[kWrite];
}

bool CDialogCore::Busy() const {
  std::lock_guard lock(worker_mutex_);
  return RunInProgress() || search_running_ || running_job_ != JobKind::kNone || !jobs_.empty() ||
         bulk.bulk_waiting.load() != 0;
}

bool CDialogCore::HasUnsavedEdits() {
  if (unsaved_.any()) return true;
  auto lock = LockStore();
  return panels_.ControlsDiffer();
}

bool CDialogCore::ConfirmClose() {
  if (RunInProgress()) {
    const char* text = WriteRunOpen()
                           ? "全部写入尚未完成，现在退出会使记录仪的参数只写入一部分。\n确定要退出吗？"
                           : "全部读取尚未完成。\n确定要退出吗？";
    if (!controls_.AskYesNo(text, kAppName)) return false;
    CancelRuns();
  }
  if (HasUnsavedEdits() &&
      !controls_.AskYesNo("参数已修改，但尚未写入记录仪，也未导出到参数文件。\n退出后这些修改将丢失，确定要退出吗？",
                          kAppName)) {
    return false;
  }
  // A search or exchange still running is abandoned.
  std::lock_guard lock(worker_mutex_);
  jobs_.clear();
  job_stop_.request_stop();
  return true;
}

void CDialogCore::EnableAddrBaudButtons(bool enable) {
  addr_baud_enabled_ = enable;
  controls_.EnableControl(IDC_ADDR_QUERY, enable);
  controls_.EnableControl(IDC_ADDR_SET, enable);
  controls_.EnableControl(IDC_BAUD_QUERY, enable);
  controls_.EnableControl(IDC_BAUD_SET, enable);
}

// ---------------------------------------------------------------------------- helpers

bool CDialogCore::PortCheck() {
  if (port_.IsOpen()) return true;
  controls_.SetStatusTexts("请先打开串口", "", "", "");
  return false;
}

bool CDialogCore::RefuseWhileBusy() {
  if (!RunInProgress() && !search_running_) return false;
  controls_.SetPaneText(3, kRunBusyText);
  return true;
}

std::unique_lock<std::mutex> CDialogCore::LockStore() {
  std::unique_lock lock(store_mutex_);
  if (param_store.answers_stored != answers_shown_) {
    answers_shown_ = param_store.answers_stored;
    panels_.ShowAllPanels();
  }
  return lock;
}

bool CDialogCore::CollectAllPanels(std::string_view consequence, ParamImage* image) {
  auto lock = LockStore();
  const CollectResult collected = panels_.CollectAllPanels();
  if (!collected.ok) {
    lock.unlock();
    ReportProblem(collected, consequence);
    return false;
  }
  NoteCollected(collected);
  if (image != nullptr) *image = param_store.image;
  return true;
}

void CDialogCore::ReportProblem(const CollectResult& result, std::string_view consequence) {
  std::string text = FieldProblemText(result.problem);
  if (!consequence.empty()) text += "\n" + std::string(consequence);
  controls_.ShowMessage(text, kAppName, MessageIcon::kWarning);
}

void CDialogCore::NoteCollected(const CollectResult& result) {
  const auto changed = [this](unsigned block) {
    unsaved_.set(block);
    ++block_collects_[block];
  };
  if (result.base_changed) changed(kBaseBlock);
  if (result.arg1_changed) changed(Arg1BlockIndex(result.arg1_channel));
  if (result.arg2_changed) changed(Arg2BlockIndex(result.arg2_channel));
  if (result.coef_changed) changed(CoefBlockIndex(result.arg2_channel));
}

void CDialogCore::NoteSaved(SentBlock block) {
  if (block_collects_[block.index] == block.collects) unsaved_.reset(block.index);
}

// ---------------------------------------------------------------------------- transfer thread

void CDialogCore::QueueJob(JobKind kind, std::function<void(std::stop_token)> work) {
  {
    std::lock_guard lock(worker_mutex_);
    if (kind == JobKind::kRequest) {
      // A new request restarts the collection: one still outstanding is abandoned.
      jobs_.erase(std::remove_if(jobs_.begin(), jobs_.end(),
                                 [](const Job& job) { return job.kind == JobKind::kRequest; }),
                  jobs_.end());
      if (running_job_ == JobKind::kRequest) job_stop_.request_stop();
    }
    jobs_.push_back({kind, std::move(work)});
  }
  worker_cv_.notify_all();
}

bool CDialogCore::RunDueLocked() const {
  return bulk.bulk_read_active.load() != 0 || bulk.bulk_write_active.load() != 0;
}

void CDialogCore::WorkerLoop(std::stop_token stop) {
  std::stop_callback on_stop(stop, [this] {
    std::lock_guard lock(worker_mutex_);
    job_stop_.request_stop();
    run_stop_.request_stop();
  });
  std::unique_lock lock(worker_mutex_);
  while (!stop.stop_requested()) {
    worker_cv_.wait(lock, stop, [this] { return !jobs_.empty() || RunDueLocked(); });
    if (stop.stop_requested()) break;
    if (!jobs_.empty()) {
      Job job = std::move(jobs_.front());
      jobs_.pop_front();
      running_job_ = job.kind;
      job_stop_ = std::stop_source();
      const std::stop_token token = job_stop_.get_token();
      lock.unlock();
      job.work(token);
      lock.lock();
      running_job_ = JobKind::kNone;
      continue;
    }
    RunStepLocked(lock);
  }
}

void CDialogCore::RunStepLocked(std::unique_lock<std::mutex>& lock) {
  // A read run takes precedence; a write run goes on from its index once it has ended.
  const BulkRun run = bulk.bulk_read_active.load() != 0 ? BulkRun::kRead : BulkRun::kWrite;
  std::atomic<uint8_t>& active =
      run == BulkRun::kRead ? bulk.bulk_read_active : bulk.bulk_write_active;
  std::atomic<uint8_t>& index = run == BulkRun::kRead ? bulk.bulk_read_index : bulk.bulk_write_index;
  const unsigned step_index = index.load();
  uint16_t version = 0;
  SentBlock block;
  {
    // Taken before the request is built: a collect in between keeps the block unsaved.
    std::lock_guard store(store_mutex_);
    version = param_store.fw_version;
    if (step_index <= kBulkLastStep) block = BlockAsSent(step_index);
  }
  // The version is taken afresh at every step: a read run normally has it from its own step 0.
  const BulkStep step = DescribeBulkStep(run, step_index, version);
  const uint32_t epoch = run_epoch_.load();
  if (step.ends_run) {
    active.store(0);
    bulk.bulk_waiting.store(0);
    const bool skipped = run == BulkRun::kWrite && version == 0;
    platform_.PostToUi([this, run, skipped, epoch] { RunEnded(run, skipped, epoch); });
    return;
  }

  // Up before the request goes out: the run makes no other step until its answer is in.
  bulk.bulk_waiting.store(1);
  exchange_run_.store(static_cast<uint8_t>(run));
  run_stop_ = std::stop_source();
  const std::stop_token token = run_stop_.get_token();
  const unsigned next = step_index + 1;
  const bool last_step = next > kBulkLastStep;
  if (last_step) {
    // The last request goes out now; its answer is still collected as usual.
    index.store(0);
    active.store(0);
  } else {
    index.store(static_cast<uint8_t>(next));
  }
  const unsigned total = BulkStepCount(version);
  lock.unlock();

  platform_.PostParamProgress(step.kind, step.channel);
  platform_.PostToUi(
      [this, run, step_index, total, epoch] { RunStepStarted(run, step_index, total, epoch); });
  const RequestResult result = session_.TransferStep(param_store, store_mutex_, run, step, token);
  uint16_t version_after = version;
  if (result.image_changed) {
    std::lock_guard store(store_mutex_);
    version_after = param_store.fw_version;
  }

  lock.lock();
  if (result.status == ExchangeStatus::kCancelled) return;  // restarted or cancelled meanwhile
  if (exchange_run_.load() == static_cast<uint8_t>(run)) {
    bulk.bulk_waiting.store(0);
    exchange_run_.store(0);
  }
  if (result.status != ExchangeStatus::kComplete) {
    // No answer: both runs end.
    bulk.bulk_read_active.store(0);
    bulk.bulk_write_active.store(0);
  }
  const unsigned total_after = BulkStepCount(version_after);
  platform_.PostToUi([this, run, block, total_after, result, epoch] {
    RunStepDone(run, block, total_after, result, epoch);
  });
  // The answer to the run's last request is in: the run is over.
  if (last_step && result.status == ExchangeStatus::kComplete) {
    platform_.PostToUi([this, run, epoch] { RunEnded(run, false, epoch); });
  }
}

// ---------------------------------------------------------------------------- requests

void CDialogCore::SendRequest(const uint8_t* frame, uint16_t length, SentBlock block) {
  std::vector<uint8_t> bytes(frame, frame + length);
  const bool write = length > 5 && frame[5] == kCommandWrite;
  QueueJob(JobKind::kRequest, [this, bytes, block, write](std::stop_token stop) {
    const RequestResult result =
        session_.Request(param_store, store_mutex_, bytes.data(),
                         static_cast<uint16_t>(bytes.size()), stop);
    if (result.status == ExchangeStatus::kCancelled) return;  // a newer request took over
    platform_.PostToUi([this, result, block, write] { FinishRequest(result, block, write); });
  });
}

void CDialogCore::FinishRequest(const RequestResult& result, SentBlock block, bool write) {
  if (result.status != ExchangeStatus::kComplete) {
    controls_.SetPaneText(3, ExchangeStatusText(result.status));
    return;
  }
  controls_.SetPaneText(3, result.outcome.text);
  if (result.outcome.accepted) {
    NoteSaved(block);
    if (!write) loaded_ = true;
  }
  // The answer's values are on screen at once.
  if (result.image_changed) ShowStalePanels();
}

void CDialogCore::OnNow() {
  std::lock_guard lock(store_mutex_);
  panels_.FillCurrentTime();
}

void CDialogCore::SendBlockRequest(const std::function<CollectResult()>& collect,
                                   uint16_t (CParamStore::*build)(),
                                   unsigned (*block_of)(const CParamStore&)) {
  if (!PortCheck() || RefuseWhileBusy()) return;
  auto lock = LockStore();
  if (collect) {
    const CollectResult collected = collect();
    if (!collected.ok) {
      lock.unlock();
      ReportProblem(collected, "没有写入任何参数。");
      return;
    }
    NoteCollected(collected);
  }
  const SentBlock block = BlockAsSent(block_of(param_store));
  const uint16_t length = (param_store.*build)();
  uint8_t frame[kFrameBufferSize];
  std::memcpy(frame, param_store.request, length);
  lock.unlock();
  SendRequest(frame, length, block);
}

template <typename Collect, typename Current, typename Show>
void CDialogCore::ChangeSelection(int selector, Collect collect, Current current, Show show) {
  auto lock = LockStore();
  const CollectResult collected = collect(static_cast<uint8_t>(controls_.GetSelection(selector)));
  if (!collected.ok) {
    // The values on screen stay where they are, and so does their selector.
    controls_.SetSelection(selector, current());
    lock.unlock();
    ReportProblem(collected, "请先改正，再切换。");
    return;
  }
  NoteCollected(collected);
  show();
}

namespace {
unsigned BaseBlockOf(const CParamStore&) { return kBaseBlock; }
unsigned Arg1BlockOf(const CParamStore& s) { return Arg1BlockIndex(s.arg1_channel % kChannelCount); }
unsigned Arg2BlockOf(const CParamStore& s) { return Arg2BlockIndex(s.arg2_channel % kChannelCount); }
}  // namespace

void CDialogCore::OnReadBase() { SendBlockRequest({}, &CParamStore::ReadBaseRequest, BaseBlockOf); }

void CDialogCore::OnWriteBase() {
  SendBlockRequest([this] { return panels_.CollectBaseInfo(); }, &CParamStore::WriteBaseRequest,
                   BaseBlockOf);
}

void CDialogCore::OnArg1ChannelChange() {
  ChangeSelection(
      IDC_ARG1_CHANNEL, [this](uint8_t channel) { return panels_.CollectArg1(channel); },
      [this] { return param_store.arg1_channel; }, [this] { panels_.ShowArg1(); });
}

void CDialogCore::OnGearChange() {
  ChangeSelection(
      IDC_GEAR, [this](uint8_t gear) { return panels_.CollectGear(gear); },
      [this] { return param_store.gear_index[param_store.arg1_channel % kChannelCount]; },
      [this] { panels_.ShowGear(); });
}

void CDialogCore::OnArg2ChannelChange() {
  ChangeSelection(
      IDC_ARG2_CHANNEL, [this](uint8_t channel) { return panels_.CollectArg2(channel); },
      [this] { return param_store.arg2_channel; }, [this] { panels_.ShowArg2(); });
}

void CDialogCore::OnReadArg1() { SendBlockRequest({}, &CParamStore::ReadArg1Request, Arg1BlockOf); }

void CDialogCore::OnWriteArg1() {
  SendBlockRequest(
      [this] {
        return panels_.CollectArg1(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG1_CHANNEL)));
      },
      &CParamStore::WriteArg1Request, Arg1BlockOf);
}

void CDialogCore::OnReadArg2() { SendBlockRequest({}, &CParamStore::ReadArg2Request, Arg2BlockOf); }

void CDialogCore::OnWriteArg2() {
  SendBlockRequest(
      [this] {
        return panels_.CollectArg2(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG2_CHANNEL)));
      },
      &CParamStore::WriteArg2Request, Arg2BlockOf);
}

// ---------------------------------------------------------------------------- read-all, write-all

void CDialogCore::OnReadAll() {
  if (!PortCheck() || search_running_) return;
  {
    std::lock_guard lock(worker_mutex_);
    // An answer the write run still waits for is collected before the first read request goes
    // out; a restart of the read run itself abandons its outstanding answer.
    const bool write_waiting = bulk.bulk_waiting.load() != 0 && exchange_run_.load() == kWrite;
    if (!write_waiting) {
      if (bulk.bulk_waiting.load() != 0) run_stop_.request_stop();
      bulk.bulk_waiting.store(0);
      exchange_run_.store(0);
    }
    bulk.bulk_read_index.store(0);
    bulk.bulk_read_active.store(1);
  }
  run_open_[kRead] = true;
  run_failed_blocks_[kRead] = 0;
  uint16_t version = 0;
  {
    std::lock_guard lock(store_mutex_);
    version = param_store.fw_version;
  }
  ShowProgress(IDialogControls::Progress::kRunning, 0,
               static_cast<int>(BulkStepCount(version)));
  worker_cv_.notify_all();
}

void CDialogCore::OnWriteAll() {
  if (!PortCheck() || search_running_) return;
  if (!loaded_ && !run_open_[kWrite] &&
      !controls_.AskYesNo("还没有从记录仪读取参数，也没有导入参数文件。\n"
                          "全部写入会用面板上现在的值覆盖记录仪的全部参数：除已修改的以外，"
                          "其余为启动时的默认值。\n"
                          "确定要写入吗？",
                          kAppName)) {
    return;
  }
  if (!CollectAllPanels("没有写入任何参数。")) return;
  uint16_t version = 0;
  {
    std::lock_guard lock(store_mutex_);
    version = param_store.fw_version;
  }
  {
    std::lock_guard lock(worker_mutex_);
    const bool read_waiting = bulk.bulk_waiting.load() != 0 && exchange_run_.load() == kRead;
    if (!read_waiting) {
      if (bulk.bulk_waiting.load() != 0) run_stop_.request_stop();
      bulk.bulk_waiting.store(0);
      exchange_run_.store(0);
    }
    bulk.bulk_write_index.store(0);
    bulk.bulk_write_active.store(1);
  }
  run_open_[kWrite] = true;
  run_failed_blocks_[kWrite] = 0;
  ShowProgress(IDialogControls::Progress::kRunning, 0,
               static_cast<int>(BulkStepCount(version)));
  worker_cv_.notify_all();
}

void CDialogCore::OnParamProgress(int kind, long channel) {
  const std::string text = ProgressText(kind, channel);
  if (!text.empty()) controls_.SetPaneText(3, text);
}

void CDialogCore::RunStepStarted(BulkRun, unsigned index, unsigned total, uint32_t epoch) {
  if (epoch != run_epoch_.load()) return;
  ShowProgress(IDialogControls::Progress::kRunning, static_cast<int>(index),
               static_cast<int>(total));
}

void CDialogCore::RunStepDone(BulkRun run, SentBlock block, unsigned total,
                              const RequestResult& result, uint32_t epoch) {
  if (epoch != run_epoch_.load()) return;
  const int r = static_cast<int>(run);
  const unsigned index = block.index;
  if (result.status != ExchangeStatus::kComplete) {
    // The run ended without an answer; so did the other one, if it was armed.
    controls_.SetPaneText(3, result.status == ExchangeStatus::kDisconnected
                                 ? RunLostText()
                                 : std::string(ExchangeStatusText(result.status)));
    run_open_[kRead] = false;
    run_open_[kWrite] = false;
    ShowProgress(IDialogControls::Progress::kFailed, static_cast<int>(index),
                 static_cast<int>(total));
    return;
  }
  controls_.SetPaneText(3, result.outcome.text);
  if (result.outcome.accepted) {
    NoteSaved(block);
    if (run == BulkRun::kRead) loaded_ = true;
  } else {
    ++run_failed_blocks_[r];
  }
  if (result.image_changed) ShowStalePanels();
  ShowProgress(IDialogControls::Progress::kRunning, static_cast<int>(index + 1),
               static_cast<int>(total));
}

void CDialogCore::RunEnded(BulkRun run, bool coefficients_skipped, uint32_t epoch) {
  if (epoch != run_epoch_.load()) return;
  FinishRun(static_cast<int>(run), coefficients_skipped);
}

void CDialogCore::FinishRun(int run, bool skipped) {
  if (!run_open_[run]) return;
  // Restarted meanwhile: the new run is still going.
  const auto& active = run == kRead ? bulk.bulk_read_active : bulk.bulk_write_active;
  if (active.load() != 0) return;
  run_open_[run] = false;
  const int failed = run_failed_blocks_[run];
  std::string text;
  if (failed > 0) {
    // The last block's success text would hide the failures.
    text = std::string(RunName(run)) + "结束，" + std::to_string(failed) + "个数据块失败";
  }
  if (skipped) {
    // Short in the pane, beside any failures; the reason in a message of its own.
    text = (text.empty() ? std::string(RunName(run)) + "完成" : text) + "，系数未写入";
  }
  if (!text.empty()) controls_.SetPaneText(3, text);
  uint16_t version = 0;
  {
    std::lock_guard lock(store_mutex_);
    version = param_store.fw_version;
  }
  const int steps = static_cast<int>(BulkStepCount(version));
  ShowProgress(
      failed > 0 ? IDialogControls::Progress::kFailed : IDialogControls::Progress::kSucceeded,
      steps, steps);
  if (skipped) {
    controls_.ShowMessage("系数未写入：记录仪未报告固件版本。\n请先读取参数，再全部写入。",
                          kAppName, MessageIcon::kInformation);
  }
}

void CDialogCore::CancelRuns() {
  {
    std::lock_guard lock(worker_mutex_);
    bulk.bulk_read_active.store(0);
    bulk.bulk_write_active.store(0);
    if (bulk.bulk_waiting.load() != 0) run_stop_.request_stop();
    bulk.bulk_waiting.store(0);
    exchange_run_.store(0);
    run_epoch_.fetch_add(1);
  }
  run_open_[kRead] = false;
  run_open_[kWrite] = false;
}

bool CDialogCore::WriteRunOpen() const {
  return bulk.bulk_write_active.load() != 0 || run_open_[kWrite];
}

std::string CDialogCore::RunLostText() const {
  return std::string("设备已断开，") + RunName(WriteRunOpen() ? kWrite : kRead) + "未完成";
}

void CDialogCore::ShowProgress(IDialogControls::Progress state, int done, int total) {
  progress_done_ = done;
  progress_total_ = total;
  controls_.SetRunProgress(state, done, total);
}

void CDialogCore::ShowRunCut() {
  controls_.SetRunProgress(IDialogControls::Progress::kFailed, progress_done_, progress_total_);
}

// ---------------------------------------------------------------------------- the device

void CDialogCore::OnDeviceLost(uint32_t open_count) {
  // The search opens and closes the port itself; an older open's hang-up means nothing now.
  if (search_running_ || open_count != port_.OpenCount() || !port_.IsLost()) return;
  const bool in_run = RunInProgress();
  const std::string lost_text = RunLostText();
  CancelRuns();
  port_.Close();
  controls_.SetPaneText(0, "设备已断开");
  controls_.SetPaneText(1, "请检查设备连接，然后重新测试波特率");
  controls_.SetPaneText(2, "");
  if (in_run) {
    controls_.SetPaneText(3, lost_text);
    ShowRunCut();
  }
}

}  // namespace travex
