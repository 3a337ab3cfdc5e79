#include "cli/trace_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "protocol/frame_describe.h"

namespace travex::cli {

std::string FormatTraceLine(const std::string& port_name, const FrameRecord& frame) {
  using std::chrono::system_clock;
  const auto since_epoch = frame.time.time_since_epoch();
  const std::time_t seconds = system_clock::to_time_t(frame.time);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[48];
  const size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(stamp + n, sizeof stamp - n, ".%03d", static_cast<int>(millis));

  std::string line = stamp;
  line += ' ' + port_name + (frame.sent ? " TX " : " RX ") + std::to_string(frame.length);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (uint16_t i = 0; i < frame.length; ++i) {
    line += ' ';
    line += kDigits[frame.bytes[i] >> 4];
    line += kDigits[frame.bytes[i] & 0x0F];
  }
  line += "  ; ";
  line += DescribeFrame(frame.bytes, frame.length, frame.sent, TraceLanguage::kEnglish);
  line += '\n';
  return line;
}

bool CTraceFile::Open(const std::string& path, std::string* error) {
  Close();
  file_ = std::fopen(path.c_str(), "ae");
  if (file_ == nullptr) {
    *error = std::strerror(errno);
    return false;
  }
  return true;
}

void CTraceFile::Close() {
  std::lock_guard lock(mutex_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void CTraceFile::Write(const std::string& port_name, const FrameRecord& frame) {
  const std::string line = FormatTraceLine(port_name, frame);
  std::lock_guard lock(mutex_);
  if (file_ == nullptr) return;
  std::fputs(line.c_str(), file_);
  // A trace is read when something went wrong, perhaps after a crash: keep it on disk.
  std::fflush(file_);
}

}  // namespace travex::cli
