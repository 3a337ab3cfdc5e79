// In-memory dialog platform for tests: a UI queue that the test pumps on its own thread (the
// "user-interface thread" is the thread that built the platform), and timers that fire only
// when the test fires them or runs the emulated event loop.
//
//   FakeControls controls;  FakePlatform platform;
//   CDialogCore core(controls, platform, port, ring);
//   platform.core = &core;          // progress messages and timer ticks go to this core
//   core.InitDialog();
//   core.OnReadBase();
//   platform.RunUntil([&] { return !platform.TimerRunning(); }, std::chrono::seconds(5));
//   core.Shutdown();
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
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

  FakePlatform() : ui_thread_(std::this_thread::get_id()) {}

  void StartTimer(int timer_id, int period_ms) override {
    std::lock_guard lock(mutex_);
    Timer& t = timers_[timer_id];
    t.running = true;
    t.period = std::chrono::milliseconds(period_ms);
    t.next = Clock::now() + t.period;
    ++t.starts;
  }
  void StopTimer(int timer_id) override {
    std::lock_guard lock(mutex_);
    timers_[timer_id].running = false;
  }
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
  bool IsUiThread() const override { return std::this_thread::get_id() == ui_thread_; }

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
  bool TimerRunning(int timer_id = 1) const {
    std::lock_guard lock(mutex_);
    auto it = timers_.find(timer_id);
    return it != timers_.end() && it->second.running;
  }
  int TimerStarts(int timer_id = 1) const {
    std::lock_guard lock(mutex_);
    auto it = timers_.find(timer_id);
    return it == timers_.end() ? 0 : it->second.starts;
  }
  // One tick of a running timer, delivered at once; false when it is not running.
  bool FireTimer(int timer_id = 1) {
    if (!TimerRunning(timer_id) || core == nullptr) return false;
    core->OnResponseTimer(timer_id);
    return true;
  }
  std::vector<Progress> ProgressPosted() const {
    std::lock_guard lock(mutex_);
    return progress_;
  }

  // --- emulated event loop: queued calls and timers at their real periods ---

  // Runs the loop until pred() holds (checked between events) or the time-out passes.
  template <typename Pred>
  bool RunUntil(Pred pred, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      RunPending();
      if (pred()) return true;
      if (Clock::now() >= deadline) return false;
      FireDueTimers();
      if (pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  void RunFor(std::chrono::milliseconds duration) {
    RunUntil([] { return false; }, duration);
  }

  CDialogCore* core = nullptr;

 private:
  struct Timer {
    bool running = false;
    std::chrono::milliseconds period{100};
    Clock::time_point next{};
    int starts = 0;
  };

  void FireDueTimers() {
    std::vector<int> due;
    {
      std::lock_guard lock(mutex_);
      const auto now = Clock::now();
      for (auto& [id, t] : timers_) {
        if (t.running && now >= t.next) {
          t.next = now + t.period;
          due.push_back(id);
        }
      }
    }
    for (int id : due) FireTimer(id);
  }

  const std::thread::id ui_thread_;
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::map<int, Timer> timers_;
  std::vector<Progress> progress_;
};

}  // namespace travex::testing
