// The --trace file: every frame that any port sent or received, one line each, in the order
// they happened:
//
//   2026-03-05 14:07:12.345 COM3 TX 28 55 1C 00 ... 6E B8  ; read items 1-9 (base settings)
//
// local time with milliseconds, port, direction (TX sent, RX received), length, the bytes in
// hex and what the frame is. Several ports write into the one file; lines never mix.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "session/line_exchanges.h"

namespace travex::cli {

// One line of the trace, with its newline.
std::string FormatTraceLine(const std::string& port_name, const FrameRecord& frame);

class CTraceFile {
 public:
  CTraceFile() = default;
  ~CTraceFile() { Close(); }
  CTraceFile(const CTraceFile&) = delete;
  CTraceFile& operator=(const CTraceFile&) = delete;

  // Appends to the file (created when missing). False with the reason in *error.
  bool Open(const std::string& path, std::string* error);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  void Write(const std::string& port_name, const FrameRecord& frame);

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

// The sink of one port's session.
class CPortTrace : public IFrameSink {
 public:
  CPortTrace(CTraceFile& file, std::string port_name)
      : file_(file), port_name_(std::move(port_name)) {}
  void OnFrame(const FrameRecord& frame) override { file_.Write(port_name_, frame); }

 private:
  CTraceFile& file_;
  std::string port_name_;
};

}  // namespace travex::cli
