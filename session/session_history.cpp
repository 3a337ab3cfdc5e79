// CLoggerSession: keeping whole images in the history, on the worker.
#include <chrono>
#include <mutex>
#include <string>

#include "session/logger_session.h"

namespace travex {

void CLoggerSession::KeepRunImage(BulkRun run) {
  ParamImage image;
  uint16_t version = 0;
  {
    std::lock_guard lock(store_mutex_);
    image = store_.image;
    version = store_.fw_version;
  }
  if (run == BulkRun::kRead) {
    held_known_ = true;
    held_image_ = image;
    held_fw_version_ = version;
  } else {
    ForgetHeldImage();
  }
  KeepImage(run == BulkRun::kRead ? HistoryKind::kRead : HistoryKind::kWritten, image, version);
}

void CLoggerSession::KeepHeldImage() {
  if (!held_known_) return;
  // From now on the logger is being written: the image is no longer what it holds.
  ForgetHeldImage();
  KeepImage(HistoryKind::kBefore, held_image_, held_fw_version_);
}

void CLoggerSession::KeepImage(HistoryKind kind, const ParamImage& image, uint16_t fw_version) {
  if (!history_on_) return;
  const auto now = std::chrono::system_clock::now();
  HistoryRecord record;
  record.time = std::chrono::system_clock::to_time_t(now);
  record.millisecond = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  const PortTarget& target = line_.target();
  record.port = target.number != 0 ? "COM" + std::to_string(target.number) : target.address;
  record.address = exchanges_.link_codec.GetAddress();
  record.fw_version = fw_version;
  record.kind = kind;
  std::string path;
  std::string error;
  if (KeepInHistory(history_place_, record, image, &path, &error)) {
    if (events_ != nullptr) events_->OnHistoryKept(kind, path);
  } else if (!history_failed_) {
    history_failed_ = true;
    if (events_ != nullptr) events_->OnHistoryFailed(error);
  }
}

}  // namespace travex
