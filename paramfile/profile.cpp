#include "paramfile/profile.h"

#include "paramfile/profile_text.h"
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
    *error = SystemErrorText(err);
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

}  // namespace travex
