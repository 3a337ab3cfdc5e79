// CDialogCore: start-up and shut-down, the helpers the handlers share, and the session's events
// on their way to the user-interface thread.
#include "app/dialog_core.h"

#include <utility>

#include "app/dialog_texts.h"
#include "params/value_lists.h"
#include "resources/resource_ids.h"

namespace travex {

CDialogCore::CDialogCore(IDialogControls& controls, IDialogPlatform& platform)
    : param_store(session_.store()),
      controls_(controls),
      platform_(platform),
      panels_(controls, session_.store()) {}

// The platform may already be half torn down here: the session stops its threads first.
CDialogCore::~CDialogCore() { session_.Shutdown(); }

// ---------------------------------------------------------------------------- start and end

void CDialogCore::InitDialog() {
  EnumeratePorts();
  if (std::string history = platform_.HistoryFolder(); !history.empty()) {
    session_.SetHistory({std::move(history)});
  }
  session_.Start();
  started_ = true;

  EnableAddrBaudButtons(false);
  controls_.SetStatusTexts("", "", "", "");
  ShowProgress(IDialogControls::Progress::kIdle, 0, 0);

  std::lock_guard lock(session_.store_mutex());
  panels_.InitParamPanels();
}

void CDialogCore::Shutdown() {
  started_ = false;
  session_.Shutdown();
}

bool CDialogCore::HasUnsavedEdits() {
  auto lock = LockStore();
  return unsaved_.Any() || panels_.ControlsDiffer();
}

bool CDialogCore::ConfirmClose() {
  if (RunInProgress()) {
    const std::string text =
        session_.RunArmed(BulkRun::kWrite)
            ? controls_.Tr("dialog", "全部写入尚未完成，现在退出会使记录仪的参数只写入一部分。\n确定要退出吗？")
            : controls_.Tr("dialog", "全部读取尚未完成。\n确定要退出吗？");
    if (!controls_.AskYesNo(text, AppName())) return false;
    session_.CancelRuns();
  }
  if (HasUnsavedEdits() &&
      !controls_.AskYesNo(
          controls_.Tr("dialog", "参数已修改，但尚未写入记录仪，也未导出到参数文件。\n退出后这些修改将丢失，确定要退出吗？"),
          AppName())) {
    return false;
  }
  // A search or exchange still running is abandoned.
  session_.CancelJobs();
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
  if (session_.IsOpen()) return true;
  controls_.SetStatusTexts(controls_.Tr("dialog", "请先打开串口"), "", "", "");
  return false;
}

bool CDialogCore::RefuseWhileBusy() {
  if (!RunInProgress() && !search_running_) return false;
  controls_.SetPaneText(3, controls_.Tr("dialog", dialog_text::kRunBusy));
  return true;
}

std::unique_lock<std::mutex> CDialogCore::LockStore() {
  std::unique_lock lock(session_.store_mutex());
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
  unsaved_.NoteCollected(collected);
  if (image != nullptr) *image = param_store.image;
  return true;
}

void CDialogCore::ReportProblem(const CollectResult& result, std::string_view consequence) {
  std::string text = FieldProblemText(result.problem, controls_);
  if (!consequence.empty()) text += "\n" + controls_.Tr("dialog", consequence);
  controls_.ShowMessage(text, AppName(), MessageIcon::kWarning);
}

// ---------------------------------------------------------------------------- session events

void CDialogCore::OnSearchRate(uint32_t rate, int index) {
  IDialogControls* controls = &controls_;
  platform_.PostToUi([controls, rate, index] {
    controls->SetStatusTexts(
        FillIn(controls->Tr("dialog", "正在测试波特率：%1"), {std::to_string(rate)}),
        FillIn(controls->Tr("dialog", "第 %1 个，共 %2 个"),
               {std::to_string(index + 1), std::to_string(kBaudRateCount)}),
        "", "");
  });
}

void CDialogCore::OnHistoryFailed(const std::string& reason) {
  // Shown now, and again when the run ends, where the run's own texts no longer cover it.
  platform_.PostToUi([this, reason] {
    history_note_ = controls_.Tr("dialog", dialog_text::kHistoryFailed) + reason;
    controls_.SetPaneText(3, history_note_);
  });
}

void CDialogCore::OnRunStep(const RunStep& step) {
  {
    // Taken before the request is built: a collect in between keeps the block unsaved.
    std::lock_guard lock(session_.store_mutex());
    step_sent_ = unsaved_.AsSent(step.block);
  }
  platform_.PostParamProgress(dialog_text::ProgressKind(step.run, step.block),
                              dialog_text::ProgressChannel(step.block));
  platform_.PostToUi([this, step] { RunStepStarted(step); });
}

void CDialogCore::OnRunStepEnded(const RunStep& step, const RequestResult& result) {
  const UnsavedBlocks::Sent sent = step_sent_;
  platform_.PostToUi([this, step, sent, result] { RunStepDone(step, sent, result); });
}

void CDialogCore::OnRunEnded(BulkRun run, const RunResult& result, uint32_t generation) {
  platform_.PostToUi([this, run, result, generation] { RunEnded(run, result, generation); });
}

void CDialogCore::OnLineLost() {
  platform_.PostToUi([this] {
    controls_.SetPaneText(0, controls_.Tr("dialog", dialog_text::kDeviceLost));
    controls_.SetPaneText(1, controls_.Tr("dialog", dialog_text::kCheckAndSearchAgain));
    controls_.SetPaneText(2, "");
  });
}

}  // namespace travex
