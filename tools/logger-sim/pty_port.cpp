#include "pty_port.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// A link whose target no longer exists (left behind by a logger that was killed).
bool IsDanglingLink(const std::string& path) {
  struct stat lst {};
  struct stat st {};
  return lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && stat(path.c_str(), &st) != 0 &&
         errno == ENOENT;
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
  for (unsigned n = first; n <= last; ++n) {
    const std::string path = dir + "/com" + std::to_string(n);
    if (IsDanglingLink(path)) unlink(path.c_str());
    if (symlink(device_.c_str(), path.c_str()) == 0) {
      link_path_ = path;
      com_number_ = n;
      return true;
    }
    if (errno != EEXIST) {
      *error = Reason("cannot create link", path);
      return false;
    }
  }
  *error = com_number != 0 ? "COM" + std::to_string(com_number) + " is already taken in " + dir
                           : "no free COM number in " + dir;
  return false;
}

void PtyPort::Unregister() {
  if (link_path_.empty()) return;
  char target[256];
  const ssize_t n = readlink(link_path_.c_str(), target, sizeof target - 1);
  if (n >= 0) {
    target[n] = 0;
    if (device_ == target) unlink(link_path_.c_str());
  }
  link_path_.clear();
}

void PtyPort::Close() {
  if (slave_fd_ >= 0) close(slave_fd_);
  if (master_fd_ >= 0) close(master_fd_);
  slave_fd_ = -1;
  master_fd_ = -1;
}

}  // namespace travex::sim
