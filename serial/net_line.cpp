#include "serial/net_line.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace travex {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kWriteTimeout{1000};
// Data is escaped in pieces of this size (an escaped piece is at most twice as long).
constexpr size_t kWritePiece = 512;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

// Errors after which the connection is no more.
bool ConnectionGone(int err) {
  return err == ECONNRESET || err == EPIPE || err == ENOTCONN || err == ETIMEDOUT ||
         err == EHOSTUNREACH || err == ENETUNREACH || err == ECONNABORTED;
}

}  // namespace

void CNetLine::Select(const PortTarget& target, uint32_t baud) {
  selected_ = target.address;
  baud_ = baud;
}

uint32_t CNetLine::FixedRate(const PortTarget& target) {
  LineAddress address;
  if (!ParseLineAddress(target.address, &address)) return 0;
  return address.protocol == LineProtocol::kRawTcp ? address.baud : 0;
}

std::string CNetLine::LastErrorText() const {
  return last_text_.empty() ? ISerialLine::LastErrorText() : last_text_;
}

bool CNetLine::Fail(int error, std::string text) {
  CloseLocked();
  last_error_ = error;
  last_text_ = std::move(text);
  return false;
}

int CNetLine::Open() {
  const Deadline deadline = Clock::now() + std::chrono::milliseconds(kNetOpenTimeoutMs);
  std::unique_lock read_lock(read_mutex_);
  gate_.BeginExclusive(read_lock);
  std::lock_guard write_lock(write_mutex_);
  struct Done {
    CWaitGate* gate;
    ~Done() { gate->EndExclusive(); }
  } done{&gate_};
  last_error_ = 0;
  last_text_.clear();
  last_refused_ = false;

  LineAddress address;
  std::string why;
  if (!ParseLineAddress(selected_, &address, &why)) return Fail(EINVAL, why);
  if (address.protocol == LineProtocol::kRawTcp && baud_ != address.baud) {
    last_refused_ = true;
    return Fail(EINVAL, "the server's rate is fixed at " + std::to_string(address.baud));
  }
  const bool keep = fd_ >= 0 && !lost_.load() && connected_ == selected_;
  if (!keep) {
    CloseLocked();
    protocol_ = address.protocol;
    if (!Connect(address, deadline)) return 0;
    connected_ = selected_;
  }
  if (protocol_ == LineProtocol::kRfc2217 && !SetUpServer(deadline)) return 0;
  // Whatever came before is not ours.
  Drain(true);
  if (lost_.load()) return Fail(ECONNRESET);
  open_count_.fetch_add(1);
  open_.store(true);
  return 1;
}

bool CNetLine::Connect(const LineAddress& address, Deadline deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found);
  if (rc != 0) {
    const int err = rc == EAI_SYSTEM ? errno : EHOSTUNREACH;
    return Fail(err, rc == EAI_SYSTEM ? std::string() : ::gai_strerror(rc));
  }
  int err = ETIMEDOUT;
  for (const addrinfo* ai = found; ai != nullptr && fd_ < 0; ai = ai->ai_next) {
    const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            ai->ai_protocol);
    if (fd < 0) {
      err = errno;
      continue;
    }
    int result = ::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0 ? 0 : errno;
    if (result == EINPROGRESS) {
      pollfd pfd{fd, POLLOUT, 0};
      int ready;
      do {
        ready = ::poll(&pfd, 1, MsLeft(deadline));
      } while (ready < 0 && errno == EINTR);
      socklen_t size = sizeof result;
      if (ready <= 0) {
        result = ETIMEDOUT;
      } else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size) != 0) {
        result = errno;
      }
    }
    if (result != 0) {
      ::close(fd);
      err = result;
      continue;
    }
    // Requests are small and every millisecond of the round trip counts.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = fd;
  }
  ::freeaddrinfo(found);
  if (fd_ < 0) return Fail(err);
  decoder_ = telnet::CDecoder();
  lost_.store(false);
  if (protocol_ == LineProtocol::kRfc2217) {
    uint8_t greeting[telnet::kGreetingSize];
    if (!SendAll(greeting, telnet::BuildGreeting(greeting), deadline)) return Fail(ECONNRESET);
    if (!ReadServerUntil(deadline, [this] {
          return decoder_.state().com_port_accepted || decoder_.state().com_port_refused;
        })) {
      return false;
    }
    if (decoder_.state().com_port_refused) {
      return Fail(EPROTONOSUPPORT, "the server does not let the client set the serial line");
    }
  }
  return true;
}

bool CNetLine::SetUpServer(Deadline deadline) {
  uint8_t commands[4 * telnet::kMaxCommandSize];
  size_t n = telnet::BuildSetBaud(baud_, commands);
  const uint8_t eight = 8;
  n += telnet::BuildComPortCommand(telnet::kSetDataSize, &eight, 1, commands + n);
  n += telnet::BuildComPortCommand(telnet::kSetParity, &telnet::kParityNone, 1, commands + n);
  n += telnet::BuildComPortCommand(telnet::kSetStopSize, &telnet::kStopSizeOne, 1, commands + n);
  const uint32_t bauds = decoder_.state().baud_answers;
  if (!SendAll(commands, n, deadline)) return Fail(ECONNRESET);
  if (!ReadServerUntil(deadline, [&] { return decoder_.state().baud_answers != bauds; })) {
    return false;
  }
  if (decoder_.state().baud != baud_) {
    last_refused_ = true;
    return Fail(EINVAL, "the server does not take the rate " + std::to_string(baud_));
  }
  const uint32_t purges = decoder_.state().purge_answers;
  n = telnet::BuildComPortCommand(telnet::kPurgeData, &telnet::kPurgeBoth, 1, commands);
  if (!SendAll(commands, n, deadline)) return Fail(ECONNRESET);
  return ReadServerUntil(deadline, [&] { return decoder_.state().purge_answers != purges; });
}

