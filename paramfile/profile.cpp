#include "paramfile/profile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace travex {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class LineKind { kBlank, kComment, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  std::string_view name;   // section or key name
  std::string_view value;  // key value, trimmed
};

// One line without its LF; a CR before the LF is trimmed with the other blanks.
ParsedLine ParseLine(std::string_view raw, bool first_line) {
  if (first_line && raw.substr(0, kUtf8Bom.size()) == kUtf8Bom) raw.remove_prefix(kUtf8Bom.size());
  ParsedLine out;
  const std::string_view line = Trim(raw);
  if (line.empty()) return out;
  if (line.front() == ';') {
    out.kind = LineKind::kComment;
    return out;
  }
  if (line.front() == '[') {
    const size_t close = line.rfind(']');
    if (close != std::string_view::npos) {
      out.kind = LineKind::kSection;
      out.name = line.substr(1, close - 1);
      return out;
    }
  }
  out.kind = LineKind::kKey;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    out.name = line;
    return out;
  }
  out.name = Trim(line.substr(0, eq));
  out.value = Trim(line.substr(eq + 1));
  return out;
}

std::string DeliverValue(std::string_view value, size_t max_chars) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  const size_t nul = value.find('\0');
  if (nul != std::string_view::npos) value = value.substr(0, nul);
  if (value.size() > max_chars) value = value.substr(0, max_chars);
  return std::string(value);
}

// Answers several lookups from one pass over the lines of a file.
class QueryMatcher {
 public:
  QueryMatcher(const std::vector<ProfileQuery>& queries, size_t max_chars)
      : queries_(queries), states_(queries.size()), max_chars_(max_chars) {
    for (size_t i = 0; i < queries.size(); ++i) {
      states_[i].value = std::string(queries[i].default_value);
    }
  }

  void Feed(std::string_view raw) {
    const ParsedLine line = ParseLine(raw, first_line_);
    first_line_ = false;
    if (line.kind == LineKind::kSection) {
      for (size_t i = 0; i < queries_.size(); ++i) {
        State& s = states_[i];
        if (s.phase == Phase::kInSection) {
          s.phase = Phase::kDone;
          --open_;
        } else if (s.phase == Phase::kWaiting && SameName(line.name, queries_[i].section)) {
          s.phase = Phase::kInSection;
        }
      }
    } else if (line.kind == LineKind::kKey) {
      for (size_t i = 0; i < queries_.size(); ++i) {
        State& s = states_[i];
        if (s.phase == Phase::kInSection && SameName(line.name, queries_[i].key)) {
          s.value = DeliverValue(line.value, max_chars_);
          s.phase = Phase::kDone;
          --open_;
        }
      }
    }
  }

  bool AllDone() const { return open_ == 0; }

  std::vector<std::string> TakeResults() {
    std::vector<std::string> out;
    out.reserve(states_.size());
    for (State& s : states_) out.push_back(std::move(s.value));
    return out;
  }

 private:
  enum class Phase { kWaiting, kInSection, kDone };
  struct State {
    Phase phase = Phase::kWaiting;
    std::string value;
  };
  const std::vector<ProfileQuery>& queries_;
  std::vector<State> states_;
  size_t max_chars_;
  size_t open_ = queries_.size();
  bool first_line_ = true;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Both forms of strerror_r.
[[maybe_unused]] std::string PickError(int rc, const char* buffer) {
  return rc == 0 ? std::string(buffer) : std::string("unknown error");
}
[[maybe_unused]] std::string PickError(const char* text, const char*) { return std::string(text); }

std::string ErrnoText(int err) {
  char buffer[256] = {};
  return PickError(strerror_r(err, buffer, sizeof buffer), buffer);
}

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

// Opens a file for reading without blocking on a pipe or device; -1 with errno set unless the
// name is a regular file.
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

}  // namespace

std::string LookupProfileString(std::string_view text, std::string_view section,
                                std::string_view key, std::string_view default_value,
                                size_t max_chars) {
  const std::vector<ProfileQuery> queries = {{section, key, default_value}};
  QueryMatcher matcher(queries, max_chars);
  size_t pos = 0;
  while (pos < text.size() && !matcher.AllDone()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (line.size() > kProfileLineMax) line = line.substr(0, kProfileLineMax);
    matcher.Feed(line);
    pos = end + 1;
  }
  return matcher.TakeResults().front();
}

