// The parts of travex-cli that decide before anything is sent: which ports a command means,
// the clock it is to write, and the progress line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/clock_choice.h"
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
  // A port that cannot be used is kept with its problem; the others resolve.
  std::filesystem::create_symlink(roots.dev_dir + "/gone", roots.port_dir + "/com9");
  ASSERT_TRUE(ResolvePorts({"com7,COM9", roots.dev_dir + "/ttyUSB0x"}, &ports, roots).ok());
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_TRUE(ports[0].problem.ok());
  EXPECT_EQ(ports[1].problem.code, kExitPort);
  EXPECT_NE(ports[1].problem.message.find("points to " + roots.dev_dir + "/gone"),
            std::string::npos)
      << ports[1].problem.message;
  EXPECT_EQ(ports[2].problem.code, kExitPort);
  ASSERT_TRUE(ResolvePorts({"com7", roots.port_dir + "/../dev/ttyUSB0"}, &ports, roots).ok());
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].Label(),
            "COM7 (" + std::filesystem::canonical(roots.dev_dir + "/ttyUSB1").string() + ")");
  EXPECT_EQ(ports[1].name, "COM1");  // the first number without an entry
  EXPECT_EQ(ports[1].device, usb0);

  EXPECT_EQ(ResolvePorts({"COM1", usb0}, &ports, roots).code, kExitUsage);  // twice
  ASSERT_TRUE(ResolvePorts({"COM2"}, &ports, roots).ok());  // nothing behind it
  EXPECT_EQ(ports[0].problem.code, kExitPort);
  EXPECT_EQ(ResolvePorts({"COM65"}, &ports, roots).code, kExitUsage);
  EXPECT_EQ(ResolvePorts({"ttyUSB0"}, &ports, roots).code, kExitUsage);
  EXPECT_EQ(ResolvePorts({","}, &ports, roots).code, kExitUsage);
  ASSERT_TRUE(ResolvePorts({dir.File("stray")}, &ports, roots).ok());
  EXPECT_EQ(ports[0].problem.code, kExitPort);
  EXPECT_NE(ports[0].problem.message.find("has no COM number"), std::string::npos);

  // Addresses: given directly, or the target of a COM link (the port map never connects).
  std::filesystem::create_symlink("rfc2217://192.0.2.10:4001", roots.port_dir + "/com4");
  ASSERT_TRUE(ResolvePorts({"com4,tcp://[::1]:4002?baud=9600"}, &ports, roots).ok());
  EXPECT_EQ(ports[0].Label(), "COM4 (rfc2217://192.0.2.10:4001)");
  EXPECT_EQ(ports[0].Target(), PortTarget(4));
  EXPECT_EQ(ports[1].Target(), PortTarget::Address("tcp://[::1]:4002?baud=9600"));
  EXPECT_EQ(ResolvePorts({"tcp://host:4002"}, &ports, roots).code, kExitUsage);  // no rate
}

TEST(Clock, KeepNowOrADateTheLoggerCanHold) {
  ClockChoice choice;
  std::string why;
  uint32_t expected = 0;
  ASSERT_TRUE(ParseDeviceTime("2024-02-29 08:30:00", &expected));
  EXPECT_TRUE(ParseClock("2024-02-29T08:30:00", false, &choice, &why));
  EXPECT_EQ(choice.kind, ClockChoice::kFixed);
  EXPECT_EQ(choice.seconds, expected);
  EXPECT_TRUE(ParseClock("2024-02-29 08:30:00", false, &choice, &why));
  EXPECT_EQ(choice.seconds, expected);
  EXPECT_TRUE(ParseClock("now", false, &choice, &why));
  EXPECT_EQ(choice.kind, ClockChoice::kNow);
  EXPECT_TRUE(ParseClock("keep", true, &choice, &why));
  EXPECT_FALSE(ParseClock("keep", false, &choice, &why));  // set-time has nothing to keep
  EXPECT_FALSE(ParseClock("2024-02-29T8:30:00", false, &choice, &why));
  EXPECT_FALSE(ParseClock("2024-02-29X08:30:00", false, &choice, &why));
  // A refusal says why: no such day, or a date outside the logger's calendar.
  EXPECT_FALSE(ParseClock("2023-02-29T00:00:00", false, &choice, &why));
  EXPECT_EQ(why, "no such day: February 2023 has 28 days");
  EXPECT_FALSE(ParseClock("2024-13-01T00:00:00", false, &choice, &why));
  EXPECT_EQ(why, "no such month: 13 (1 to 12)");
  EXPECT_FALSE(ParseClock("2024-01-01T24:00:00", false, &choice, &why));
  EXPECT_EQ(why, "no such hour (0 to 23)");
  EXPECT_FALSE(ParseClock("2106-02-07T00:00:00", false, &choice, &why));
  EXPECT_EQ(why,
            "outside the logger's calendar, which runs from 1970-01-01 00:00:00 to "
            "2106-02-06 06:28:15");
  EXPECT_TRUE(ParseClock("2100-02-29T00:00:00", false, &choice, &why));  // the logger's leap year
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
