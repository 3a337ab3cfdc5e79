#include "cli/port_list.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "serial/line_address.h"

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

// Why COM n stands for no device: its link points nowhere, or there is neither a link nor a
// serial device left for the number.
std::string MissingPortText(unsigned number, const PortMapRoots& roots) {
  const std::string entry = PortEntryPath(number, roots);
  char target[PATH_MAX];
  const ssize_t length = ::readlink(entry.c_str(), target, sizeof target - 1);
  if (length > 0) {
    return "no such port: the link " + entry + " points to " +
           std::string(target, static_cast<size_t>(length)) + ", which does not exist";
  }
  return "no such port (no device behind " + entry +
         ", and no serial device present is left for the number)";
}

// Fails only for a text that names no port; a port that cannot be used gets its problem.
Outcome ResolveOne(const std::string& text, const PortMapRoots& roots, PortRef* port) {
  const std::string dir = roots.port_dir.empty() ? PortDirectory() : roots.port_dir;
  if (LooksLikeLineAddress(text)) {
    LineAddress address;
    std::string why;
    if (!ParseLineAddress(text, &address, &why)) {
      return Failure(kExitUsage, "'" + text + "' is not an address: " + why);
    }
    *port = {0, text, {}, text, {}};
    return {};
  }
  if (!text.empty() && text[0] == '/') {
    const std::string device = Canonical(text);
    if (device.empty()) {
      *port = {0, text, {}, {}, Failure(kExitPort, "no such device")};
      return {};
    }
    for (const ComPortEntry& entry : ListComPorts(1, kMaxComNumber, roots)) {
      if (entry.device == device) {
        *port = {entry.number, "COM" + std::to_string(entry.number), device, {}, {}};
        return {};
      }
    }
    *port = {0, text, {}, {},
             Failure(kExitPort, "the device has no COM number; give it one with 'ln -s " +
                                    device + " " + dir + "/comN'")};
    return {};
  }
  const unsigned number = ComNumber(text);
  if (number == 0 || number > kMaxComNumber) {
    return Failure(kExitUsage, "'" + text + "' is not a port: give COM1 to COM" +
                                   std::to_string(kMaxComNumber) +
                                   ", a device path or an rfc2217:// or tcp:// address");
  }
  const std::string name = "COM" + std::to_string(number);
  const std::string device = ResolveComPort(number, roots);
  *port = {number, name, device, {}, {}};
  if (device.empty()) port->problem = Failure(kExitPort, MissingPortText(number, roots));
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
      if (port.number != 0 ? earlier.number == port.number : earlier.name == port.name) {
        return Failure(kExitUsage, port.Label() + " is given twice");
      }
    }
    ports->push_back(port);
  }
  if (ports->empty()) return Failure(kExitUsage, "no port given");
  return {};
}

}  // namespace travex::cli
