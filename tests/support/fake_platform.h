// In-memory dialog platform for tests: a UI queue that the test pumps on its own thread (the
// "user-interface thread" is the thread that built the platform).
//
//   FakeControls controls;  FakePlatform platform;
//   CDialogCore core(controls, platform, port, ring);
//   platform.core = &core;          // progress messages go to this core
//   core.InitDialog();
//   core.OnReadBase();
//   platform.RunUntil([&] { return !core.Busy(); }, std::chrono::seconds(5));
//   core.Shutdown();
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "app/dialog_core.h"

namespace travex::testing {

class FakePlatform : public IDialogPlatform {
 public:
  using Clock = std::chrono::steady_clock;

  struct Progress {
    int kind;
    long channel;
  };

  FakePlatform() = default;

  void PostToUi(std::function<void()> fn) override {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(fn));
  }
  void PostParamProgress(int kind, long channel) override {
    {
      std::lock_guard lock(mutex_);
      progress_.push_back({kind, channel});
    }
    PostToUi([this, kind, channel] {
      if (core != nullptr) core->OnParamProgress(kind, channel);
    });
  }

  // --- manual control (call on the UI thread) ---

  // Runs what is queued now (and what those calls queue); returns how many ran.
  size_t RunPending() {
    size_t ran = 0;
    for (;;) {
      std::function<void()> fn;
      {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return ran;
        fn = std::move(queue_.front());
        queue_.pop_front();
      }
      fn();
      ++ran;
    }
  }
  std::vector<Progress> ProgressPosted() const {
    std::lock_guard lock(mutex_);
    return progress_;
  }

  // --- emulated event loop: queued calls as they come ---

  // Runs the loop until pred() holds (checked between events) or the time-out passes.
  template <typename Pred>
  bool RunUntil(Pred pred, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      RunPending();
      if (pred()) return true;
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  void RunFor(std::chrono::milliseconds duration) {
    RunUntil([] { return false; }, duration);
  }

  CDialogCore* core = nullptr;

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::vector<Progress> progress_;
};

}  // namespace travex::testing
