#include "paramfile/history.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "paramfile/param_file.h"
#include "serial/port_map.h"

namespace travex {

namespace fs = std::filesystem;

namespace {

constexpr HistoryKind kKinds[] = {HistoryKind::kRead, HistoryKind::kBefore, HistoryKind::kWritten};
constexpr char kExtension[] = ".ini";

std::string FirmwareText(uint16_t version) {
  if (version == 0) return "none";
  return std::to_string(version >> 8) + "." + std::to_string(version & 0xFF);
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t begin = 0;
  for (;;) {
    const size_t end = text.find(separator, begin);
    parts.push_back(text.substr(begin, end - begin));
    if (end == std::string::npos) return parts;
    begin = end + 1;
  }
}

bool AllDigits(const std::string& text, size_t from, size_t count) {
  if (text.size() < from + count) return false;
  for (size_t k = from; k < from + count; ++k) {
    if (std::isdigit(static_cast<unsigned char>(text[k])) == 0) return false;
  }
  return true;
}

// "20240131-142305-123" to "2024-01-31 14:23:05".
bool ParseStamp(const std::string& stamp, std::string* time) {
  if (stamp.size() != 19 || stamp[8] != '-' || stamp[15] != '-' || !AllDigits(stamp, 0, 8) ||
      !AllDigits(stamp, 9, 6) || !AllDigits(stamp, 16, 3)) {
    return false;
  }
  *time = stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " +
          stamp.substr(9, 2) + ":" + stamp.substr(11, 2) + ":" + stamp.substr(13, 2);
  return true;
}

bool SameText(std::string a, std::string b) {
  const auto upper = [](std::string& s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  };
  upper(a);
  upper(b);
  return a == b;
}

}  // namespace

const char* HistoryKindName(HistoryKind kind) {
  switch (kind) {
    case HistoryKind::kRead: return "read";
    case HistoryKind::kBefore: return "before";
    case HistoryKind::kWritten: return "written";
  }
  return "read";
}

std::string DefaultHistoryFolder() { return XdgFolder("XDG_DATA_HOME", ".local/share") + "/history"; }

std::string HistoryPortName(std::string_view port) {
  std::string name(port);
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.') c = '-';
  }
  return name;
}

std::string HistoryFileName(const HistoryRecord& record) {
  std::tm local{};
  localtime_r(&record.time, &local);
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d-%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                std::clamp(record.millisecond, 0, 999));
  return std::string(stamp) + "_" + HistoryPortName(record.port) + "_a" +
         std::to_string(record.address) + "_fw" + FirmwareText(record.fw_version) + "_" +
         HistoryKindName(record.kind) + kExtension;
}

bool ParseHistoryName(const std::string& name, HistoryEntry* entry) {
  const size_t ext = sizeof kExtension - 1;
  if (name.size() <= ext || name.compare(name.size() - ext, ext, kExtension) != 0) return false;
  const std::vector<std::string> parts = Split(name.substr(0, name.size() - ext), '_');
  if (parts.size() != 5) return false;
  HistoryEntry e;
  if (!ParseStamp(parts[0], &e.time)) return false;
  if (parts[1].empty() || parts[1] != HistoryPortName(parts[1])) return false;
  e.port = parts[1];
  if (parts[2].size() < 2 || parts[2][0] != 'a' || !AllDigits(parts[2], 1, parts[2].size() - 1) ||
      parts[2].size() > 4) {
    return false;
  }
  e.address = static_cast<unsigned>(std::stoul(parts[2].substr(1)));
  if (parts[3].size() < 3 || parts[3].compare(0, 2, "fw") != 0) return false;
  e.firmware = parts[3].substr(2);
  bool known = false;
  for (HistoryKind kind : kKinds) {
    if (parts[4] == HistoryKindName(kind)) {
      e.kind = kind;
      known = true;
    }
  }
  if (!known) return false;
  e.name = name;
  *entry = e;
  return true;
}

std::vector<HistoryEntry> ListHistory(const std::string& folder, const std::string& port) {
  std::vector<HistoryEntry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    HistoryEntry entry;
    if (!it->is_regular_file(ec) || !ParseHistoryName(it->path().filename().string(), &entry)) {
      continue;
    }
    if (!port.empty() && !SameText(HistoryPortName(port), entry.port)) continue;
    entry.path = it->path().string();
    entries.push_back(std::move(entry));
  }
  // The name starts with the time: newest first is the names' order backwards.
  std::sort(entries.begin(), entries.end(),
            [](const HistoryEntry& a, const HistoryEntry& b) { return a.name > b.name; });
  return entries;
}

void PruneHistory(const std::string& folder, size_t limit) {
  const std::vector<HistoryEntry> entries = ListHistory(folder);
  std::error_code ignored;
  for (size_t k = limit; k < entries.size(); ++k) fs::remove(entries[k].path, ignored);
}

bool KeepInHistory(const HistoryPlace& place, const HistoryRecord& record, const ParamImage& image,
                   std::string* path, std::string* error) {
  if (place.folder.empty()) {
    *error = "no folder for the history (neither XDG_DATA_HOME nor HOME is set)";
    return false;
  }
  std::error_code ec;
  fs::create_directories(place.folder, ec);
  if (ec) {
    *error = place.folder + ": " + ec.message();
    return false;
  }
  const std::string target = place.folder + "/" + HistoryFileName(record);
  if (!SaveParamFile(target, image, error)) return false;
  *path = target;
  PruneHistory(place.folder, place.limit);
  return true;
}

}  // namespace travex
