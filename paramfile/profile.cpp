#include "paramfile/profile.h"

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

enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  std::string_view name;   // section or key name
  std::string_view value;  // key value, trimmed
};

// One line without its LF; a CR before the LF is trimmed with the other blanks. Only the
// bytes that the reader keeps of a long line count, so that the writer judges every line as
// the reader will: a "]" or "=" beyond them does not exist for either.
ParsedLine ParseLine(std::string_view raw, bool first_line) {
  raw = raw.substr(0, kProfileLineMax);
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
      out.name = Trim(line.substr(1, close - 1));
      return out;
    }
  }
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    out.kind = LineKind::kOther;
    return out;
  }
  out.kind = LineKind::kKey;
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

// File bytes to the text the rules read (see ProfileText), in pieces of any size.
class TextDecoder {
 public:
  void Feed(std::string_view bytes, std::string* out) {
    if (!decided_) {
      const size_t take = std::min(bytes.size(), size_t{2} - head_.size());
      head_.append(bytes.substr(0, take));
      bytes.remove_prefix(take);
      if (head_.size() < 2) return;
      Decide(out);
    }
    if (encoding_ == TextEncoding::kBytes) {
      out->append(bytes);
      return;
    }
    for (const char c : bytes) {
      const unsigned b = static_cast<uint8_t>(c);
      if (carry_ < 0) {
        carry_ = static_cast<int>(b);
        continue;
      }
      const unsigned first = static_cast<unsigned>(carry_);
      carry_ = -1;
      AppendUnit(encoding_ == TextEncoding::kUtf16Le ? (b << 8 | first) : (first << 8 | b), out);
    }
  }

  // The end of the file; a file too short for a byte-order mark is bytes.
  void Finish(std::string* out) {
    if (!decided_) Decide(out);
  }

  TextEncoding encoding() const { return encoding_; }
  std::string OddByte() const {
    return carry_ < 0 ? std::string() : std::string(1, static_cast<char>(carry_));
  }

 private:
  void Decide(std::string* out) {
    decided_ = true;
    if (head_ == "\xFF\xFE") {
      encoding_ = TextEncoding::kUtf16Le;
    } else if (head_ == "\xFE\xFF") {
      encoding_ = TextEncoding::kUtf16Be;
    } else {
      out->append(head_);
    }
  }

