#include "cli/rate_memory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "paramfile/text_file.h"
#include "serial/port_map.h"

namespace travex::cli {
namespace {

std::string RatesFile(const std::string& folder) { return folder + "/rates"; }

// The remembered rates but the one of `skip`, as the file's lines.
std::string LinesWithout(const std::string& text, const std::string& skip, uint32_t* found) {
  std::istringstream in(text);
  std::string line;
  std::string kept;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string port;
    uint32_t rate = 0;
    if (!(fields >> port >> rate)) continue;
    if (port == skip) {
      *found = rate;
    } else {
      kept += port + " " + std::to_string(rate) + "\n";
    }
  }
  return kept;
}

}  // namespace

std::string DefaultStateFolder() { return XdgFolder("XDG_STATE_HOME", ".local/state"); }

uint32_t RememberedRate(const std::string& folder, const std::string& port) {
  if (folder.empty()) return 0;
  std::string text, error;
  if (!LoadTextFile(RatesFile(folder), &text, &error)) return 0;
  uint32_t rate = 0;
  LinesWithout(text, port, &rate);
  return rate;
}

void RememberRate(const std::string& folder, const std::string& port, uint32_t baud) {
  if (folder.empty() || port.find_first_of(" \t\n") != std::string::npos) return;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const int lock = ::open((folder + "/rates.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) return;
  if (::flock(lock, LOCK_EX) == 0) {
    std::string text, error;
    if (LoadTextFile(RatesFile(folder), &text, &error)) {
      uint32_t old = 0;
      const std::string kept = LinesWithout(text, port, &old);
      if (old != baud) {
        ReplaceFileAtomically(RatesFile(folder), kept + port + " " + std::to_string(baud) + "\n",
                              &error);
      }
    }
  }
  ::close(lock);
}

}  // namespace travex::cli
