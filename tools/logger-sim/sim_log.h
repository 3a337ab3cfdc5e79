// The frame log: one line per frame received or sent, with a local timestamp and the bytes in
// hex, plus a short remark, e.g.
//   2026-12-07 22:41:03.512 RX FD FD FD 00 00 E9 88  ; query
//   2026-12-07 22:41:03.520 TX FD FD FD 03 01 10 BC
//   2026-12-07 22:41:04.100 -- 7 bytes not heard: line at 4800 bit/s, logger at 9600 bit/s
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace travex::sim {

class FrameLog {
 public:
  FrameLog() = default;
  ~FrameLog();
  FrameLog(const FrameLog&) = delete;
  FrameLog& operator=(const FrameLog&) = delete;

  // Appends to path. False (with the reason) when it cannot be opened.
  bool Open(const std::string& path, std::string* error);
  // direction "RX" or "TX"; remark may be null.
  void Frame(const char* direction, const uint8_t* data, size_t size, const char* remark);
  void Note(const std::string& text);

 private:
  void Stamp();
  std::FILE* file_ = nullptr;
};

}  // namespace travex::sim
