#include "serial/wait_gate.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace travex {

CWaitGate::CWaitGate() : wake_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CWaitGate::~CWaitGate() {
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

bool CWaitGate::Enter(bool usable) {
  if (!usable || exclusive_) return false;
  ++waiters_;
  return true;
}

void CWaitGate::Leave() {
  if (--waiters_ == 0) waiters_gone_.notify_all();
}

void CWaitGate::BeginExclusive(std::unique_lock<std::mutex>& lock) {
  exclusive_ = true;
  Wake();
  waiters_gone_.wait(lock, [this] { return waiters_ == 0; });
}

void CWaitGate::EndExclusive() {
  exclusive_ = false;
  Wake();
}

CWaitGate::Woke CWaitGate::Sleep(int fd, short events, int timeout_ms, short* revents) {
  pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {fd, events, 0}};
  int rc;
  do {
    rc = ::poll(fds, fd >= 0 ? 2 : 1, timeout_ms);
  } while (rc < 0 && errno == EINTR);
  if (rc <= 0) return Woke::kTimeout;
  if ((fds[0].revents & POLLIN) != 0) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wake_fd_, &count, sizeof count);
    return Woke::kWoken;
  }
  if (fd < 0) return Woke::kTimeout;
  *revents = fds[1].revents;
  return Woke::kReady;
}

void CWaitGate::Wake() {
  if (wake_fd_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wake_fd_, &one, sizeof one);
}

}  // namespace travex
