// The port list while the dialog runs: ports that come and go, the operator's choice kept, an
// empty list that says why, and no refresh while the search holds the port.
#include <gtest/gtest.h>

#include "params/gbk.h"
#include "tests/app/dialog_test_util.h"

namespace travex::testing {
namespace {

TEST(DialogPortList, FollowsThePortsAndKeepsTheChoice) {
  ScopedPortDir dir("portlist");
  dir.Link("com2", "/dev/null");
  dir.Link("com10", "/dev/null");
  DialogRig rig;
  rig.core.port_map_roots = dir.OnlyThisDirectory();
  rig.core.preferred_port = "COM2";  // remembered from the last run
  rig.core.InitDialog();
  FakeControl& port = rig.controls.controls[IDC_PORT];
  EXPECT_EQ(port.list, (std::vector<std::string>{"COM10", "COM2"}));
  EXPECT_EQ(port.text, "COM2");

  dir.Link("com7", "/dev/null");
  rig.core.RefreshPorts();
  EXPECT_EQ(port.list, (std::vector<std::string>{"COM10", "COM2", "COM7"}));
  EXPECT_EQ(port.text, "COM2");

  // A name the operator typed that is no entry stays; a chosen entry whose device went stays
  // chosen, marked absent.
  rig.controls.SetText(IDC_PORT, "COM40");
  std::filesystem::remove(dir.path() / "com7");
  rig.core.RefreshPorts();
  EXPECT_EQ(port.text, "COM40");
  rig.controls.SetSelection(IDC_PORT, 1);
  std::filesystem::remove(dir.path() / "com2");
  rig.core.RefreshPorts();
  EXPECT_EQ(port.text, "COM2" + Utf8ToGbk("（未连接）"));
  dir.Link("com2", "/dev/null");
  rig.core.RefreshPorts();
  EXPECT_EQ(port.text, "COM2");
}

// In another language the mark, the tool tips and the empty list speak it, and a chosen port
// still follows its device.
TEST(DialogPortList, SpeaksTheOperatorsLanguage) {
  ScopedPortDir dir("portwords");
  dir.Link("com1", "/dev/null");
  dir.Link("com2", "/dev/null");
  DialogRig rig;
  rig.core.preferred_port = "COM2";
  rig.controls.words = {{"（未连接）", " (gone)"},
                        {"设备不在：%1\n设备接回后，它仍是这个串口号", "gone: %1"},
                        {"未发现串口", "no ports"}};
  rig.core.port_map_roots = dir.OnlyThisDirectory();
  rig.core.InitDialog();
  FakeControl& port = rig.controls.controls[IDC_PORT];
  std::filesystem::remove(dir.path() / "com2");
  rig.core.RefreshPorts();
  EXPECT_EQ(port.text, "COM2 (gone)");
  EXPECT_EQ(port.tool_tips[1], "gone: /dev/null");
  dir.Link("com2", "/dev/null");
  rig.core.RefreshPorts();
  EXPECT_EQ(port.text, "COM2");

  ScopedPortDir empty("portwords-none");
  DialogRig none;
  none.controls.words = rig.controls.words;
  none.core.port_map_roots = empty.OnlyThisDirectory();
  none.core.InitDialog();
  EXPECT_EQ(none.controls.controls[IDC_PORT].unlisted, "no ports");
}

TEST(DialogPortList, SaysWhenThereIsNone) {
  ScopedPortDir dir("noports");
  DialogRig rig;
  rig.core.port_map_roots = dir.OnlyThisDirectory();
  rig.core.InitDialog();
  FakeControl& port = rig.controls.controls[IDC_PORT];
  EXPECT_TRUE(port.list.empty());
  EXPECT_EQ(port.unlisted, "未发现串口");
  EXPECT_FALSE(port.enabled);
  EXPECT_FALSE(rig.controls.controls[IDC_TEST_BAUD].enabled);

  dir.Link("com1", "/dev/null");
  rig.core.RefreshPorts();
  EXPECT_EQ(port.text, "COM1");
  EXPECT_TRUE(port.enabled);
  EXPECT_TRUE(rig.controls.controls[IDC_TEST_BAUD].enabled);
}

TEST(DialogPortList, WaitsForTheSearchToEnd) {
  ScopedPortDir dir("portsearch");
  dir.Link("com2", "/dev/null");  // not a serial line: the search ends at once
  DialogRig rig;
  rig.core.port_map_roots = dir.OnlyThisDirectory();
  rig.core.InitDialog();
  rig.core.OnTestBaud();
  dir.Link("com4", "/dev/null");
  rig.core.RefreshPorts();
  EXPECT_EQ(rig.controls.controls[IDC_PORT].list, (std::vector<std::string>{"COM2"}));
  EXPECT_FALSE(rig.controls.controls[IDC_PORT].enabled);

  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.controls.controls[IDC_PORT].list, (std::vector<std::string>{"COM2", "COM4"}));
  EXPECT_EQ(rig.controls.controls[IDC_PORT].text, "COM2");
  EXPECT_TRUE(rig.controls.controls[IDC_PORT].enabled);
}

}  // namespace
}  // namespace travex::testing
