#include "app/qt/signal_closer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

namespace travex {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP};

// Where the handler writes: a signal handler reaches nothing but what is static. -1: no closer.
std::atomic<int> g_signal_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnCloseSignal(int signo) {
  const int saved = errno;
  const int fd = g_signal_fd.load();
  const auto byte = static_cast<unsigned char>(signo);
  if (fd >= 0) (void)!::write(fd, &byte, 1);
  errno = saved;
}


}  // namespace

CSignalCloser::CSignalCloser(std::function<void()> close, QObject* parent)
    : QObject(parent), close_(std::move(close)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) {
    fds_[0] = fds_[1] = -1;
    return;  // the signals keep their default effect
  }
  notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &CSignalCloser::OnSignal);
  g_signal_fd.store(fds_[0]);
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

CSignalCloser::~CSignalCloser() {
  if (fds_[0] < 0) return;
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  g_signal_fd.store(-1);
  delete notifier_;
  ::close(fds_[0]);
  ::close(fds_[1]);
}

void CSignalCloser::OnSignal() {
  unsigned char bytes[16];
  while (::read(fds_[1], bytes, sizeof bytes) > 0) {
  }
  notifier_->setEnabled(false);  // one close is enough
  if (close_) close_();
}

}  // namespace travex
