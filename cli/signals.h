// Interrupts for the command line: SIGINT, SIGTERM and SIGHUP request a stop that every
// exchange sees at once (stop tokens), so the command ends cleanly: threads joined, ports
// closed, locks released. A second signal ends the process at once.
//
// The signals are blocked in the constructing thread, so construct the watcher before any
// other thread starts: threads inherit the mask and the signals only reach the watcher.
#pragma once

#include <atomic>
#include <stop_token>
#include <thread>

namespace travex::cli {

class CSignalWatcher {
 public:
  CSignalWatcher();
  ~CSignalWatcher();
  CSignalWatcher(const CSignalWatcher&) = delete;
  CSignalWatcher& operator=(const CSignalWatcher&) = delete;

  std::stop_token token() const { return stop_.get_token(); }
  // The signal that requested the stop, 0 when none came.
  int signal() const { return signal_.load(); }

 private:
  void Watch();

  std::stop_source stop_;
  std::atomic<int> signal_{0};
  int signal_fd_ = -1;
  int wake_fd_ = -1;  // ends the watcher thread
  std::thread thread_;
};

}  // namespace travex::cli
