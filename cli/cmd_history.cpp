// travex-cli history: the settings kept of every read-all and write-all, newest first.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"

namespace travex::cli {

int CmdHistory(CommandEnv& env, const std::string& port, bool json) {
  const std::vector<HistoryEntry> entries = ListHistory(env.history.folder, port);
  if (json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const HistoryEntry& e : entries) {
      list.push_back({{"time", e.time},
                      {"port", e.port},
                      {"address", e.address},
                      {"firmware", e.firmware},
                      {"kind", HistoryKindName(e.kind)},
                      {"file", e.path}});
    }
    env.board->PrintOut(list.dump(2) + "\n");
    return kExitOk;
  }
  if (entries.empty()) {
    if (!env.quiet) env.board->PrintErr("no settings kept yet in " + env.history.folder + "\n");
    return kExitOk;
  }
  std::string table;
  for (const HistoryEntry& e : entries) {
    // The port may be a long address: it is written whole, the columns after it move.
    char line[96];
    std::snprintf(line, sizeof line, "  %7u  %-8s  %-7s  ", e.address, e.firmware.c_str(),
                  HistoryKindName(e.kind));
    std::string port_text = e.port;
    if (port_text.size() < 6) port_text.resize(6, ' ');
    table += e.time + "  " + port_text + line + e.path + "\n";
  }
  char heading[128];
  std::snprintf(heading, sizeof heading, "%-19s  %-6s  %7s  %-8s  %-7s  %s\n", "TIME", "PORT",
                "ADDRESS", "FIRMWARE", "KIND", "FILE");
  env.board->PrintOut(heading + table);
  return kExitOk;
}

}  // namespace travex::cli