  // A unit in its UTF-8 form; surrogates too, each on its own, so that nothing is lost.
  static void AppendUnit(unsigned unit, std::string* out) {
    if (unit < 0x80) {
      out->push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out->push_back(static_cast<char>(0xC0 | unit >> 6));
      out->push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xE0 | unit >> 12));
      out->push_back(static_cast<char>(0x80 | (unit >> 6 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }

  bool decided_ = false;
  std::string head_;
  TextEncoding encoding_ = TextEncoding::kBytes;
  int carry_ = -1;  // first byte of a unit whose second has not come yet
};

void AppendUtf16Unit(unsigned unit, TextEncoding encoding, std::string* out) {
  const char high = static_cast<char>(unit >> 8 & 0xFF);
  const char low = static_cast<char>(unit & 0xFF);
  out->push_back(encoding == TextEncoding::kUtf16Le ? low : high);
  out->push_back(encoding == TextEncoding::kUtf16Le ? high : low);
}

// The units of a text held for a UTF-16 file: the forms that TextDecoder makes give back
// their unit, UTF-8 of a character beyond 16 bits gives its surrogate pair, and any other
// byte stands for itself.
void EncodeUtf16(std::string_view text, TextEncoding encoding, std::string* out) {
  const auto byte = [&](size_t i) { return i < text.size() ? static_cast<uint8_t>(text[i]) : 0u; };
  const auto follows = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
  size_t i = 0;
  while (i < text.size()) {
    const unsigned b = byte(i);
    unsigned code = b;
    size_t length = 1;
    if ((b & 0xE0) == 0xC0 && follows(i + 1)) {
      code = (b & 0x1F) << 6 | (byte(i + 1) & 0x3F);
      length = 2;
    } else if ((b & 0xF0) == 0xE0 && follows(i + 1) && follows(i + 2)) {
      code = (b & 0x0F) << 12 | (byte(i + 1) & 0x3F) << 6 | (byte(i + 2) & 0x3F);
      length = 3;
    } else if ((b & 0xF8) == 0xF0 && follows(i + 1) && follows(i + 2) && follows(i + 3)) {
      const unsigned wide = (b & 0x07) << 18 | (byte(i + 1) & 0x3F) << 12 |
                            (byte(i + 2) & 0x3F) << 6 | (byte(i + 3) & 0x3F);
      if (wide >= 0x10000 && wide <= 0x10FFFF) {
        AppendUtf16Unit(0xD800 + ((wide - 0x10000) >> 10), encoding, out);
        code = 0xDC00 + ((wide - 0x10000) & 0x3FF);
        length = 4;
      }
    }
    AppendUtf16Unit(code, encoding, out);
    i += length;
  }
}

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

std::string LookupProfileString(std::string_view text, std::string_view section,
                                std::string_view key, std::string_view default_value,
                                size_t max_chars) {
  const std::vector<ProfileQuery> queries = {{section, key, default_value}};
  QueryMatcher matcher(queries, max_chars);
  size_t pos = 0;
  while (pos < text.size() && !matcher.AllDone()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    matcher.Feed(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return matcher.TakeResults().front();
}

bool ReadProfileStrings(const std::string& path, const std::vector<ProfileQuery>& queries,
                        std::vector<std::string>* values, std::string* error,
                        size_t max_chars) {
  const auto fail = [&](int err) {
    *error = ErrnoText(err);
    values->clear();
    for (const ProfileQuery& q : queries) values->emplace_back(q.default_value);
    return false;
  };
  // Only regular files are read: a pipe or a device behind the name could block or never end.
  const int fd = OpenRegularFile(path);
  if (fd < 0) return fail(errno);

  QueryMatcher matcher(queries, max_chars);
  TextDecoder decoder;
  char chunk[65536];
  std::string text;  // one chunk decoded
  text.reserve(3 * sizeof chunk);
  std::string line;  // the kept part of the current line, at most kProfileLineMax bytes
  bool pending = false;  // bytes of a last line without LF
  bool at_end = false;
  while (!matcher.AllDone() && !at_end) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return fail(err);
    }
    text.clear();
    if (n == 0) {
      decoder.Finish(&text);
      at_end = true;
    } else {
      decoder.Feed(std::string_view(chunk, static_cast<size_t>(n)), &text);
    }
    size_t pos = 0;
    while (pos < text.size() && !matcher.AllDone()) {
      const size_t lf = text.find('\n', pos);
      const size_t end = lf == std::string::npos ? text.size() : lf;
      line.append(text, pos, std::min(kProfileLineMax - line.size(), end - pos));
      pending = true;
      if (lf == std::string::npos) break;
      matcher.Feed(line);
      line.clear();
      pending = false;
      pos = lf + 1;
    }
  }
  ::close(fd);
  if (pending && !matcher.AllDone()) matcher.Feed(line);
  *values = matcher.TakeResults();
  return true;
}

std::vector<std::string> ReadProfileStrings(const std::string& path,
                                            const std::vector<ProfileQuery>& queries,
                                            size_t max_chars) {
  std::vector<std::string> values;
  std::string error;
  ReadProfileStrings(path, queries, &values, &error, max_chars);
  return values;
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

ProfileText DecodeProfileText(std::string_view file_bytes) {
  ProfileText out;
  TextDecoder decoder;
  decoder.Feed(file_bytes, &out.text);
  decoder.Finish(&out.text);
  out.encoding = decoder.encoding();
  out.odd_byte = decoder.OddByte();
  return out;
}

std::string EncodeProfileText(const ProfileText& text) {
  if (text.encoding == TextEncoding::kBytes) return text.text + text.odd_byte;
  std::string out;
  out.reserve(2 * text.text.size() + 3);
  AppendUtf16Unit(0xFEFF, text.encoding, &out);
  EncodeUtf16(text.text, text.encoding, &out);
  out.append(text.odd_byte);
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
    *error = ErrnoText(errno);
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
