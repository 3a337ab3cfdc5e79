#include "sim_log.h"

#include <sys/time.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace travex::sim {

FrameLog::~FrameLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FrameLog::Open(const std::string& path, std::string* error) {
  file_ = std::fopen(path.c_str(), "ae");
  if (file_ == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void FrameLog::Stamp() {
  struct timeval tv {};
  gettimeofday(&tv, nullptr);
  struct tm local {};
  const time_t seconds = tv.tv_sec;
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(file_, "%s.%03ld ", text, static_cast<long>(tv.tv_usec / 1000));
}

void FrameLog::Frame(const char* direction, const uint8_t* data, size_t size, const char* remark) {
  if (file_ == nullptr) return;
  Stamp();
  std::fputs(direction, file_);
  for (size_t i = 0; i < size; ++i) std::fprintf(file_, " %02X", data[i]);
  if (remark != nullptr) std::fprintf(file_, "  ; %s", remark);
  std::fputc('\n', file_);
  std::fflush(file_);
}

void FrameLog::Note(const std::string& text) {
  if (file_ == nullptr) return;
  Stamp();
  std::fprintf(file_, "-- %s\n", text.c_str());
  std::fflush(file_);
}

}  // namespace travex::sim
