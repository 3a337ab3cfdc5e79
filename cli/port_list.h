// The ports a command runs on, as the user names them: COM names of the port map ("COM3",
// "com3") or device paths ("/dev/ttyUSB0", which must stand for a COM number).
#pragma once

#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "serial/port_map.h"

namespace travex::cli {

struct PortRef {
  unsigned number = 0;  // the COM number
  std::string name;     // "COM3"
  std::string device;   // "/dev/ttyUSB0"
  // "COM3 (/dev/ttyUSB0)": how messages name the port.
  std::string Label() const { return device.empty() ? name : name + " (" + device + ")"; }
};

// Resolves every argument (each may be a comma-separated list) to a port. Fails with
// kExitUsage for a text that names no port and for a port given twice, and with kExitPort for
// a port that stands for no device or a device without a COM number.
Outcome ResolvePorts(const std::vector<std::string>& arguments, std::vector<PortRef>* ports,
                     const PortMapRoots& roots = {});

}  // namespace travex::cli
