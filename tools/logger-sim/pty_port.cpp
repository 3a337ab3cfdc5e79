#include "pty_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "serial/port_map.h"

namespace travex::sim {
namespace {

std::string Reason(const char* what, const std::string& path) {
  std::string s = what;
  if (!path.empty()) s += " " + path;
  s += ": ";
  s += std::strerror(errno);
  return s;
}

// mkdir -p
bool MakeDirectories(const std::string& dir) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = dir.find('/', pos + 1);
    partial = dir.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens and locks the lock file of one number. Returns the descriptor, or -1 with errno set:
// EWOULDBLOCK when a running logger holds the lock.
int LockNumber(const std::string& path) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int saved = errno;
      close(fd);
      errno = saved;
      return -1;
    }
    // A logger that was leaving may have removed the file between our open and our lock. A lock
    // on a file that is no longer in the directory guards nothing: take the one there now.
    struct stat held {};
    struct stat named {};
    if (fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      return fd;
    }
    close(fd);
  }
  errno = EWOULDBLOCK;  // the file keeps changing under us: someone else is busy with it
  return -1;
}

// Removes a lock file while still holding its lock, then lets go.
void DropLock(const std::string& path, int fd) {
  unlink(path.c_str());
  close(fd);
}

// The process id the logger holding a lock file wrote into it; 0 when not (yet) known.
long HolderOf(const std::string& lock_path) {
  const int fd = open(lock_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[24] = {};
  const ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  return n > 0 ? std::strtol(text, nullptr, 10) : 0;
}

enum class Entry { kNone, kPseudoTerminal, kOther };

// What stands at a comN path. *target gets the link's target when it is a link.
Entry Inspect(const std::string& path, std::string* target) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? Entry::kNone : Entry::kOther;
  if (!S_ISLNK(st.st_mode)) return Entry::kOther;
  char text[256];
  const ssize_t n = readlink(path.c_str(), text, sizeof text - 1);
  if (n < 0) return Entry::kOther;
  target->assign(text, static_cast<size_t>(n));
  // What ptsname gives: the directory and one name in it, nothing that leads elsewhere.
  constexpr std::string_view kPts = "/dev/pts/";
  if (target->size() <= kPts.size() || target->compare(0, kPts.size(), kPts) != 0) {
    return Entry::kOther;
  }
  const std::string_view name = std::string_view(*target).substr(kPts.size());
  if (name.find('/') != std::string_view::npos || name == "." || name == "..") return Entry::kOther;
  return Entry::kPseudoTerminal;
}

}  // namespace

PtyPort::~PtyPort() {
  Unregister();
  Close();
}

bool PtyPort::Open(std::string* error) {
  master_fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_fd_ < 0) {
    *error = Reason("posix_openpt", "");
    return false;
  }
  char name[128];
  if (grantpt(master_fd_) != 0 || unlockpt(master_fd_) != 0 ||
      ptsname_r(master_fd_, name, sizeof name) != 0) {
    *error = Reason("pseudo-terminal set-up", "");
    Close();
    return false;
  }
  device_ = name;
  slave_fd_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_fd_ < 0) {
    *error = Reason("open", device_);
    Close();
    return false;
  }
  return true;
}

bool PtyPort::Register(const std::string& dir, unsigned com_number, std::string* error) {
  if (!MakeDirectories(dir)) {
    *error = Reason("cannot create port directory", dir);
    return false;
  }
  const unsigned first = com_number != 0 ? com_number : 1;
  const unsigned last = com_number != 0 ? com_number : kMaxComNumber;
  std::string why;
  for (unsigned n = first; n <= last; ++n) {
    switch (TryNumber(dir, n, &why)) {
      case Claim::kOurs:
        return true;
      case Claim::kFailed:
        *error = why;
        return false;
      case Claim::kTaken:
        break;
    }
  }
  *error = com_number != 0 ? why : "no free COM number in " + dir;
  return false;
}

PtyPort::Claim PtyPort::TryNumber(const std::string& dir, unsigned n, std::string* why) {
  const std::string name = "COM" + std::to_string(n);
  const std::string link = dir + "/com" + std::to_string(n);
  const std::string lock = dir + "/.com" + std::to_string(n) + ".lock";
  const int fd = LockNumber(lock);
  if (fd < 0) {
    if (errno != EWOULDBLOCK) {
      *why = Reason("cannot lock", lock);
      return Claim::kFailed;
    }
    const long holder = HolderOf(lock);
    *why = name + " in " + dir + " is in use by another travex-logger-sim" +
           (holder > 0 ? " (pid " + std::to_string(holder) + ")" : "");
    return Claim::kTaken;
  }
  std::string target;
  switch (Inspect(link, &target)) {
    case Entry::kNone:
      break;
    case Entry::kPseudoTerminal:
      // Nobody holds the lock: the logger that made this link is gone.
      if (unlink(link.c_str()) != 0 && errno != ENOENT) {
        *why = Reason("cannot remove stale link", link);
        DropLock(lock, fd);
        return Claim::kFailed;
      }
      break;
    case Entry::kOther:
      *why = name + " in " + dir + (target.empty() ? " is not a link" : " links to " + target) +
             ", not to a simulated logger: left alone";
      DropLock(lock, fd);
      return Claim::kTaken;
  }
  if (symlink(device_.c_str(), link.c_str()) != 0) {
    const bool exists = errno == EEXIST;
    *why = exists ? name + " in " + dir + " was taken meanwhile"
                  : Reason("cannot create link", link);
    DropLock(lock, fd);
    return exists ? Claim::kTaken : Claim::kFailed;
  }
  // The process id, for the message of a logger that finds this number in use (which merely
  // lacks it when it cannot be written).
  char pid[24];
  const int length = std::snprintf(pid, sizeof pid, "%ld\n", static_cast<long>(getpid()));
  const bool noted = ftruncate(fd, 0) == 0 && write(fd, pid, static_cast<size_t>(length)) == length;
  static_cast<void>(noted);
  link_path_ = link;
  lock_path_ = lock;
  lock_fd_ = fd;
  com_number_ = n;
  return Claim::kOurs;
}

void PtyPort::Unregister() {
  if (!link_path_.empty()) {
    char target[256];
    const ssize_t n = readlink(link_path_.c_str(), target, sizeof target - 1);
    if (n >= 0) {
      target[n] = 0;
      if (device_ == target) unlink(link_path_.c_str());
    }
    link_path_.clear();
  }
  // The lock goes last: until the link is gone, no other logger may take the number.
  if (lock_fd_ >= 0) {
    DropLock(lock_path_, lock_fd_);
    lock_fd_ = -1;
    lock_path_.clear();
  }
}

void PtyPort::Close() {
  if (slave_fd_ >= 0) close(slave_fd_);
  if (master_fd_ >= 0) close(master_fd_);
  slave_fd_ = -1;
  master_fd_ = -1;
}

}  // namespace travex::sim