template <typename Done>
bool CNetLine::ReadServerUntil(Deadline deadline, Done done) {
  uint8_t bytes[256];
  while (!done()) {
    // A server that keeps talking without answering still gets no more than the deadline.
    if (Clock::now() >= deadline) return Fail(ETIMEDOUT, "the server did not answer in time");
    pollfd pfd{fd_, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, MsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return Fail(ETIMEDOUT, "the server did not answer in time");
    if (ready < 0) return Fail(errno);
    size_t data = 0;
    if (Receive(bytes, sizeof bytes, true, &data) < 0) return Fail(ECONNRESET);
  }
  return true;
}

long CNetLine::Receive(uint8_t* bytes, size_t count, bool write_locked, size_t* data) {
  *data = 0;
  ssize_t got;
  do {
    got = ::recv(fd_, bytes, count, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got == 0) {
    MarkLost(0);  // the server closed the connection
    return -1;
  }
  if (got < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    MarkLost(errno);
    return -1;
  }
  // Answers come in pieces; a server that waits for our acknowledgement before sending the next
  // (Nagle) must not wait for a delayed one. The kernel clears the flag again, so it is renewed.
  const int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
  if (protocol_ == LineProtocol::kRawTcp) {
    *data = static_cast<size_t>(got);
  } else {
    *data = decoder_.Decode(bytes, static_cast<size_t>(got));
    SendReplies(write_locked);
  }
  return static_cast<long>(got);
}

void CNetLine::Drain(bool write_locked) {
  uint8_t discard[1024];
  size_t data = 0;
  while (Receive(discard, sizeof discard, write_locked, &data) > 0) {
  }
}

void CNetLine::SendReplies(bool write_locked) {
  if (decoder_.reply_size() == 0) return;
  std::unique_lock write_lock(write_mutex_, std::defer_lock);
  if (!write_locked) write_lock.lock();
  SendAll(decoder_.replies(), decoder_.reply_size(), Clock::now() + kWriteTimeout);
  decoder_.TakeReplies();
}

bool CNetLine::SendAll(const uint8_t* bytes, size_t count, Deadline deadline) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::send(fd_, bytes + done, count - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      if (ConnectionGone(errno)) MarkLost(errno);
      return false;
    }
    pollfd pfd{fd_, POLLOUT, 0};
    const int ready = ::poll(&pfd, 1, MsLeft(deadline));
    if (ready == 0) return false;
    if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      MarkLost(ECONNRESET);
      return false;
    }
  }
  return true;
}

void CNetLine::MarkLost(int /*error*/) { lost_.store(true); }

size_t CNetLine::Read(uint8_t* buffer, size_t count) {
  if (!open_.load() || lost_.load() || buffer == nullptr || count == 0) return 0;
  std::lock_guard lock(read_mutex_);
  if (fd_ < 0) return 0;
  size_t data = 0;
  Receive(buffer, count, false, &data);
  return data;
}

int CNetLine::Write(const uint8_t* buffer, size_t count) {
  if (!open_.load() || lost_.load()) return 0;
  std::lock_guard lock(write_mutex_);
  if (fd_ < 0) return 0;
  if (count == 0) return 1;
  if (buffer == nullptr) return 0;
  const Deadline deadline = Clock::now() + kWriteTimeout;
  if (protocol_ == LineProtocol::kRawTcp) return SendAll(buffer, count, deadline) ? 1 : 0;
  uint8_t escaped[2 * kWritePiece];
  for (size_t done = 0; done < count; done += kWritePiece) {
    const size_t piece = std::min(kWritePiece, count - done);
    if (!SendAll(escaped, telnet::EscapeData(buffer + done, piece, escaped), deadline)) {
      // Part of an escaped piece may be out: the server would read what follows as a command.
      MarkLost(ETIMEDOUT);
      return 0;
    }
  }
  return 1;
}

void CNetLine::FlushInput() {
  if (!open_.load() || lost_.load()) return;
  std::lock_guard lock(read_mutex_);
  if (fd_ < 0) return;
  Drain(false);
}

ISerialLine::Wait CNetLine::WaitReadable(int timeout_ms) {
  int fd = -1;
  {
    std::lock_guard lock(read_mutex_);
    if (gate_.Enter(fd_ >= 0 && open_.load() && !lost_.load())) fd = fd_;
  }
  short events = 0;
  const CWaitGate::Woke woke = gate_.Sleep(fd, POLLIN | POLLRDHUP, timeout_ms, &events);
  if (fd >= 0) {
    std::lock_guard lock(read_mutex_);
    gate_.Leave();
  }
  switch (woke) {
    case CWaitGate::Woke::kWoken: return Wait::kWoken;
    case CWaitGate::Woke::kTimeout: return Wait::kTimeout;
    case CWaitGate::Woke::kReady: break;
  }
  // What the server sent before it closed is still read; the read then finds the end.
  if ((events & (POLLIN | POLLRDHUP)) != 0) return Wait::kReadable;
  if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    MarkLost(ECONNRESET);
    return Wait::kHangup;
  }
  return Wait::kTimeout;
}

int CNetLine::Close() {
  std::unique_lock read_lock(read_mutex_);
  gate_.BeginExclusive(read_lock);
  std::lock_guard write_lock(write_mutex_);
  const int rc = CloseLocked();
  gate_.EndExclusive();
  return rc;
}

int CNetLine::CloseLocked() {
  open_.store(false);
  lost_.store(false);
  connected_.clear();
  if (fd_ < 0) return 0;
  const int rc = ::close(fd_) == 0 ? 1 : 0;
  fd_ = -1;
  return rc;
}

}  // namespace travex
