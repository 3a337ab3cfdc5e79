#include "serial/port_info.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

namespace travex {

namespace {

std::string ReadLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  return line;
}

std::string Resolve(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

}  // namespace

SerialPortInfo DescribeSerialPort(const std::string& device, const std::string& sys_tty_dir) {
  SerialPortInfo info;
  info.device = device;
  info.accessible = ::access(device.c_str(), R_OK | W_OK) == 0;
  const std::string real = Resolve(device);
  const std::string name = BaseName(real.empty() ? device : real);
  const std::string device_dir = Resolve(sys_tty_dir + "/" + name + "/device");
  if (device_dir.empty()) return info;
  info.driver = BaseName(Resolve(device_dir + "/driver"));
  // The USB device is the first parent that carries the adapter's ids (the tty hangs off an
  // interface of it, sometimes one level further down).
  std::string dir = device_dir;
  for (int level = 0; level < 5 && !dir.empty(); ++level, dir = Parent(dir)) {
    const std::string vendor = ReadLine(dir + "/idVendor");
    if (vendor.empty()) continue;
    info.usb = true;
    info.vendor_id = vendor;
    info.product_id = ReadLine(dir + "/idProduct");
    info.manufacturer = ReadLine(dir + "/manufacturer");
    info.product = ReadLine(dir + "/product");
    info.serial = ReadLine(dir + "/serial");
    break;
  }
  return info;
}

std::string SerialPortSummary(const SerialPortInfo& info) {
  std::string text = info.device;
  if (info.usb) {
    std::string what = info.manufacturer;
    if (!info.product.empty()) what += (what.empty() ? "" : " ") + info.product;
    text += " — " + (what.empty() ? std::string("USB") : what) + " (" + info.vendor_id + ":" +
            info.product_id + ")";
    if (!info.serial.empty()) text += ", S/N " + info.serial;
  } else if (!info.driver.empty()) {
    text += " — " + info.driver;
  }
  return text;
}

}  // namespace travex
