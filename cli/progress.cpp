#include "cli/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace travex::cli {
namespace {

constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);
constexpr size_t kBarCells = 24;

size_t TerminalWidth(std::FILE* stream) {
  struct winsize size {};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
  return 80;
}

double RowFraction(const CProgressBoard::Row& row) {
  if (row.finished) return 1.0;
  if (row.total == 0) return 0.0;
  return std::min(1.0, static_cast<double>(row.done) / row.total);
}

}  // namespace

CProgressBoard::CProgressBoard(std::FILE* out, std::FILE* err, bool bar)
    : out_(out), err_(err), bar_(bar) {}

std::string CProgressBoard::Render(const std::vector<Row>& rows, size_t width) {
  if (rows.empty()) return {};
  double sum = 0;
  size_t finished = 0;
  for (const Row& row : rows) {
    sum += RowFraction(row);
    if (row.finished) ++finished;
  }
  const double fraction = sum / static_cast<double>(rows.size());
  const auto filled = static_cast<size_t>(fraction * kBarCells + 0.5);
  std::string line = "[" + std::string(filled, '#') + std::string(kBarCells - filled, '-') + "] ";
  line += std::to_string(static_cast<int>(fraction * 100 + 0.5)) + "%";
  if (rows.size() == 1) {
    const Row& row = rows[0];
    line += "  " + row.name;
    if (row.total != 0) line += " " + std::to_string(row.done) + "/" + std::to_string(row.total);
    if (!row.phase.empty()) line += " " + row.phase;
  } else {
    line += "  " + std::to_string(finished) + "/" + std::to_string(rows.size()) + " done";
    for (const Row& row : rows) {
      if (row.finished) continue;
      line += "  " + row.name + " ";
      line +=
          row.total != 0 ? std::to_string(row.done) + "/" + std::to_string(row.total) : row.phase;
    }
  }
  if (line.size() > width) line.resize(width);
  return line;
}

void CProgressBoard::Start(const std::vector<std::string>& names) {
  std::lock_guard lock(mutex_);
  rows_.clear();
  for (const std::string& name : names) rows_.push_back({name, {}, 0, 0, false});
  RedrawLocked(true);
}

void CProgressBoard::SetPhase(size_t row, std::string phase) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  rows_[row].phase = std::move(phase);
  RedrawLocked(false);
}

void CProgressBoard::SetSteps(size_t row, unsigned done, unsigned total, std::string phase) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  rows_[row].done = done;
  rows_[row].total = total;
  rows_[row].phase = std::move(phase);
  RedrawLocked(false);
}

void CProgressBoard::SetDone(size_t row) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  rows_[row].finished = true;
  RedrawLocked(true);
}

void CProgressBoard::Print(std::FILE* stream, const std::string& text) {
  std::lock_guard lock(mutex_);
  ClearLocked();
  std::fputs(text.c_str(), stream);
  std::fflush(stream);
  RedrawLocked(true);
}

void CProgressBoard::Finish() {
  std::lock_guard lock(mutex_);
  ClearLocked();
  rows_.clear();
}

void CProgressBoard::ClearLocked() {
  if (!shown_) return;
  std::fputs("\r\x1b[K", err_);
  std::fflush(err_);
  shown_ = false;
}

void CProgressBoard::RedrawLocked(bool force) {
  if (!bar_ || rows_.empty()) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && shown_ && now - last_draw_ < kRedrawPeriod) return;
  last_draw_ = now;
  const std::string line = Render(rows_, TerminalWidth(err_) - 1);
  std::fputs(("\r" + line + "\x1b[K").c_str(), err_);
  std::fflush(err_);
  shown_ = true;
}

}  // namespace travex::cli
