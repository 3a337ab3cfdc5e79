#include "serial/com_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "serial/line_settings.h"
#include "serial/port_map.h"

namespace travex {

namespace {

constexpr std::chrono::milliseconds kWriteTimeout{1000};

// Errors that mean the device has gone (unplugged adapter, hung-up line).
bool DeviceGone(int err) { return err == EIO || err == ENXIO || err == ENODEV; }

}  // namespace

CComPort::CComPort() = default;

CComPort::~CComPort() { Close(); }

void CComPort::Configure(uint8_t port, uint8_t bits, uint8_t parity, uint8_t stops,
                         uint32_t baud) {
  port_number = port;
  byte_size = bits;
  parity_mode = parity;
  stop_bits = stops;
  baud_rate = baud;
}

void CComPort::Select(const PortTarget& target, uint32_t baud) {
  Configure(target.address.empty() ? target.number : 0, 8, 0, 0, baud);
}

void CComPort::RecordBusy(const std::string& device, const PortHolder* holder) {
  last_error = EBUSY;
  // The lock file's process, else the one that holds the device's flock; never merely a
  // process that has the device open (on a pseudo-terminal that is the other side's program).
  last_holder_ = holder != nullptr ? *holder : FindFlockHolder(device);
}

int CComPort::Open() {
  std::unique_lock read_lock(read_mutex_);
  gate_.BeginExclusive(read_lock);
  std::lock_guard write_lock(write_mutex_);
  struct Done {
    CWaitGate* gate;
    ~Done() { gate->EndExclusive(); }
  } done{&gate_};
  CloseLocked();
  last_error = 0;
  last_refused_settings = false;
  last_device.clear();
  last_holder_ = {};

  const std::string device = numbering_.Resolve(port_number);
  if (device.empty()) {
    last_device = PortEntryPath(port_number);
    last_error = last_device.empty() ? ENODEV : ENOENT;
    return 0;
  }
  last_device = device;

  PortHolder holder;
  if (!lock_.Acquire(device, lock_dir_, &holder)) {
    RecordBusy(device, &holder);
    return 0;
  }

  int fd;
  do {
    fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    last_error = errno;
    if (last_error == EBUSY) RecordBusy(device, nullptr);
    lock_.Release();
    return 0;
  }

  // Exclusive: TIOCEXCL keeps other users' opens out, the lock also keeps out cooperating
  // programs running as root (for whom TIOCEXCL does not count).
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) {
      RecordBusy(device, nullptr);
    } else {
      last_error = err;
    }
    lock_.Release();
    return 0;
  }
  const bool exclusive = ioctl(fd, TIOCEXCL) == 0;

  const LineSettings settings{baud_rate, byte_size, parity_mode, stop_bits};
  if (int err = ApplyLineSettings(fd, settings); err != 0) {
    last_error = err;
    last_refused_settings = true;
    if (exclusive) ioctl(fd, TIOCNXCL);
    ::close(fd);
    lock_.Release();
    return 0;
  }
  // Whatever arrived before (also under the previous line settings) is not ours.
  FlushQueues(fd, true, true);

  fd_ = fd;
  lost_.store(false);
  lost_error_.store(0);
  open_count_.fetch_add(1);
  open.store(1);
  return 1;
}

void CComPort::MarkLost(int error) {
  lost_error_.store(error);
  lost_.store(true);
}

size_t CComPort::Read(uint8_t* buffer, size_t count) {
  if (open.load() == 0 || lost_.load() || buffer == nullptr || count == 0) return 0;
  std::lock_guard lock(read_mutex_);
  if (fd_ < 0) return 0;
  int waiting = 0;
  if (ioctl(fd_, FIONREAD, &waiting) < 0) {
    if (DeviceGone(errno)) MarkLost(errno);
    return 0;
  }
  if (waiting <= 0) return 0;
  const size_t wanted = std::min(count, static_cast<size_t>(waiting));
  ssize_t got;
  do {
    got = ::read(fd_, buffer, wanted);
  } while (got < 0 && errno == EINTR);
  if (got < 0 && DeviceGone(errno)) MarkLost(errno);
  return got > 0 ? static_cast<size_t>(got) : 0;
}

CComPort::Wait CComPort::WaitReadable(int timeout_ms) {
  int fd = -1;
  {
    std::lock_guard lock(read_mutex_);
    if (gate_.Enter(fd_ >= 0 && !lost_.load())) fd = fd_;
  }
  const Wait result = PollDevice(fd, timeout_ms);
  if (fd >= 0) {
    std::lock_guard lock(read_mutex_);
    gate_.Leave();
  }
  return result;
}

CComPort::Wait CComPort::PollDevice(int fd, int timeout_ms) {
  short events = 0;
  switch (gate_.Sleep(fd, POLLIN, timeout_ms, &events)) {
    case CWaitGate::Woke::kWoken: return Wait::kWoken;
    case CWaitGate::Woke::kTimeout: return Wait::kTimeout;
    case CWaitGate::Woke::kReady: break;
  }
  if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    // What the device sent before it went is still taken.
    int waiting = 0;
    if ((events & POLLIN) != 0 && ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
      return Wait::kReadable;
    }
    int err = 0;
    uint8_t probe = 0;
    if (::read(fd, &probe, 1) < 0 && errno != EAGAIN) err = errno;
    MarkLost(err);
    return Wait::kHangup;
  }
  if ((events & POLLIN) != 0) return Wait::kReadable;
  return Wait::kTimeout;
}

int CComPort::Write(const uint8_t* buffer, size_t count) {
  if (open.load() == 0 || lost_.load()) return 0;
  std::lock_guard lock(write_mutex_);
  if (fd_ < 0) return 0;
  if (count == 0) return 1;
  if (buffer == nullptr) return 0;

  const auto deadline = std::chrono::steady_clock::now() + kWriteTimeout;
  size_t done = 0;
  bool stalled = false;
  while (done < count) {
    const ssize_t n = ::write(fd_, buffer + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      stalled = false;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      if (DeviceGone(errno)) MarkLost(errno);
      return 0;
    }

    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return 0;
    // A driver can report room and still refuse the next byte (output stopped); do not spin.
    if (stalled) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
    pollfd pfd{fd_, POLLOUT, 0};
    const int ready = ::poll(&pfd, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return 0;
    if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return 0;
    stalled = true;
  }
  return 1;
}

int CComPort::Close() {
  std::unique_lock read_lock(read_mutex_);
  gate_.BeginExclusive(read_lock);
  std::lock_guard write_lock(write_mutex_);
  const int rc = CloseLocked();
  gate_.EndExclusive();
  return rc;
}

int CComPort::CloseLocked() {
  open.store(0);
  lost_.store(false);
  if (fd_ < 0) return 0;
  const int fd = fd_;
  fd_ = -1;
  // On a pseudo-terminal whose other side stays open the exclusive flag would outlive us.
  ioctl(fd, TIOCNXCL);
  flock(fd, LOCK_UN);
  const int rc = ::close(fd) == 0 ? 1 : 0;
  lock_.Release();
  return rc;
}

void CComPort::FlushInput() {
  if (open.load() == 0 || lost_.load()) return;
  std::lock_guard lock(read_mutex_);
  if (fd_ >= 0) FlushQueues(fd_, true, false);
}

}  // namespace travex
