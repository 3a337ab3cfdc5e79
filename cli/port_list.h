// The ports a command runs on, as the user names them: COM names of the port map ("COM3",
// "com3"), device paths ("/dev/ttyUSB0", which must stand for a COM number) or addresses of
// serial device servers ("rfc2217://HOST:PORT", "tcp://HOST:PORT?baud=RATE").
#pragma once

#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "serial/port_map.h"
#include "session/logger_session.h"

namespace travex::cli {

struct PortRef {
  unsigned number = 0;  // the COM number; 0 for a device path without one
  std::string name;     // "COM3"; the path as given when it has no COM number
  std::string device;   // "/dev/ttyUSB0" (or the address a COM link names); empty when none
  std::string address;  // an address given as the port itself (number 0, name the address)
  Outcome problem;      // kExitPort: why the port cannot be used (without its name)
  // "COM3 (/dev/ttyUSB0)": how messages name the port.
  std::string Label() const { return device.empty() ? name : name + " (" + device + ")"; }
  PortTarget Target() const {
    return address.empty() ? PortTarget(static_cast<uint8_t>(number)) : PortTarget::Address(address);
  }
};

// Resolves every argument (each may be a comma-separated list) to a port. Fails with
// kExitUsage for a text that names no port and for a port given twice. A port that stands for
// no device (a dangling link included) or a device without a COM number is kept with its
// problem, so that the other ports are still served.
Outcome ResolvePorts(const std::vector<std::string>& arguments, std::vector<PortRef>* ports,
                     const PortMapRoots& roots = {});

}  // namespace travex::cli
