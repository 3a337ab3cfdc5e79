#include "cli/port_list.h"

#include <climits>
#include <cstdlib>

namespace travex::cli {
namespace {

std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return {};
  return resolved;
}

// "COM12" or "com12": 12; 0 when the text is no COM name.
unsigned ComNumber(const std::string& text) {
  if (text.size() < 4 || text.size() > 5) return 0;
  for (size_t i = 0; i < 3; ++i) {
    if ((text[i] | 0x20) != "com"[i]) return 0;
  }
  unsigned number = 0;
  for (size_t i = 3; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    number = number * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return number;
}

std::vector<std::string> SplitList(const std::vector<std::string>& arguments) {
  std::vector<std::string> items;
  for (const std::string& argument : arguments) {
    size_t start = 0;
    for (;;) {
      const size_t comma = argument.find(',', start);
      const std::string item = argument.substr(start, comma - start);
      if (!item.empty()) items.push_back(item);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  return items;
}

Outcome ResolveOne(const std::string& text, const PortMapRoots& roots, PortRef* port) {
  const std::string dir = roots.port_dir.empty() ? PortDirectory() : roots.port_dir;
  if (!text.empty() && text[0] == '/') {
    const std::string device = Canonical(text);
    if (device.empty()) return Failure(kExitPort, text + ": no such device");
    for (const ComPortEntry& entry : ListComPorts(1, kMaxComNumber, roots)) {
      if (entry.device == device) {
        *port = {entry.number, "COM" + std::to_string(entry.number), device};
        return {};
      }
    }
    return Failure(kExitPort, text +
                                  ": the device has no COM number; give it one with "
                                  "'ln -s " +
                                  device + " " + dir + "/comN'");
  }
  const unsigned number = ComNumber(text);
  if (number == 0 || number > kMaxComNumber) {
    return Failure(kExitUsage, "'" + text + "' is not a port: give COM1 to COM" +
                                   std::to_string(kMaxComNumber) + " or a device path");
  }
  const std::string name = "COM" + std::to_string(number);
  const std::string device = ResolveComPort(number, roots);
  if (device.empty()) {
    return Failure(kExitPort, name + ": no such port (no device behind " +
                                  PortEntryPath(number, roots) +
                                  ", and no serial device present is left for the number)");
  }
  *port = {number, name, device};
  return {};
}

}  // namespace

Outcome ResolvePorts(const std::vector<std::string>& arguments, std::vector<PortRef>* ports,
                     const PortMapRoots& roots) {
  ports->clear();
  for (const std::string& text : SplitList(arguments)) {
    PortRef port;
    const Outcome resolved = ResolveOne(text, roots, &port);
    if (!resolved.ok()) return resolved;
    for (const PortRef& earlier : *ports) {
      if (earlier.number == port.number) {
        return Failure(kExitUsage, port.Label() + " is given twice");
      }
    }
    ports->push_back(port);
  }
  if (ports->empty()) return Failure(kExitUsage, "no port given");
  return {};
}

}  // namespace travex::cli
