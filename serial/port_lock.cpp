#include "serial/port_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>

namespace travex {

namespace {

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

// The process id in a lock file: ten digits and a newline (HDB), or a binary int from very old
// programs. 0 when the file cannot be read or holds neither.
pid_t ReadLockPid(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  char text[32] = {};
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return 0;
  if (n == static_cast<ssize_t>(sizeof(int))) {
    bool binary = false;
    for (ssize_t i = 0; i < n; ++i) binary = binary || text[i] < ' ';
    if (binary) {
      int value = 0;
      std::copy(text, text + sizeof value, reinterpret_cast<char*>(&value));
      return static_cast<pid_t>(value);
    }
  }
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && value > 0 && value < INT_MAX ? static_cast<pid_t>(value) : 0;
}

// Creates the lock file with our pid in one step (written aside, then linked into place), so no
// reader ever sees it empty. 0, or the errno of the failure (EEXIST when someone has it).
int CreateLockFile(const std::string& path) {
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return errno;
  char text[16];
  const int len = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
  const bool written = ::write(fd, text, static_cast<size_t>(len)) == len;
  ::close(fd);
  int err = 0;
  if (!written) {
    err = EIO;
  } else if (::link(temp.c_str(), path.c_str()) != 0) {
    err = errno;
  }
  ::unlink(temp.c_str());
  return err;
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
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int err = CreateLockFile(path);
    if (err == 0) {
      path_ = path;
      return true;
    }
    if (err != EEXIST) return true;  // no writable lock folder: go on without a lock
    const pid_t pid = ReadLockPid(path);
    if (pid != 0 && ProcessAlive(pid)) {
      if (holder != nullptr) *holder = {pid, ProcessName(pid)};
      return false;
    }
    // Stale: its process is gone (or it names none). Take it over.
    ::unlink(path.c_str());
  }
  return true;
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

std::vector<PortHolder> FindDeviceUsers(const std::string& device) {
  std::vector<PortHolder> users;
  char wanted[PATH_MAX];
  if (::realpath(device.c_str(), wanted) == nullptr) return users;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return users;
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || pid <= 0) continue;
    const std::string fd_dir = std::string("/proc/") + entry->d_name + "/fd";
    DIR* fds = ::opendir(fd_dir.c_str());
    if (fds == nullptr) continue;
    bool uses = false;
    while (const dirent* fd = ::readdir(fds)) {
      if (fd->d_name[0] == '.') continue;
      char target[PATH_MAX];
      const ssize_t n = ::readlinkat(::dirfd(fds), fd->d_name, target, sizeof target - 1);
      if (n <= 0) continue;
      target[n] = '\0';
      if (std::string_view(target) == wanted) {
        uses = true;
        break;
      }
    }
    ::closedir(fds);
    if (uses) users.push_back({static_cast<pid_t>(pid), ProcessName(static_cast<pid_t>(pid))});
  }
  ::closedir(proc);
  return users;
}

std::string DescribeHolder(const PortHolder& holder) {
  std::string text = std::to_string(holder.pid);
  if (!holder.command.empty()) text += " (" + holder.command + ")";
  return text;
}

}  // namespace travex
