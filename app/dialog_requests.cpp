// The single requests of the panels (读取参数 / 写入参数 of each group) and the selectors that
// switch the channel and the gear.
#include "app/dialog_core.h"
#include "app/dialog_texts.h"
#include "resources/resource_ids.h"

namespace travex {

void CDialogCore::OnNow() {
  std::lock_guard lock(session_.store_mutex());
  panels_.FillCurrentTime();
}

void CDialogCore::SendBlockRequest(const std::function<CollectResult()>& collect, BlockKind kind,
                                   bool write) {
  if (!PortCheck() || RefuseWhileBusy()) return;
  auto lock = LockStore();
  if (collect) {
    const CollectResult collected = collect();
    if (!collected.ok) {
      lock.unlock();
      ReportProblem(collected, TRAVEX_TEXT("dialog", "没有写入任何参数。"));
      return;
    }
    unsaved_.NoteCollected(collected);
  }
  // The block of the channel the panel shows now.
  BlockRef block{kind, 0};
  if (kind == BlockKind::kArg1) block.channel = panels_.Arg1Channel();
  if (kind == BlockKind::kArg2) block.channel = panels_.Arg2Channel();
  const UnsavedBlocks::Sent sent = unsaved_.AsSent(block);
  lock.unlock();
  auto done = [this, sent, write](const RequestResult& result) {
    if (result.status == ExchangeStatus::kCancelled) return;  // a newer request took over
    platform_.PostToUi([this, result, sent, write] { FinishRequest(result, sent, write); });
  };
  // A new request restarts the collection: one still outstanding is abandoned.
  session_.CancelBlockRequests();
  if (write) {
    session_.WriteBlock(block, std::move(done));
  } else {
    session_.ReadBlock(block, std::move(done));
  }
}

void CDialogCore::FinishRequest(const RequestResult& result, UnsavedBlocks::Sent sent, bool write) {
  if (result.status != ExchangeStatus::kComplete) {
    controls_.SetPaneText(3, controls_.Tr("dialog", dialog_text::ExchangeText(result.status)));
    return;
  }
  controls_.SetPaneText(3, controls_.Tr("dialog", dialog_text::ReplyText(result.outcome, write)));
  if (result.outcome.accepted) {
    std::lock_guard lock(session_.store_mutex());
    unsaved_.NoteSaved(sent);
    if (!write) {
      panels_.NoteBlockStored(BlockOfStep(sent.step));
      loaded_ = true;
    }
  }
  // The answer's values are on screen at once.
  if (result.image_changed) ShowStalePanels();
}

template <typename Collect, typename Current, typename Show>
void CDialogCore::ChangeSelection(int selector, Collect collect, Current current, Show show) {
  auto lock = LockStore();
  const CollectResult collected = collect(static_cast<uint8_t>(controls_.GetSelection(selector)));
  if (!collected.ok) {
    // The values on screen stay where they are, and so does their selector.
    controls_.SetSelection(selector, current());
    lock.unlock();
    ReportProblem(collected, TRAVEX_TEXT("dialog", "请先改正，再切换。"));
    return;
  }
  unsaved_.NoteCollected(collected);
  show();
}

void CDialogCore::OnReadBase() { SendBlockRequest({}, BlockKind::kBase, false); }

void CDialogCore::OnWriteBase() {
  SendBlockRequest([this] { return panels_.CollectBaseInfo(); }, BlockKind::kBase, true);
}

void CDialogCore::OnArg1ChannelChange() {
  ChangeSelection(
      IDC_ARG1_CHANNEL, [this](uint8_t channel) { return panels_.CollectArg1(channel); },
      [this] { return panels_.Arg1Channel(); }, [this] { panels_.ShowArg1(); });
}

void CDialogCore::OnGearChange() {
  ChangeSelection(
      IDC_GEAR, [this](uint8_t gear) { return panels_.CollectGear(gear); },
      [this] { return panels_.Gear(panels_.Arg1Channel()); },
      [this] { panels_.ShowGear(); });
}

void CDialogCore::OnArg2ChannelChange() {
  ChangeSelection(
      IDC_ARG2_CHANNEL, [this](uint8_t channel) { return panels_.CollectArg2(channel); },
      [this] { return panels_.Arg2Channel(); }, [this] { panels_.ShowArg2(); });
}

void CDialogCore::OnReadArg1() { SendBlockRequest({}, BlockKind::kArg1, false); }

void CDialogCore::OnWriteArg1() {
  SendBlockRequest(
      [this] {
        return panels_.CollectArg1(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG1_CHANNEL)));
      },
      BlockKind::kArg1, true);
}

void CDialogCore::OnReadArg2() { SendBlockRequest({}, BlockKind::kArg2, false); }

void CDialogCore::OnWriteArg2() {
  SendBlockRequest(
      [this] {
        return panels_.CollectArg2(static_cast<uint8_t>(controls_.GetSelection(IDC_ARG2_CHANNEL)));
      },
      BlockKind::kArg2, true);
}

}  // namespace travex
