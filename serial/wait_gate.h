// CWaitGate: lets the reader thread sleep in poll() on a line's descriptor while another thread
// may have to replace or close that descriptor. The owner's mutex guards the gate: Enter, Leave,
// BeginExclusive and EndExclusive are called with it held, Sleep without it.
//
//   reader:  lock; if (gate.Enter(fd >= 0)) use = fd; unlock; gate.Sleep(use, ...); lock; Leave
//   opener:  lock; gate.BeginExclusive(lock); ...replace the descriptor...; gate.EndExclusive()
#pragma once

#include <condition_variable>
#include <mutex>

namespace travex {

class CWaitGate {
 public:
  CWaitGate();
  ~CWaitGate();
  CWaitGate(const CWaitGate&) = delete;
  CWaitGate& operator=(const CWaitGate&) = delete;

  // Whether a wait may use the descriptor now (`usable`, and nobody is replacing it); counts
  // the wait when so.
  bool Enter(bool usable);
  void Leave();
  // Wakes a waiter and waits until no wait uses the descriptor. Waits started meanwhile leave
  // it alone until EndExclusive.
  void BeginExclusive(std::unique_lock<std::mutex>& lock);
  // A wait that slept through the change looks at the new descriptor at once.
  void EndExclusive();

  enum class Woke { kReady, kTimeout, kWoken };
  // Polls fd for `events` (fd -1: waits for the wake-up only); kReady with fd's revents.
  Woke Sleep(int fd, short events, int timeout_ms, short* revents);
  // Interrupts a Sleep in progress (any thread).
  void Wake();

 private:
  int wake_fd_ = -1;  // eventfd
  std::condition_variable waiters_gone_;
  int waiters_ = 0;
  bool exclusive_ = false;
};

}  // namespace travex
