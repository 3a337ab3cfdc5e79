#include "serial/port_map.h"
#include "serial/port_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pty_helper.h"

namespace travex {
namespace {

namespace fs = std::filesystem;

// A fake /dev and /sys/class/tty with a few serial devices, and a port directory.
class PortMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/travex-portmap-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = fs::canonical(tmpl).string();
    roots.port_dir = root + "/ports";
    roots.dev_dir = root + "/dev";
    roots.sys_tty_dir = root + "/sys";
    fs::create_directories(roots.port_dir);
    fs::create_directories(roots.dev_dir);
    fs::create_directories(roots.sys_tty_dir);
  }
  void TearDown() override { fs::remove_all(root); }

  void Device(const std::string& name) { std::ofstream(roots.dev_dir + "/" + name).put('\0'); }
  void Uart(const std::string& name, int type) {
    Device(name);
    fs::create_directories(roots.sys_tty_dir + "/" + name);
    std::ofstream(roots.sys_tty_dir + "/" + name + "/type") << type << "\n";
  }
  void Entry(unsigned number, const std::string& target) {
    fs::create_symlink(target, roots.port_dir + "/com" + std::to_string(number));
  }
  std::string Dev(const std::string& name) const { return roots.dev_dir + "/" + name; }
  // A USB adapter as sysfs shows it: the tty under an interface of the USB device.
  void UsbAdapter(const std::string& name, const std::string& serial) {
    Device(name);
    const std::string usb = root + "/usb/" + serial;
    fs::create_directories(usb + "/if/" + name);
    std::ofstream(usb + "/idVendor") << "0403\n";
    std::ofstream(usb + "/serial") << serial << "\n";
    fs::create_directories(roots.sys_tty_dir + "/" + name);
    fs::create_symlink(usb + "/if/" + name, roots.sys_tty_dir + "/" + name + "/device");
  }

  std::string root;
  PortMapRoots roots;
};

TEST_F(PortMapTest, EntriesPinNumbersAndDevicesFillTheRestInOrder) {
  Uart("ttyS0", 4);
  Uart("ttyS1", 0);  // no UART behind it
  Uart("ttyS2", 4);
  Uart("ttyS10", 14);
  Device("ttyS3");  // no sysfs information
  Device("ttyUSB1");
  Device("ttyUSB0");
  Device("ttyACM0");
  Device("ttyAMA0");
  Device("ttyUSBx");
  Entry(2, Dev("ttyUSB1"));
  Entry(4, root + "/gone");  // the adapter is unplugged: COM4 names nothing

  EXPECT_EQ(ResolveComPort(1, roots), Dev("ttyS0"));
  EXPECT_EQ(ResolveComPort(2, roots), Dev("ttyUSB1"));
  EXPECT_EQ(ResolveComPort(3, roots), Dev("ttyS2"));
  EXPECT_EQ(ResolveComPort(4, roots), "");
  EXPECT_EQ(ResolveComPort(5, roots), Dev("ttyS10"));
  EXPECT_EQ(ResolveComPort(6, roots), Dev("ttyUSB0"));
  EXPECT_EQ(ResolveComPort(7, roots), Dev("ttyACM0"));
  EXPECT_EQ(ResolveComPort(8, roots), "");

  const auto ports = ListComPorts(1, 30, roots);
  ASSERT_EQ(ports.size(), 6u);
  const unsigned numbers[] = {1, 2, 3, 5, 6, 7};
  for (size_t i = 0; i < ports.size(); ++i) EXPECT_EQ(ports[i].number, numbers[i]);
  EXPECT_EQ(ports[1].device, Dev("ttyUSB1"));
}

TEST_F(PortMapTest, NumbersStayWithTheirDevicesWhileTheProgramRuns) {
  Device("ttyUSB0");
  Device("ttyUSB1");
  UsbAdapter("ttyUSB2", "A5");
  ComPortNumbering numbering;
  numbering.Refresh(roots);
  EXPECT_EQ(numbering.Resolve(1), Dev("ttyUSB0"));

  fs::remove(Dev("ttyUSB0"));  // unplugged
  Device("ttyUSB3");           // another adapter plugged in
  EXPECT_EQ(ResolveComPort(1, roots), Dev("ttyUSB1"));  // the plain rules move COM1 on
  EXPECT_EQ(numbering.Resolve(1), "");                   // held for its own device
  EXPECT_EQ(numbering.Resolve(2), Dev("ttyUSB1"));
  EXPECT_EQ(numbering.Resolve(4), Dev("ttyUSB3"));
  const auto slots = numbering.Slots(1, 30);
  ASSERT_EQ(slots.size(), 4u);
  EXPECT_EQ(slots[0].device, Dev("ttyUSB0"));
  EXPECT_FALSE(slots[0].present);
  EXPECT_TRUE(slots[3].present);

  Device("ttyUSB0");  // back
  EXPECT_EQ(numbering.Resolve(1), Dev("ttyUSB0"));
  // An adapter with a serial number is itself under whatever node it comes back as.
  fs::remove(Dev("ttyUSB2"));
  UsbAdapter("ttyUSB5", "A5");
  EXPECT_EQ(numbering.Resolve(3), Dev("ttyUSB5"));
  EXPECT_EQ(numbering.Resolve(5), "");
}

