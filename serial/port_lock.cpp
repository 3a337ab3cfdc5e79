#include "serial/port_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>
#include <thread>

namespace travex {

namespace {

// How often Acquire looks again when the lock changes under it, and how many of those looks
// give a lock file without a process id time to be written.
constexpr int kAcquireAttempts = 8;
constexpr int kUnwrittenLooks = 4;
constexpr std::chrono::milliseconds kUnwrittenPause{10};

std::string ProcessName(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

bool ProcessAlive(pid_t pid) {
  if (pid <= 0) return false;
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

// The process id in a lock file's text: ten digits and a newline (HDB), any digits between
// blanks and newlines, or a binary int from very old programs. The text form comes first: an
// unpadded "107\n" is four bytes, as long as a binary int. 0 when the text holds neither.
pid_t ParseLockPid(const char* text, size_t size) {
  const std::string_view view(text, size);
  const size_t first = view.find_first_not_of(" \t\n");
  const size_t last = view.find_last_not_of(" \t\n");
  if (first != std::string_view::npos) {
    const std::string_view digits = view.substr(first, last - first + 1);
    if (digits.find_first_not_of("0123456789") == std::string_view::npos) {
      long long value = 0;
      const auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), value);
      const bool whole = error == std::errc() && end == digits.data() + digits.size();
      return whole && value > 0 && value < INT_MAX ? static_cast<pid_t>(value) : 0;
    }
  }
  if (size == sizeof(int)) {
    int value = 0;
    std::memcpy(&value, text, sizeof value);
    return value > 0 ? static_cast<pid_t>(value) : 0;
  }
  return 0;
}

pid_t ReadLockPid(int fd) {
  char text[32] = {};
  ssize_t n;
  do {
    n = ::pread(fd, text, sizeof text - 1, 0);
  } while (n < 0 && errno == EINTR);
  return n > 0 ? ParseLockPid(text, static_cast<size_t>(n)) : 0;
}

pid_t ReadLockPid(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  const pid_t pid = ReadLockPid(fd);
  ::close(fd);
  return pid;
}

// Writes a file beside the lock that names this process, so that the lock appears complete in
// one step (linked or renamed into place) and no reader ever sees it empty. 0, or the errno.
int WriteOwnFile(const std::string& temp) {
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return errno;
  char text[16];
  const int len = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
  const bool written = ::write(fd, text, static_cast<size_t>(len)) == len;
  ::close(fd);
  if (written) return 0;
  ::unlink(temp.c_str());
  return EIO;
}

std::string OwnTempName(const std::string& path) {
  return path + ".tmp" + std::to_string(::getpid());
}

// Puts our lock where none is. 0, or the errno of the failure (EEXIST when someone has it).
int CreateLock(const std::string& path) {
  const std::string temp = OwnTempName(path);
  ::unlink(temp.c_str());  // left by an earlier run that had our process id
  if (const int err = WriteOwnFile(temp); err != 0) return err;
  const int err = ::link(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
  ::unlink(temp.c_str());
  return err;
}

enum class Takeover { kTaken, kRace, kNotPossible };

// Replaces a stale lock by ours. The takers of a stale lock serialise on an flock of the stale
// file itself: the one that holds it checks that the name still stands for that file and that
// the file still names a dead process, then renames its own file over it. A taker that comes
// later finds the name standing for another file and starts again, so two takers never both
// replace it and none removes a lock that is alive.
Takeover TakeOverStale(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errno == ENOENT ? Takeover::kRace : Takeover::kNotPossible;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }  // also lets go of the flock
  } closer{fd};
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return Takeover::kRace;
  struct stat held {};
  struct stat named {};
  if (::fstat(fd, &held) != 0 || ::lstat(path.c_str(), &named) != 0 ||
      held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
    return Takeover::kRace;
  }
  if (ProcessAlive(ReadLockPid(fd))) return Takeover::kRace;
  const std::string temp = OwnTempName(path);
  ::unlink(temp.c_str());
  if (WriteOwnFile(temp) != 0) return Takeover::kNotPossible;
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return Takeover::kNotPossible;
  }
  return Takeover::kTaken;
}

}  // namespace

