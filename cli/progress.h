// What the user sees while commands run: a progress bar on standard error when it is a
// terminal (one line for all ports, redrawn in place), and the result lines, printed so that
// they never tear the bar. Every member may be called from any thread.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace travex::cli {

class CProgressBoard {
 public:
  // bar: draw the progress bar on err (a terminal, and not --quiet).
  CProgressBoard(std::FILE* out, std::FILE* err, bool bar);
  ~CProgressBoard() { Finish(); }
  CProgressBoard(const CProgressBoard&) = delete;
  CProgressBoard& operator=(const CProgressBoard&) = delete;

  // One row per port, named as the bar shows it ("COM3").
  void Start(const std::vector<std::string>& names);
  // What the port does now, before a run has steps: "searching 4800 bit/s".
  void SetPhase(size_t row, std::string phase);
  // Steps of a read-all or write-all.
  void SetSteps(size_t row, unsigned done, unsigned total, std::string phase);
  void SetDone(size_t row);
  // Prints text (with its own newlines) to standard output or standard error.
  void PrintOut(const std::string& text) { Print(out_, text); }
  void PrintErr(const std::string& text) { Print(err_, text); }
  // Removes the bar for good.
  void Finish();

  // The bar's line for rows as they stand, at most `width` columns (for tests).
  struct Row {
    std::string name;
    std::string phase;
    unsigned done = 0;
    unsigned total = 0;
    bool finished = false;
  };
  static std::string Render(const std::vector<Row>& rows, size_t width);

 private:
  void Print(std::FILE* stream, const std::string& text);
  void RedrawLocked(bool force);
  void ClearLocked();

  std::FILE* out_;
  std::FILE* err_;
  bool bar_;
  std::mutex mutex_;
  std::vector<Row> rows_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace travex::cli
