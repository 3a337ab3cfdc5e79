// The parts of travex-cli that decide before anything is sent: which ports a command means,
// the clock it is to write, and the progress line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/port_list.h"
#include "cli/progress.h"
#include "paramfile/temp_folder.h"
#include "params/field_table.h"

namespace travex::cli {
namespace {

TEST(PortList, ComNamesAndDevicePathsNameOnePortEach) {
  testing::TempFolder dir;
  ASSERT_TRUE(dir.ok());
  PortMapRoots roots;
  roots.port_dir = dir.File("ports");
  roots.dev_dir = dir.File("dev");
  roots.sys_tty_dir = dir.File("sys");
  for (const std::string& d : {roots.port_dir, roots.dev_dir, roots.sys_tty_dir}) {
    std::filesystem::create_directory(d);
  }
  std::ofstream(roots.dev_dir + "/ttyUSB0").put('\0');
  std::ofstream(roots.dev_dir + "/ttyUSB1").put('\0');
  std::ofstream(dir.File("stray")).put('\0');
  std::filesystem::create_symlink(roots.dev_dir + "/ttyUSB1", roots.port_dir + "/com7");
  const std::string usb0 = std::filesystem::canonical(roots.dev_dir + "/ttyUSB0");

  std::vector<PortRef> ports;
  ASSERT_TRUE(ResolvePorts({"com7,COM1", roots.dev_dir + "/ttyUSB0x"}, &ports, roots).code ==
              kExitPort);
  ASSERT_TRUE(ResolvePorts({"com7", roots.port_dir + "/../dev/ttyUSB0"}, &ports, roots).ok());
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].Label(),
            "COM7 (" + std::filesystem::canonical(roots.dev_dir + "/ttyUSB1").string() + ")");
  EXPECT_EQ(ports[1].name, "COM1");  // the first number without an entry
  EXPECT_EQ(ports[1].device, usb0);

  EXPECT_EQ(ResolvePorts({"COM1", usb0}, &ports, roots).code, kExitUsage);  // twice
  EXPECT_EQ(ResolvePorts({"COM2"}, &ports, roots).code, kExitPort);         // nothing behind it
  EXPECT_EQ(ResolvePorts({"COM65"}, &ports, roots).code, kExitUsage);
  EXPECT_EQ(ResolvePorts({"ttyUSB0"}, &ports, roots).code, kExitUsage);
  EXPECT_EQ(ResolvePorts({","}, &ports, roots).code, kExitUsage);
  const Outcome stray = ResolvePorts({dir.File("stray")}, &ports, roots);
  EXPECT_EQ(stray.code, kExitPort);
  EXPECT_NE(stray.message.find("has no COM number"), std::string::npos) << stray.message;
}

TEST(Clock, KeepNowOrADateTheLoggerCanHold) {
  ClockChoice choice;
  uint32_t expected = 0;
  ASSERT_TRUE(ParseDeviceTime("2024-02-29 08:30:00", &expected));
  EXPECT_TRUE(ParseClock("2024-02-29T08:30:00", false, &choice));
  EXPECT_EQ(choice.kind, ClockChoice::kFixed);
  EXPECT_EQ(choice.seconds, expected);
  EXPECT_TRUE(ParseClock("2024-02-29 08:30:00", false, &choice));
  EXPECT_EQ(choice.seconds, expected);
  EXPECT_TRUE(ParseClock("now", false, &choice));
  EXPECT_EQ(choice.kind, ClockChoice::kNow);
  EXPECT_TRUE(ParseClock("keep", true, &choice));
  EXPECT_FALSE(ParseClock("keep", false, &choice));  // set-time has nothing to keep
  EXPECT_FALSE(ParseClock("2023-02-29T00:00:00", false, &choice));
  EXPECT_FALSE(ParseClock("2024-02-29T8:30:00", false, &choice));
  EXPECT_FALSE(ParseClock("2024-02-29X08:30:00", false, &choice));
}

TEST(Progress, OneLineForAllPortsNeverWiderThanTheTerminal) {
  std::vector<CProgressBoard::Row> rows = {{"COM3", "writing set 1 12", 12, 97, false}};
  EXPECT_EQ(CProgressBoard::Render(rows, 80),
            "[###---------------------] 12%  COM3 12/97 writing set 1 12");
  rows.push_back({"COM4", "searching 4800", 0, 0, false});
  rows.push_back({"COM5", "", 0, 0, true});
  EXPECT_EQ(CProgressBoard::Render(rows, 80),
            "[#########---------------] 37%  1/3 done  COM3 12/97  COM4 searching 4800");
  EXPECT_EQ(CProgressBoard::Render(rows, 20).size(), 20u);
}

}  // namespace
}  // namespace travex::cli
