// Start-up, the port list, the port check of the request handlers and the small parsers of the
// serial band, without a logger.
#include <gtest/gtest.h>

#include "tests/app/dialog_test_util.h"

namespace travex::testing {
namespace {

TEST(DialogStartup, PanesBlankListsOnFirstChannelCoefficientsHiddenPortsInTextOrder) {
  ScopedPortDir dir("startup");
  dir.Link("com2", "/dev/null");
  dir.Link("com10", "/dev/null");
  dir.Link("com31", "/dev/null");  // beyond the listed range
  DialogRig rig;
  rig.core.port_map_roots = dir.OnlyThisDirectory();
  for (int i = 0; i < 4; ++i) rig.controls.panes[i] = "485Status" + std::to_string(i + 1);

  rig.core.InitDialog();

  for (int i = 0; i < 4; ++i) EXPECT_EQ(rig.Pane(i), "") << "pane " << i;
  const FakeControl& port = rig.controls.controls[IDC_PORT];
  ASSERT_EQ(port.list, (std::vector<std::string>{"COM10", "COM2"}));
  ASSERT_EQ(port.tool_tips.size(), 2u);
  EXPECT_NE(port.tool_tips[0].find("null"), std::string::npos);
  EXPECT_EQ(port.selection, 0);
  EXPECT_EQ(port.text, "COM10");
  EXPECT_TRUE(port.enabled);

  EXPECT_EQ(rig.controls.controls[IDC_ARG1_CHANNEL].text, Utf8ToGbk("通道1"));
  EXPECT_EQ(rig.controls.controls[IDC_ARG2_CHANNEL].text, Utf8ToGbk("通道1"));
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_FALSE(rig.controls.controls[id].visible) << id;
  }
  for (int id : {IDC_ADDR_QUERY, IDC_ADDR_SET, IDC_BAUD_QUERY, IDC_BAUD_SET}) {
    EXPECT_FALSE(rig.controls.controls[id].enabled) << id;
  }
  EXPECT_EQ(rig.controls.controls[IDC_VERSION].text, "---");

