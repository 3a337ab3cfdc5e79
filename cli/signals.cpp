#include "cli/signals.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace travex::cli {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

CSignalWatcher::CSignalWatcher() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal_fd_ = signalfd(-1, &set, SFD_CLOEXEC);
  wake_fd_ = eventfd(0, EFD_CLOEXEC);
  if (signal_fd_ >= 0 && wake_fd_ >= 0) thread_ = std::thread([this] { Watch(); });
}

CSignalWatcher::~CSignalWatcher() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    while (write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  if (signal_fd_ >= 0) close(signal_fd_);
  if (wake_fd_ >= 0) close(wake_fd_);
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void CSignalWatcher::Watch() {
  for (;;) {
    struct pollfd fds[2] = {{signal_fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    struct signalfd_siginfo info {};
    if (read(signal_fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
    const int number = static_cast<int>(info.ssi_signo);
    if (signal_.exchange(number) != 0) _exit(128 + number);  // the second one: no waiting
    stop_.request_stop();
  }
}

}  // namespace travex::cli
