// The history: every whole image read from or written to a logger, kept as a parameter file in
// one folder ($XDG_DATA_HOME/travex/history). A file's name says when, on which port, from
// which logger (address and firmware version) and what it is:
//   20240131-142305-123_COM3_a1_fw1.2_read.ini
// Files are written in one step (never half-written); beyond the limit the oldest go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_image.h"

namespace travex {

enum class HistoryKind : uint8_t {
  kRead,     // a read-all
  kBefore,   // what the logger held before a write-all (from a read-all on the same connection)
  kWritten,  // a write-all
};

// "read", "before", "written": as in the file names.
const char* HistoryKindName(HistoryKind kind);

inline constexpr size_t kHistoryLimit = 1000;

// Where the history is kept and how many files it holds at most.
struct HistoryPlace {
  std::string folder;  // empty: no history is kept
  size_t limit = kHistoryLimit;
};

// $XDG_DATA_HOME/travex/history, else ~/.local/share/travex/history.
std::string DefaultHistoryFolder();

// Which logger an image came from, and when.
struct HistoryRecord {
  std::time_t time = 0;  // local time in the name
  int millisecond = 0;
  std::string port;      // HistoryPortName of the port: "COM3", "rfc2217-192.0.2.10-4001"
  unsigned address = 0;
  uint16_t fw_version = 0;
  HistoryKind kind = HistoryKind::kRead;
};

// How a port stands in a file name: "COM3" as it is, a network line's address with every
// character other than a letter, digit or '.' as '-' ("tcp://h:4001?baud=9600" gives
// "tcp---h-4001-baud-9600").
std::string HistoryPortName(std::string_view port);

std::string HistoryFileName(const HistoryRecord& record);

// One file of the history as its name tells it.
struct HistoryEntry {
  std::string path;
  std::string name;
  std::string time;      // "2024-01-31 14:23:05"
  std::string port;      // "COM3"
  unsigned address = 0;
  std::string firmware;  // "1.2", "none"
  HistoryKind kind = HistoryKind::kRead;
};

// Reads a file name of the history; false for any other name.
bool ParseHistoryName(const std::string& name, HistoryEntry* entry);

// The history's files, newest first; `port` ("COM3", any case, or an address) keeps that port's
// only.
std::vector<HistoryEntry> ListHistory(const std::string& folder, const std::string& port = {});

// Keeps the image as a new file (the folder is made when missing), then removes the oldest
// files beyond the limit. False with the reason in *error when the file could not be kept;
// *path is the file's path on success.
bool KeepInHistory(const HistoryPlace& place, const HistoryRecord& record, const ParamImage& image,
                   std::string* path, std::string* error);

// Removes the oldest files beyond `limit`.
void PruneHistory(const std::string& folder, size_t limit);

}  // namespace travex