std::vector<std::string> ReadProfileStrings(const std::string& path,
                                            const std::vector<ProfileQuery>& queries,
                                            size_t max_chars) {
  QueryMatcher matcher(queries, max_chars);
  // Only regular files are read: a pipe or a device behind the name could block or never end.
  const int fd = OpenRegularFile(path);
  if (fd < 0) return matcher.TakeResults();
  std::unique_ptr<std::FILE, FileCloser> file(::fdopen(fd, "rb"));
  if (!file) {
    ::close(fd);
    return matcher.TakeResults();
  }

  std::string line;
  bool pending = false;  // bytes of a last line without LF
  char chunk[65536];
  while (!matcher.AllDone()) {
    const size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    if (n == 0) break;
    size_t pos = 0;
    while (pos < n && !matcher.AllDone()) {
      const void* hit = std::memchr(chunk + pos, '\n', n - pos);
      const size_t end = hit ? static_cast<size_t>(static_cast<const char*>(hit) - chunk) : n;
      const size_t room = kProfileLineMax - line.size();
      line.append(chunk + pos, std::min(room, end - pos));
      pending = true;
      if (hit == nullptr) break;
      matcher.Feed(line);
      line.clear();
      pending = false;
      pos = end + 1;
    }
  }
  if (pending && !matcher.AllDone()) matcher.Feed(line);
  return matcher.TakeResults();
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view default_value,
                              size_t max_chars) {
  return ReadProfileStrings(path, {{section, key, default_value}}, max_chars).front();
}

std::string SetProfileString(std::string_view text, std::string_view section,
                             std::string_view key, std::string_view value) {
  std::string key_line;
  key_line.reserve(key.size() + value.size() + 3);
  key_line.append(key).append("=").append(value).append("\r\n");

  bool in_target = false;
  bool found_section = false;
  size_t insert_at = 0;           // after the last non-blank line of the section
  bool insert_needs_eol = false;  // that line is the last of the text and has no LF
  size_t pos = 0;
  bool first = true;
  while (pos < text.size()) {
    const size_t lf = text.find('\n', pos);
    const size_t end = lf == std::string_view::npos ? text.size() : lf;
    const size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
    const ParsedLine line = ParseLine(text.substr(pos, end - pos), first);
    first = false;
    if (line.kind == LineKind::kSection) {
      if (in_target) break;
      if (!found_section && SameName(line.name, section)) {
        in_target = true;
        found_section = true;
        insert_at = next;
        insert_needs_eol = lf == std::string_view::npos;
      }
    } else if (in_target) {
      if (line.kind == LineKind::kKey && SameName(line.name, key)) {
        std::string out;
        out.reserve(text.size() + key_line.size());
        out.append(text.substr(0, pos)).append(key_line).append(text.substr(next));
        return out;
      }
      if (line.kind != LineKind::kBlank) {
        insert_at = next;
        insert_needs_eol = lf == std::string_view::npos;
      }
    }
    pos = next;
  }

  std::string out;
  out.reserve(text.size() + section.size() + key_line.size() + 6);
  if (found_section) {
    out.append(text.substr(0, insert_at));
    if (insert_needs_eol) out.append("\r\n");
    out.append(key_line).append(text.substr(insert_at));
    return out;
  }
  out.append(text);
  if (!out.empty() && out.back() != '\n') out.append("\r\n");
  out.append("[").append(section).append("]\r\n").append(key_line);
  return out;
}

bool LoadTextFile(const std::string& path, std::string* text, std::string* error) {
  text->clear();
  const int fd = OpenRegularFile(path);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    *error = ErrnoText(errno);
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
    *error = ErrnoText(saved);
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
      *error = ErrnoText(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
      return false;
    }
    // A file without any write permission is read-only for everyone, the owner included.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0) {
      *error = ErrnoText(EACCES);
      return false;
    }
    exists = true;
    mode = st.st_mode & 07777;
  }

  const std::string folder = ParentFolder(target);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + "/." + BaseName(target) + ".tmp" + std::to_string(::getpid()) + "_" +
           std::to_string(g_temp_counter.fetch_add(1));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *error = ErrnoText(errno);
    return false;
  }
  bool ok = true;
  if (exists && ::fchmod(fd, mode) != 0) ok = false;
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
    *error = ErrnoText(saved);
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