std::string LockFileName(const std::string& device) {
  std::string name = device;
  if (name.rfind("/dev/", 0) == 0) {
    name = name.substr(5);
  } else {
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
  }
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return "LCK.." + name;
}

bool CPortLock::Acquire(const std::string& device, const std::string& lock_dir,
                        PortHolder* holder) {
  Release();
  const std::string path = lock_dir + "/" + LockFileName(device);
  const pid_t self = ::getpid();
  for (int attempt = 0; attempt < kAcquireAttempts; ++attempt) {
    // Whoever holds the lock is looked at first, whether or not we could write one.
    const pid_t pid = ReadLockPid(path);
    if (pid == self || ProcessAlive(pid)) {
      if (holder != nullptr) *holder = {pid, ProcessName(pid)};
      return false;
    }
    struct stat st {};
    bool possible = true;
    if (::lstat(path.c_str(), &st) != 0) {
      const int err = CreateLock(path);
      if (err == EEXIST) continue;  // someone was quicker: look at theirs
      possible = err == 0;
    } else {
      // A program that creates its lock first and writes its process id after may be between
      // the two: give it a moment before the file counts as stale.
      if (pid == 0 && attempt < kUnwrittenLooks) {
        std::this_thread::sleep_for(kUnwrittenPause);
        continue;
      }
      const Takeover taken = TakeOverStale(path);
      if (taken == Takeover::kRace) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + attempt));
        continue;
      }
      possible = taken == Takeover::kTaken;
    }
    // No writable lock folder (or a stale lock we may not replace): go on without a lock,
    // protected by the exclusive open alone.
    if (!possible) return true;
    // Read back: the file under the name must be ours.
    if (ReadLockPid(path) == self) {
      path_ = path;
      return true;
    }
  }
  // The lock kept changing hands: someone else is busy with it.
  const pid_t pid = ReadLockPid(path);
  if (holder != nullptr) *holder = {pid, pid != 0 ? ProcessName(pid) : std::string()};
  return false;
}

void CPortLock::Release() {
  if (path_.empty()) return;
  if (ReadLockPid(path_) == ::getpid()) ::unlink(path_.c_str());
  path_.clear();
}

bool LockedByOther(const std::string& device, const std::string& lock_dir, PortHolder* holder) {
  const pid_t pid = ReadLockPid(lock_dir + "/" + LockFileName(device));
  if (pid == 0 || pid == ::getpid() || !ProcessAlive(pid)) return false;
  if (holder != nullptr) *holder = {pid, ProcessName(pid)};
  return true;
}

PortHolder FindFlockHolder(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return {};
  // "1: FLOCK  ADVISORY  WRITE 1234 00:1a:3 0 EOF": the file is major:minor (hex) of its file
  // system and its inode. Lines of waiters ("1: -> FLOCK ...") name no holder.
  char file[64];
  std::snprintf(file, sizeof file, "%02x:%02x:%llu", ::major(st.st_dev), ::minor(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    char kind[16] = {};
    char where[64] = {};
    long pid = 0;
    if (std::sscanf(line.c_str(), "%*[^:]: %15s %*s %*s %ld %63s", kind, &pid, where) != 3) continue;
    if (std::strcmp(kind, "FLOCK") == 0 && std::strcmp(where, file) == 0 && pid > 0) {
      return {static_cast<pid_t>(pid), ProcessName(static_cast<pid_t>(pid))};
    }
  }
  return {};
}

std::string DescribeHolder(const PortHolder& holder) {
  std::string text = std::to_string(holder.pid);
  if (!holder.command.empty()) text += " (" + holder.command + ")";
  return text;
}

}  // namespace travex
