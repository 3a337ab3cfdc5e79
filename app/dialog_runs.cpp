// 全部读取 and 全部写入: the handlers arm a run of the session; its steps and its end come back
// as events and are shown in pane 3 and on the progress bar.
#include "app/dialog_core.h"
#include "app/dialog_texts.h"

namespace travex {

void CDialogCore::StartRun(BulkRun run) {
  uint16_t version = 0;
  {
    std::lock_guard lock(session_.store_mutex());
    version = param_store.fw_version;
  }
  session_.StartRun(run);
  ShowProgress(IDialogControls::Progress::kRunning, 0, static_cast<int>(RunStepCount(version)));
}

void CDialogCore::OnReadAll() {
  if (!PortCheck() || search_running_) return;
  StartRun(BulkRun::kRead);
}

void CDialogCore::OnWriteAll() {
  if (!PortCheck() || search_running_) return;
  if (!loaded_ && !session_.RunArmed(BulkRun::kWrite) &&
      !controls_.AskYesNo(controls_.Tr("dialog",
                                       "还没有从记录仪读取参数，也没有导入参数文件。\n"
                                       "全部写入会用面板上现在的值覆盖记录仪的全部参数：除已修改的以外，"
                                       "其余为启动时的默认值。\n"
                                       "确定要写入吗？"),
                          AppName())) {
    return;
  }
  if (!CollectAllPanels(TRAVEX_TEXT("dialog", "没有写入任何参数。"))) return;
  StartRun(BulkRun::kWrite);
}

void CDialogCore::OnParamProgress(int kind, long channel) {
  const std::string text = dialog_text::ProgressText(kind, channel, controls_);
  if (!text.empty()) controls_.SetPaneText(3, text);
}

void CDialogCore::RunStepStarted(const RunStep& step) {
  if (step.generation != session_.RunGeneration(step.run)) return;
  ShowProgress(IDialogControls::Progress::kRunning, static_cast<int>(step.index),
               static_cast<int>(step.total));
}

void CDialogCore::RunStepDone(const RunStep& step, UnsavedBlocks::Sent sent,
                              const RequestResult& result) {
  if (step.generation != session_.RunGeneration(step.run)) return;
  if (result.status != ExchangeStatus::kComplete) {
    // The run ended without an answer; so did the other one, if it was armed.
    controls_.SetPaneText(3, result.status == ExchangeStatus::kDisconnected
                                 ? RunLostText(step.run)
                                 : controls_.Tr("dialog", dialog_text::ExchangeText(result.status)));
    ShowProgress(IDialogControls::Progress::kFailed, static_cast<int>(step.index),
                 static_cast<int>(step.total));
    return;
  }
  controls_.SetPaneText(
      3, controls_.Tr("dialog", dialog_text::ReplyText(result.outcome, step.run == BulkRun::kWrite)));
  if (result.outcome.accepted) {
    std::lock_guard lock(session_.store_mutex());
    unsaved_.NoteSaved(sent);
    if (step.run == BulkRun::kRead) {
      panels_.NoteBlockStored(step.block);
      loaded_ = true;
    }
  }
  if (result.image_changed) ShowStalePanels();
  ShowProgress(IDialogControls::Progress::kRunning, static_cast<int>(step.index + 1),
               static_cast<int>(step.total));
}

void CDialogCore::RunEnded(BulkRun run, const RunResult& result, uint32_t generation) {
  // A run started again or cancelled since: what it reports is about a run that is gone.
  if (generation != session_.RunGeneration(run)) return;
  if (result.status == ExchangeStatus::kDisconnected && result.failed_step < 0) {
    // Cut between two steps by a device that went away.
    controls_.SetPaneText(3, RunLostText(run));
    ShowRunCut();
    return;
  }
  // A step without an answer has shown why the run ended.
  if (result.status != ExchangeStatus::kComplete) return;
  const unsigned failed = result.rejected_blocks;
  const bool skipped = run == BulkRun::kWrite && !result.coefficients;
  std::string text;
  if (failed > 0) {
    // The last block's success text would hide the failures.
    text = FillIn(controls_.Tr("dialog", "%1结束，%2个数据块失败"), {RunName(run), std::to_string(failed)});
  }
  if (skipped) {
    // Short in the pane, beside any failures; the reason in a message of its own.
    if (text.empty()) text = FillIn(controls_.Tr("dialog", "%1完成"), {RunName(run)});
    text = FillIn(controls_.Tr("dialog", "%1，系数未写入"), {text});
  }
  if (!text.empty()) controls_.SetPaneText(3, text);
  if (!history_note_.empty()) {
    controls_.SetPaneText(3, history_note_);
    history_note_.clear();
  }
  const int steps = static_cast<int>(result.total_steps);
  ShowProgress(
      failed > 0 ? IDialogControls::Progress::kFailed : IDialogControls::Progress::kSucceeded,
      steps, steps);
  if (skipped) {
    controls_.ShowMessage(controls_.Tr("dialog", "系数未写入：记录仪未报告固件版本。\n请先读取参数，再全部写入。"),
                          AppName(), MessageIcon::kInformation);
  }
}

std::string CDialogCore::RunLostText(BulkRun run) const {
  return FillIn(controls_.Tr("dialog", "%1，%2未完成"),
                {controls_.Tr("dialog", dialog_text::kDeviceLost), RunName(run)});
}

std::string CDialogCore::RunName(BulkRun run) const {
  return controls_.Tr("dialog", dialog_text::RunName(run));
}

std::string CDialogCore::AppName() const {
  return controls_.Tr("dialog", dialog_text::kAppName);
}

void CDialogCore::ShowProgress(IDialogControls::Progress state, int done, int total) {
  progress_done_ = done;
  progress_total_ = total;
  controls_.SetRunProgress(state, done, total);
}

void CDialogCore::ShowRunCut() {
  controls_.SetRunProgress(IDialogControls::Progress::kFailed, progress_done_, progress_total_);
}

}  // namespace travex
