// CConfigDlg's hand-over from the worker threads to the user-interface thread: queued work,
// the run progress message and the frames for the communication log.
#include "app/qt/config_dlg.h"

#include <QCoreApplication>
#include <QThread>
#include <utility>

#include "app/qt/frame_log.h"

namespace travex {
namespace {

// Frames handed over between two runs of the user-interface thread's queue, before the oldest
// are dropped (the log keeps no more anyway).
constexpr size_t kFramesInFlight = kFrameLogCapacity;

}  // namespace

// Work for the user-interface thread is kept in our own locked queue; Qt's queued call only
// says "look at the queue". (Qt synchronises its event queue in code the thread sanitizer does
// not see, so objects built on a worker and read on the user-interface thread are handed over
// under our own lock.)
void CConfigDlg::PostToUi(std::function<void()> fn) {
  {
    const std::lock_guard lock(posted_mutex_);
    posted_.push_back(std::move(fn));
  }
  QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void CConfigDlg::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(posted_mutex_);
    batch.swap(posted_);
  }
  for (std::function<void()>& fn : batch) fn();
}

// The progress message travels in the same queue as every other hand-over, so that it is
// handled in the order the transfer thread sent it (a run's last text is never overtaken by the
// progress of its last step).
void CConfigDlg::PostParamProgress(int kind, long channel) {
  PostToUi([this, kind, channel] {
    CParamProgressEvent progress(kind, channel);
    QCoreApplication::sendEvent(this, &progress);
  });
}

bool CConfigDlg::IsUiThread() const { return QThread::currentThread() == thread(); }

bool CConfigDlg::event(QEvent* e) {
  if (e->type() == CParamProgressEvent::kType) {
    const auto* progress = static_cast<const CParamProgressEvent*>(e);
    if (!shut_down_) core_.OnParamProgress(progress->kind(), progress->channel());
    return true;
  }
  return QDialog::event(e);
}

void CConfigDlg::OnFrame(const FrameRecord& frame) {
  bool post = false;
  {
    const std::lock_guard lock(frames_mutex_);
    if (frames_pending_.size() >= kFramesInFlight) frames_pending_.erase(frames_pending_.begin());
    frames_pending_.push_back(frame);
    post = !frames_posted_;
    frames_posted_ = true;
  }
  // One hand-over per batch: frames that come while it is queued ride along.
  if (post) PostToUi([this] { TakeFrames(); });
}

void CConfigDlg::TakeFrames() {
  {
    const std::lock_guard lock(frames_mutex_);
    frames_batch_.swap(frames_pending_);
    frames_posted_ = false;
  }
  frame_log_model_->Append(frames_batch_);
  frames_batch_.clear();
}

}  // namespace travex
