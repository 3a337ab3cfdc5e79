// The serial-information band against the simulated logger: the baud search, the query and the
// set handlers.
#include <pty.h>
#include <unistd.h>

#include "tests/app/dialog_e2e_util.h"

namespace travex::testing {
namespace {

class SerialBandE2E : public DialogE2E {};

TEST_F(SerialBandE2E, SearchFindsTheLoggerAt19200AndLeavesThePortOpen) {
  StartLogger({"--baud", "19200", "--address", "1"}, /*open_port=*/false);
  rig.core.OnTestBaud();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设备波特率:19200");
  EXPECT_EQ(rig.Pane(1), "设备地址：1");
  EXPECT_EQ(rig.Pane(2), "");
  EXPECT_EQ(rig.Pane(3), "");
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.baud_rate, 19200u);
  EXPECT_EQ(rig.controls.controls[IDC_DEV_ADDR].text, "1");
  EXPECT_EQ(rig.controls.controls[IDC_DEV_BAUD].text, "19200");
  for (int id : {IDC_ADDR_QUERY, IDC_ADDR_SET, IDC_BAUD_QUERY, IDC_BAUD_SET}) {
    EXPECT_TRUE(rig.controls.controls[id].enabled) << id;
  }
}

TEST_F(SerialBandE2E, AReplySplitAcrossTwoPollsIsStillAccepted) {
  // At 2400 bit/s the reply takes 29 ms; split in two parts 100 ms apart it straddles a poll.
  StartLogger({"--baud", "2400", "--address", "9", "--split", "100"}, /*open_port=*/false);
  rig.core.OnTestBaud();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设备波特率:2400");
  EXPECT_EQ(rig.Pane(1), "设备地址：9");
  EXPECT_EQ(rig.port.baud_rate, 2400u);
}

TEST_F(SerialBandE2E, APortHeldByAnotherProgramEndsTheSearchWithOneMessage) {
  StartLogger({"--baud", "9600"}, /*open_port=*/false);
  CComPort other;
  other.Configure(static_cast<uint8_t>(sim.com_number()), 8, 0, 0, 9600);
  ASSERT_NE(other.Open(), 0);
  rig.core.OnTestBaud();
  ASSERT_TRUE(rig.Settle());
  other.Close();
  EXPECT_EQ(rig.Pane(0), "串口打开失败");
  EXPECT_EQ(rig.Pane(1), "串口被其他程序占用");
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_EQ(rig.controls.messages[0].caption, "警告");
  // The message names who holds the port.
  EXPECT_NE(rig.controls.messages[0].text.find(std::to_string(getpid())), std::string::npos);
  EXPECT_EQ(rig.port.baud_rate, 2400u);  // no other rate was tried
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(CountRequests(LogPath()), 0);
}

TEST_F(SerialBandE2E, SetAddressAndBaudSendTheLowBitsAndCodes) {
  StartLogger({"--baud", "2400", "--no-pacing"}, /*open_port=*/true, 2400);

  rig.controls.controls[IDC_DEV_ADDR].text = "300";
  rig.core.OnSetAddress();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设置成功");
  rig.core.OnQueryAddress();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设备地址：44");
  EXPECT_EQ(rig.Pane(1), "设备波特率：2400");

  rig.controls.controls[IDC_DEV_ADDR].text = "-1";
  rig.core.OnSetAddress();
  ASSERT_TRUE(rig.Settle());
  rig.core.OnQueryBaud();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设备地址：255");

  rig.controls.controls[IDC_DEV_ADDR].text = "256";
  rig.core.OnSetAddress();
  ASSERT_TRUE(rig.Settle());
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_EQ(rig.controls.messages[0].text, "地址不能为0");

  rig.controls.controls[IDC_DEV_BAUD].text = "2";
  rig.controls.SetStatusTexts("", "", "", "");
  rig.core.OnSetBaud();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设置成功");
  // The logger now runs at 4800: the port still at 2400 hears nothing.
  rig.core.OnQueryAddress();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "读取失败");
  EXPECT_EQ(rig.Pane(1), "波特率未知");
  EXPECT_EQ(rig.Pane(2), "地址未知");
  rig.core.OnTestBaud();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设备波特率:4800");
  EXPECT_EQ(rig.Pane(1), "设备地址：255");
}

TEST(SerialBandNoLogger, NineRatesWithoutAnswerLeaveThePortOpenAt115200) {
  int master = -1;
  int slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  ScopedPortDir dir("nologger");
  dir.Link("com3", name);
  DialogRig rig;
  rig.core.port_map_roots = dir.OnlyThisDirectory();
  rig.core.InitDialog();
  rig.controls.controls[IDC_PORT].text = "COM3";
  rig.core.OnTestBaud();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "测试失败");
  EXPECT_EQ(rig.Pane(1), "波特率未知");
  EXPECT_EQ(rig.Pane(2), "地址未知");
  EXPECT_EQ(rig.Pane(3), "");
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.baud_rate, 115200u);
  EXPECT_TRUE(rig.controls.messages.empty());
  rig.core.Shutdown();
  rig.port.Close();
  close(slave);
  close(master);
}

}  // namespace
}  // namespace travex::testing