TEST_F(PortMapTest, RangeLimits) {
  Entry(30, Dev("a"));
  Entry(31, Dev("b"));
  Entry(64, Dev("c"));
  Device("a");
  Device("b");
  Device("c");
  Device("ttyUSB0");
  Entry(65, Dev("ttyUSB0"));  // beyond the numbers: ignored, the device gets COM1

  const auto ports = ListComPorts(1, 30, roots);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].number, 1u);
  EXPECT_EQ(ports[0].device, Dev("ttyUSB0"));
  EXPECT_EQ(ports[1].number, 30u);
  EXPECT_EQ(ResolveComPort(64, roots), Dev("c"));
  EXPECT_EQ(ResolveComPort(0, roots), "");
  EXPECT_EQ(ResolveComPort(65, roots), "");
  EXPECT_EQ(PortEntryPath(0, roots), "");
  EXPECT_EQ(PortEntryPath(65, roots), "");
  EXPECT_EQ(PortEntryPath(12, roots), roots.port_dir + "/com12");
  EXPECT_TRUE(ListComPorts(40, 30, roots).empty());
}

TEST_F(PortMapTest, ALinkToAPseudoTerminalResolvesToIt) {
  testing::Pty pty;
  ASSERT_TRUE(pty.ok());
  Entry(12, pty.slave_path);
  EXPECT_EQ(ResolveComPort(12, roots), pty.slave_path);
}

// Sets or unsets one environment variable for the life of the object.
class EnvOverride {
 public:
  EnvOverride(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      had_ = true;
      old_ = old;
    }
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvOverride() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  EnvOverride(const EnvOverride&) = delete;
  EnvOverride& operator=(const EnvOverride&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(PortDirectory, EnvironmentDecidesWhere) {
  EnvOverride home("HOME", "/home/op");
  {
    EnvOverride dir("TRAVEX_PORT_DIR", "/run/ports");
    EnvOverride xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(PortDirectory(), "/run/ports");
  }
  EnvOverride dir("TRAVEX_PORT_DIR", nullptr);
  {
    EnvOverride xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(PortDirectory(), "/cfg/travex/ports");
  }
  {
    EnvOverride xdg("XDG_CONFIG_HOME", "relative");  // not absolute: ignored
    EXPECT_EQ(PortDirectory(), "/home/op/.config/travex/ports");
  }
  EnvOverride xdg("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(PortDirectory(), "/home/op/.config/travex/ports");
  EnvOverride empty_dir("TRAVEX_PORT_DIR", "");
  EXPECT_EQ(PortDirectory(), "/home/op/.config/travex/ports");
}

}  // namespace
}  // namespace travex

namespace travex {
namespace {

// A USB adapter as sysfs shows it: the tty under an interface of the USB device.
TEST(PortInfo, UsbAdaptersTellVendorProductAndSerialNumber) {
  testing::PortDir sys;
  const std::string usb = sys.path + "/devices/usb1/1-1";
  std::filesystem::create_directories(usb + "/1-1:1.0/ttyUSB7");
  std::filesystem::create_directories(sys.path + "/drivers/ftdi_sio");
  std::filesystem::create_directories(sys.path + "/class/ttyUSB7");
  std::filesystem::create_symlink(usb + "/1-1:1.0/ttyUSB7", sys.path + "/class/ttyUSB7/device");
  std::filesystem::create_symlink(sys.path + "/drivers/ftdi_sio", usb + "/1-1:1.0/ttyUSB7/driver");
  const std::pair<const char*, const char*> files[] = {{"idVendor", "0403\n"}, {"idProduct", "6001\n"},
      {"manufacturer", "FTDI\n"}, {"product", "FT232R USB UART\n"}, {"serial", "A50285BI\n"}};
  for (const auto& [name, text] : files) std::ofstream(usb + "/" + name) << text;

  const SerialPortInfo info = DescribeSerialPort("/dev/ttyUSB7", sys.path + "/class");
  EXPECT_TRUE(info.usb);
  EXPECT_EQ(info.driver, "ftdi_sio");
  EXPECT_EQ(SerialPortSummary(info), "/dev/ttyUSB7 — FTDI FT232R USB UART (0403:6001), S/N A50285BI");
  EXPECT_FALSE(info.accessible);  // no such device here

  const SerialPortInfo plain = DescribeSerialPort("/dev/ttyS9", sys.path + "/class");
  EXPECT_FALSE(plain.usb);
  EXPECT_EQ(SerialPortSummary(plain), "/dev/ttyS9");
}

}  // namespace
}  // namespace travex