  rig.core.Shutdown();
  rig.core.Shutdown();  // idempotent
  EXPECT_FALSE(rig.core.Busy());
}

TEST(DialogStartup, NoPortsDisablesListAndSearchButton) {
  ScopedPortDir dir("noports");
  DialogRig rig;
  rig.core.port_map_roots = dir.OnlyThisDirectory();
  rig.core.InitDialog();
  EXPECT_TRUE(rig.controls.controls[IDC_PORT].list.empty());
  EXPECT_FALSE(rig.controls.controls[IDC_PORT].enabled);
  EXPECT_FALSE(rig.controls.controls[IDC_TEST_BAUD].enabled);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(rig.Pane(i), "");
}

TEST(DialogPortCheck, ClosedPortRefusesEveryRequestAndCollectsNothing) {
  ScopedPortDir dir("closed");
  DialogRig rig;
  rig.core.InitDialog();
  rig.controls.controls[IDC_RS485_POLL].text = "1234";
  rig.controls.controls[IDC_SLAVE_ADDR].text = "77";

  using Handler = void (CDialogCore::*)();
  for (Handler h : {&CDialogCore::OnReadBase, &CDialogCore::OnWriteBase, &CDialogCore::OnReadArg1,
                    &CDialogCore::OnWriteArg1, &CDialogCore::OnReadArg2, &CDialogCore::OnWriteArg2,
                    &CDialogCore::OnReadAll, &CDialogCore::OnWriteAll}) {
    rig.controls.SetStatusTexts("x", "x", "x", "x");
    (rig.core.*h)();
    EXPECT_EQ(rig.Pane(0), "请先打开串口");
    EXPECT_EQ(rig.Pane(1), "");
    EXPECT_EQ(rig.Pane(2), "");
    EXPECT_EQ(rig.Pane(3), "");
  }
  EXPECT_EQ(rig.core.param_store.image.base.rs485_poll_interval, 0);
  EXPECT_EQ(rig.core.param_store.image.arg2[0].slave_addr, 0);
  EXPECT_FALSE(rig.core.Busy());
  EXPECT_FALSE(rig.core.session().RunArmed(BulkRun::kRead));
  EXPECT_FALSE(rig.core.session().RunArmed(BulkRun::kWrite));
  EXPECT_FALSE(rig.core.RunInProgress());
  // The typed values were neither written nor exported: closing asks first.
  EXPECT_TRUE(rig.core.HasUnsavedEdits());
  rig.controls.yes_no_answer = false;
  EXPECT_FALSE(rig.core.ConfirmClose());
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_EQ(rig.controls.messages[0].caption, "Travex配置软件");
}

TEST(DialogProgress, PaneThreeShowsTheBlockInTransfer) {
  DialogRig rig;
  rig.core.OnParamProgress(0, 0);
  EXPECT_EQ(rig.Pane(3), "读取基础参数");
  rig.core.OnParamProgress(5, 17);
  EXPECT_EQ(rig.Pane(3), "写入参数2通道:17");
  rig.core.OnParamProgress(6, 3);
  EXPECT_EQ(rig.Pane(3), "写入参数2通道:17");
}

TEST(DialogPanels, ChannelChangeWithNoSelectionKeepsTheShownChannel) {
  DialogRig rig;
  rig.core.InitDialog();
  rig.controls.controls[IDC_ALARM_TEXT].text = "edited";
  rig.controls.controls[IDC_ARG1_CHANNEL].selection = -1;
  rig.core.OnArg1ChannelChange();
  EXPECT_EQ(rig.core.panels().Arg1Channel(), 0);
  EXPECT_STREQ(rig.core.param_store.image.arg1[0].alarm_text, "edited");

  rig.controls.SetSelection(IDC_ARG1_CHANNEL, 4);
  rig.core.OnArg1ChannelChange();
  EXPECT_EQ(rig.core.panels().Arg1Channel(), 4);
  EXPECT_EQ(rig.controls.controls[IDC_ALARM_TEXT].text, "");
}

TEST(SerialBandParsing, PortNumberFromText) {
  EXPECT_EQ(PortNumberFromText("COM12"), 12);
  EXPECT_EQ(PortNumberFromText("COM"), 0);
  EXPECT_EQ(PortNumberFromText("COM300"), 44);
  EXPECT_EQ(PortNumberFromText("COM 7x"), 7);
  EXPECT_EQ(PortNumberFromText("XYZ3"), 3);
  EXPECT_EQ(PortNumberFromText("COM-1"), 255);
  EXPECT_EQ(PortNumberFromText("COMabc"), 0);
  EXPECT_EQ(PortNumberFromText("CO"), 0);
}

TEST(SerialBandParsing, SignedControlText) {
  EXPECT_EQ(ParseDialogSigned("300"), 300);
  EXPECT_EQ(ParseDialogSigned(" -1 "), -1);
  EXPECT_EQ(ParseDialogSigned("abc"), 0);
  EXPECT_EQ(ParseDialogSigned("12abc"), 0);
  EXPECT_EQ(ParseDialogSigned(""), 0);
  EXPECT_EQ(ParseDialogSigned("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseDialogSigned("2147483648"), 0);
}

TEST(SerialBand, SetHandlersRefuseBadValuesWithoutSending) {
  DialogRig rig;
  rig.core.InitDialog();
  rig.controls.controls[IDC_DEV_ADDR].text = "256";
  rig.core.OnSetAddress();
  rig.controls.controls[IDC_DEV_BAUD].text = "19200";
  rig.core.OnSetBaud();
  ASSERT_EQ(rig.controls.messages.size(), 2u);
  EXPECT_EQ(rig.controls.messages[0].text, "地址不能为0");
  EXPECT_EQ(rig.controls.messages[0].caption, "Travex配置软件");
  EXPECT_EQ(rig.controls.messages[0].icon, MessageIcon::kNone);
  EXPECT_EQ(rig.controls.messages[1].text, "波特率错误");
  EXPECT_EQ(rig.controls.messages[1].caption, "Travex配置软件");
}

TEST(SerialBand, OpenFailureShowsOneMessageAndTriesNoOtherRate) {
  ScopedPortDir dir("missing");
  DialogRig rig;
  rig.core.InitDialog();
  rig.controls.controls[IDC_PORT].text = "COM5";  // no entry, no device
  rig.core.OnTestBaud();
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "串口打开失败");
  EXPECT_EQ(rig.Pane(1), "请检查设备连接");
  EXPECT_EQ(rig.Pane(2), "");
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_EQ(rig.controls.messages[0].caption, "警告");
  EXPECT_EQ(rig.controls.messages[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(rig.controls.messages[0].text.rfind("串口打开失败", 0), 0u);
  EXPECT_EQ(rig.port.baud_rate, 2400u);
  EXPECT_FALSE(rig.port.IsOpen());
}

}  // namespace
}  // namespace travex::testing
