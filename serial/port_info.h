// What a serial device is, for the port lists of the dialog and the command line: its driver
// and, for a USB adapter, the vendor, product and serial number the adapter reports. Read from
// sysfs only; nothing is opened.
#pragma once

#include <string>

namespace travex {

struct SerialPortInfo {
  std::string device;        // "/dev/ttyUSB0"
  std::string driver;        // "ftdi_sio", "cdc_acm", "serial8250", ... (empty when unknown)
  bool usb = false;
  std::string vendor_id;     // "0403" (USB only)
  std::string product_id;    // "6001"
  std::string manufacturer;  // "FTDI"
  std::string product;       // "FT232R USB UART"
  std::string serial;        // "A50285BI"
  bool accessible = false;   // this user may open it for reading and writing
};

// sys_tty_dir is /sys/class/tty unless a test points elsewhere.
SerialPortInfo DescribeSerialPort(const std::string& device,
                                  const std::string& sys_tty_dir = "/sys/class/tty");

// One line for a person: "/dev/ttyUSB0 — FTDI FT232R USB UART (0403:6001), S/N A50285BI".
std::string SerialPortSummary(const SerialPortInfo& info);

}  // namespace travex
