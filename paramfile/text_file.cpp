#include "paramfile/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace travex {

namespace {

// Both forms of strerror_r.
[[maybe_unused]] std::string PickError(int rc, const char* buffer) {
  return rc == 0 ? std::string(buffer) : std::string("unknown error");
}
[[maybe_unused]] std::string PickError(const char* text, const char*) { return std::string(text); }

}  // namespace

std::string SystemErrorText(int err) {
  char buffer[256] = {};
  return PickError(strerror_r(err, buffer, sizeof buffer), buffer);
}

namespace {

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, std::string_view content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::atomic<unsigned> g_temp_counter{0};

// Temporary files are named "." + target name + ".tmp" + writer's process id + "_" + number.
std::string TemporaryPrefix(const std::string& target_name) { return "." + target_name + ".tmp"; }

// A temporary file whose writer is still running is left alone unless it is this old: no
// replacement takes that long, so its process id now belongs to another program.
constexpr std::time_t kAbandonedAfterSeconds = 60 * 60;

// The writer's process id in one of our temporary names, 0 when the name is not one.
pid_t TemporaryWriter(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) return 0;
  name.remove_prefix(prefix.size());
  // Decimal digits only (no sign), as the writer makes them.
  const auto number = [](std::string_view digits, unsigned long long* value) {
    if (digits.empty() || digits.size() > 10) return false;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *value);
    return ec == std::errc() && end == digits.data() + digits.size();
  };
  const size_t sep = name.find('_');
  unsigned long long pid = 0;
  unsigned long long serial = 0;
  if (sep == std::string_view::npos || !number(name.substr(0, sep), &pid) ||
      !number(name.substr(sep + 1), &serial) || pid == 0 || pid > INT_MAX) {
    return 0;
  }
  return static_cast<pid_t>(pid);
}

// Removes what interrupted replacements of the target left in its folder: our temporary
// files for it whose writer is gone or that are clearly abandoned. Nothing else is touched.
void RemoveStaleTemporaries(const std::string& folder, const std::string& target_name) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::string prefix = TemporaryPrefix(target_name);
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t writer = TemporaryWriter(entry->d_name, prefix);
    if (writer == 0) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode)) {
      continue;
    }
    const bool gone = ::kill(writer, 0) != 0 && errno == ESRCH;
    if (gone || now - st.st_mtime > kAbandonedAfterSeconds) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

// The replacement stays its owner's (an administrator saving over a user's file leaves it the
// user's). Without the right to give it away it becomes ours, as a new file would, but keeps
// its group where we may give it that (we belong to the group): a file shared through its group
// (dialout, 0664) stays writable for the group.
void KeepOwnership(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) == 0) return;
  if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
    // Not a group of ours either: the file gets this user's group, as a new file would.
  }
}

}  // namespace

int OpenRegularFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = err;
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

bool LoadTextFile(const std::string& path, std::string* text, std::string* error) {
  text->clear();
  const int fd = OpenRegularFile(path);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    *error = SystemErrorText(errno);
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  if (ok && static_cast<unsigned long long>(st.st_size) > kProfileFileMax) {
    errno = EFBIG;
    ok = false;
  }
  char chunk[65536];
  while (ok) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
    } else if (n == 0) {
      break;
    } else if (text->size() + static_cast<size_t>(n) > kProfileFileMax) {
      errno = EFBIG;
      ok = false;
    } else {
      text->append(chunk, static_cast<size_t>(n));
    }
  }
  const int saved = errno;
  ::close(fd);
  if (!ok) {
    *error = SystemErrorText(saved);
    text->clear();
  }
  return ok;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view content, std::string* error) {
  // Replace what a symbolic link points to, not the link.
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
  }
  bool exists = false;
  mode_t mode = 0;
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      *error = SystemErrorText(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
      return false;
    }
    // A file without any write permission is read-only for everyone, the owner included.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0) {
      *error = SystemErrorText(EACCES);
      return false;
    }
    exists = true;
    mode = st.st_mode & 07777;
  }

  const std::string folder = ParentFolder(target);
  RemoveStaleTemporaries(folder, BaseName(target));
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + "/" + TemporaryPrefix(BaseName(target)) + std::to_string(::getpid()) + "_" +
           std::to_string(g_temp_counter.fetch_add(1));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *error = SystemErrorText(errno);
    return false;
  }
  bool ok = true;
  if (exists) {
    KeepOwnership(fd, st);
    // After the owner, since a change of owner clears the set-id bits.
    ok = ::fchmod(fd, mode) == 0;
  }
  if (ok) ok = WriteAll(fd, content);
  if (ok && ::fsync(fd) != 0) ok = false;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    *error = SystemErrorText(saved);
    return false;
  }
  const int dir_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
  return true;
}

}  // namespace travex
