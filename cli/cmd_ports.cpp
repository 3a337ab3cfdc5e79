// travex-cli ports: the serial ports with their devices.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "serial/line_address.h"
#include "serial/port_info.h"
#include "serial/port_map.h"

namespace travex::cli {
namespace {

nlohmann::ordered_json PortJson(const std::string& name, const std::string& device,
                                const SerialPortInfo& info) {
  nlohmann::ordered_json item = {{"port", name},
                                 {"device", device},
                                 {"driver", info.driver},
                                 {"usb", info.usb},
                                 {"accessible", info.accessible}};
  if (info.usb) {
    item["vendor_id"] = info.vendor_id;
    item["product_id"] = info.product_id;
    item["manufacturer"] = info.manufacturer;
    item["product"] = info.product;
    item["serial"] = info.serial;
  }
  return item;
}

// How a serial device server's line is shown in the table.
SerialPortInfo ServerLineInfo() {
  SerialPortInfo info;
  info.driver = "network";
  info.accessible = true;
  return info;
}

std::string PortLine(const std::string& name, const std::string& device,
                     const SerialPortInfo& info) {
  std::string what = info.driver.empty() ? "-" : info.driver;
  if (info.usb) {
    what += "  " + info.vendor_id + ":" + info.product_id;
    if (!info.manufacturer.empty()) what += " " + info.manufacturer;
    if (!info.product.empty()) what += " " + info.product;
    if (!info.serial.empty()) what += ", S/N " + info.serial;
  }
  char line[512];
  std::snprintf(line, sizeof line, "%-6s %-16s %-7s %s\n", name.c_str(), device.c_str(),
                info.accessible ? "yes" : "no", what.c_str());
  return line;
}

}  // namespace

int CmdPorts(CommandEnv& env, bool json) {
  const std::vector<ComPortEntry> entries = ListComPorts(1, kMaxComNumber);
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  std::string table;
  bool locked_out = false;
  for (const ComPortEntry& e : entries) {
    const std::string name = "COM" + std::to_string(e.number);
    if (LooksLikeLineAddress(e.device)) {
      // A serial device server's line: nothing to look at without connecting, which listing
      // never does.
      if (json) {
        list.push_back({{"port", name}, {"device", e.device}, {"network", true}});
      } else {
        table += PortLine(name, e.device, ServerLineInfo());
      }
      continue;
    }
    const SerialPortInfo info = DescribeSerialPort(e.device);
    locked_out = locked_out || !info.accessible;
    if (json) {
      list.push_back(PortJson(name, e.device, info));
    } else {
      table += PortLine(name, e.device, info);
    }
  }
  if (json) {
    env.board->PrintOut(list.dump(2) + "\n");
  } else if (entries.empty()) {
    if (!env.quiet)
      env.board->PrintErr("no serial ports (port directory " + PortDirectory() + ")\n");
  } else {
    char heading[128];
    std::snprintf(heading, sizeof heading, "%-6s %-16s %-7s %s\n", "PORT", "DEVICE", "ACCESS",
                  "DRIVER  USB ADAPTER");
    env.board->PrintOut(heading + table);
    if (locked_out && !env.quiet) {
      env.board->PrintErr("ports without access: " + std::string(kDialoutHint) + "\n");
    }
  }
  return kExitOk;
}

}  // namespace travex::cli
