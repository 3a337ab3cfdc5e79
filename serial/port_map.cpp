#include "serial/port_map.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <set>
#include <utility>

#include "serial/line_address.h"
#include "serial/port_info.h"

namespace travex {

namespace {

using DeviceTable = std::array<std::string, kMaxComNumber + 1>;

std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return {};
  return resolved;
}

// What a port directory entry stands for: the address its link names, or its device with
// symbolic links resolved (empty when the device is missing).
std::string EntryTarget(const std::string& entry) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(entry.c_str(), target, sizeof target - 1);
  if (length > 0) {
    const std::string text(target, static_cast<size_t>(length));
    if (LooksLikeLineAddress(text)) return text;
  }
  return Canonical(entry);
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  const passwd* pw = getpwuid(getuid());
  if (pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
  return {};
}

// "ttyUSB12" with prefix "ttyUSB" gives 12; -1 when the rest is not a plain decimal number.
long DeviceIndex(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  long value = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    const char c = name[i];
    if (c < '0' || c > '9' || value > 1000000) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// A ttyS node exists for every possible on-board port; only those whose driver found a UART
// report a port type other than 0 (unknown).
bool UartPresent(const std::string& sys_tty_dir, const std::string& name) {
  std::ifstream type_file(sys_tty_dir + "/" + name + "/type");
  long type = 0;
  if (!(type_file >> type)) return false;
  return type != 0;
}

std::vector<std::string> SerialDevicesPresent(const PortMapRoots& roots) {
  static const char* const kGroups[] = {"ttyS", "ttyUSB", "ttyACM"};
  std::array<std::vector<std::pair<long, std::string>>, 3> found;
  if (DIR* dir = opendir(roots.dev_dir.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      for (size_t g = 0; g < found.size(); ++g) {
        const long index = DeviceIndex(name, kGroups[g]);
        if (index < 0) continue;
        if (g == 0 && !UartPresent(roots.sys_tty_dir, name)) break;
        found[g].emplace_back(index, name);
        break;
      }
    }
    closedir(dir);
  }
  std::vector<std::string> devices;
  for (auto& group : found) {
    std::sort(group.begin(), group.end());
    for (const auto& item : group) devices.push_back(roots.dev_dir + "/" + item.second);
  }
  return devices;
}

std::string EntryPath(const std::string& port_dir, unsigned number) {
  return port_dir + "/com" + std::to_string(number);
}

// Who a device is across unplugging: a USB adapter that reports a serial number is that
// adapter under whatever node it comes back as; anything else is its device node.
std::string DeviceIdentity(const std::string& device, const PortMapRoots& roots) {
  if (LooksLikeLineAddress(device)) return device;
  const SerialPortInfo info = DescribeSerialPort(device, roots.sys_tty_dir);
  if (info.usb && !info.serial.empty()) {
    return "usb " + info.vendor_id + ":" + info.product_id + " " + info.serial;
  }
  return device;
}

using HeldTable = std::array<ComPortNumbering::Held, kMaxComNumber + 1>;

// The table of the rules; with `held`, numbers given earlier stay with their devices and the
// numbers given now are added to it.
DeviceTable BuildDeviceTable(const PortMapRoots& roots, HeldTable* held = nullptr) {
  const std::string port_dir = roots.port_dir.empty() ? PortDirectory() : roots.port_dir;
  DeviceTable table;
  std::array<bool, kMaxComNumber + 1> taken{};  // pinned, or held for a device
  std::set<std::string> named;
  for (unsigned n = 1; n <= kMaxComNumber; ++n) {
    const std::string entry = EntryPath(port_dir, n);
    struct stat st {};
    if (lstat(entry.c_str(), &st) != 0) continue;
    taken[n] = true;
    table[n] = EntryTarget(entry);  // empty when the device behind the entry is missing
    if (!table[n].empty()) named.insert(table[n]);
  }
  std::vector<std::pair<std::string, std::string>> unnamed;  // device, identity
  for (const std::string& device : SerialDevicesPresent(roots)) {
    std::string path = Canonical(device);
    if (path.empty() || named.count(path) != 0) continue;
    std::string identity = held != nullptr ? DeviceIdentity(path, roots) : std::string();
    unnamed.emplace_back(std::move(path), std::move(identity));
  }
  if (held != nullptr) {
    for (unsigned n = 1; n <= kMaxComNumber; ++n) {
      ComPortNumbering::Held& hold = (*held)[n];
      if (taken[n]) {
        // The entry decides; its device is the one the number is held for from now on.
        if (!table[n].empty()) hold = {DeviceIdentity(table[n], roots), table[n]};
        continue;
      }
      if (hold.identity.empty()) continue;
      taken[n] = true;
      const auto back = std::find_if(unnamed.begin(), unnamed.end(),
                                     [&](const auto& d) { return d.second == hold.identity; });
      if (back == unnamed.end()) continue;
      table[n] = hold.device = back->first;
      unnamed.erase(back);
    }
  }
  unsigned next = 1;
  for (auto& [path, identity] : unnamed) {
    while (next <= kMaxComNumber && taken[next]) ++next;
    if (next > kMaxComNumber) break;
    if (held != nullptr) (*held)[next] = {std::move(identity), path};
    table[next++] = std::move(path);
  }
  return table;
}

}  // namespace

std::string XdgFolder(const char* variable, const char* fallback) {
  const char* base = std::getenv(variable);
  if (base != nullptr && base[0] == '/') return std::string(base) + "/travex";
  return HomeDirectory() + "/" + fallback + "/travex";
}

std::string PortDirectory() {
  const char* dir = std::getenv("TRAVEX_PORT_DIR");
  if (dir != nullptr && dir[0] != '\0') return dir;
  return XdgFolder("XDG_CONFIG_HOME", ".config") + "/ports";
}

std::string PortEntryPath(unsigned number, const PortMapRoots& roots) {
  if (number == 0 || number > kMaxComNumber) return {};
  return EntryPath(roots.port_dir.empty() ? PortDirectory() : roots.port_dir, number);
}

std::string ResolveComPort(unsigned number, const PortMapRoots& roots) {
  if (number == 0 || number > kMaxComNumber) return {};
  return BuildDeviceTable(roots)[number];
}

std::vector<ComPortEntry> ListComPorts(unsigned first, unsigned last, const PortMapRoots& roots) {
  std::vector<ComPortEntry> ports;
  first = std::max(first, 1u);
  last = std::min(last, kMaxComNumber);
  if (first > last) return ports;
  const DeviceTable table = BuildDeviceTable(roots);
  for (unsigned n = first; n <= last; ++n) {
    if (!table[n].empty()) ports.push_back({n, table[n]});
  }
  return ports;
}

}  // namespace travex

namespace travex {

void ComPortNumbering::Refresh(const PortMapRoots& roots) {
  std::lock_guard lock(mutex_);
  roots_ = roots;
  RefreshLocked();
}

void ComPortNumbering::RefreshLocked() { devices_ = BuildDeviceTable(roots_, &held_); }

std::vector<ComPortSlot> ComPortNumbering::Slots(unsigned first, unsigned last) const {
  std::vector<ComPortSlot> slots;
  first = std::max(first, 1u);
  last = std::min(last, kMaxComNumber);
  std::lock_guard lock(mutex_);
  for (unsigned n = first; n <= last; ++n) {
    if (!devices_[n].empty()) {
      slots.push_back({n, devices_[n], true});
    } else if (!held_[n].identity.empty()) {
      slots.push_back({n, held_[n].device, false});
    }
  }
  return slots;
}

std::string ComPortNumbering::Resolve(unsigned number) {
  if (number == 0 || number > kMaxComNumber) return {};
  std::lock_guard lock(mutex_);
  RefreshLocked();
  return devices_[number];
}

}  // namespace travex
