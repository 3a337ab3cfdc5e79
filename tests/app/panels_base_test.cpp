#include <gtest/gtest.h>

#include "app/panels_fixture.h"
#include "params/calendar.h"

namespace travex::testing {
namespace {

TEST(BasePanel, InitialStateShowsTheInitialImage) {
  PanelRig rig;
  EXPECT_EQ(rig.controls.controls[IDC_COMM_BAUD].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_PARITY].selection, 0);
  EXPECT_EQ(rig.Text(IDC_RS485_POLL), "0");
  EXPECT_EQ(rig.Text(IDC_YEAR), "1970");
  EXPECT_EQ(rig.Text(IDC_MONTH), "1");
  EXPECT_EQ(rig.Text(IDC_DAY), "1");
  EXPECT_EQ(rig.Text(IDC_HOUR), "0");
  EXPECT_EQ(rig.Text(IDC_SECOND), "0");
  EXPECT_EQ(rig.Text(IDC_VERSION), "---");
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_FALSE(rig.controls.controls[id].visible) << id;
  }
  EXPECT_EQ(rig.controls.controls[IDC_ARG1_CHANNEL].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_ARG2_CHANNEL].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_GEAR].selection, 0);
  EXPECT_EQ(rig.Text(IDC_ALARM_VALUE), "0.000000");
  EXPECT_EQ(rig.Text(IDC_FUNC_CODE), Utf8ToGbk("03功能码"));
  EXPECT_EQ(rig.controls.controls[IDC_DECIMALS].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_DATA_TYPE].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_ENABLE].check, 0);
  EXPECT_EQ(rig.controls.panes[0], "");
}

TEST(BasePanel, NumbersKeepTheirLowBitsAndRoundTrip) {
  PanelRig rig;
  rig.Type(IDC_RS485_POLL, "70000");
  rig.Type(IDC_RS485_TIMEOUT, "500");
  rig.Type(IDC_RS485_RETRIES, "abc");
  rig.Type(IDC_STORE_INTERVAL, "65535");
  rig.Type(IDC_LCD_ON_TIME, "65536");
  rig.store.CollectBaseInfo();
  const BaseInfoBlock& b = rig.store.image.base;
  EXPECT_EQ(b.rs485_poll_interval, 4464);
  EXPECT_EQ(b.rs485_timeout, 500);
  EXPECT_EQ(b.rs485_retries, 0);
  EXPECT_EQ(b.store_interval, 65535);
  EXPECT_EQ(b.lcd_on_time, 0);
  rig.store.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_RS485_POLL), "4464");
}

TEST(BasePanel, UnknownBaudAndParityAreReportedAndSelectorsStay) {
  PanelRig rig;
  rig.controls.SetSelection(IDC_COMM_BAUD, 2);  // 9600
  rig.controls.SetSelection(IDC_PARITY, 1);
  rig.store.image.base.comm_baud = 1200;
  rig.store.ShowBaseInfo();
  EXPECT_EQ(rig.controls.panes[0], "设备通信波特率错误");
  EXPECT_EQ(rig.controls.controls[IDC_COMM_BAUD].selection, 2);
  rig.store.CollectBaseInfo();
  EXPECT_EQ(rig.store.image.base.comm_baud, 9600u);

  rig.controls.SetSelection(IDC_PARITY, 1);
  rig.store.image.base.parity = 3;
  rig.store.image.base.comm_baud = 1200;
  rig.controls.pane_history[0].clear();
  rig.store.ShowBaseInfo();
  // Both bad: the parity message is the one that remains.
  EXPECT_EQ(rig.controls.pane_history[0],
            (std::vector<std::string>{"设备通信波特率错误", "奇偶校验错误"}));
  EXPECT_EQ(rig.controls.controls[IDC_PARITY].selection, 1);

  rig.store.image.base.parity = 2;
  rig.store.image.base.comm_baud = 115200;
  rig.store.ShowBaseInfo();
  EXPECT_EQ(rig.controls.controls[IDC_PARITY].selection, 2);
  EXPECT_EQ(rig.controls.controls[IDC_COMM_BAUD].selection, 8);
}

TEST(BasePanel, NoSelectionKeepsBaudAndGivesParity255) {
  PanelRig rig;
  rig.store.image.base.comm_baud = 57600;
  rig.controls.SetSelection(IDC_COMM_BAUD, -1);
  rig.controls.SetSelection(IDC_PARITY, -1);
  rig.store.CollectBaseInfo();
  EXPECT_EQ(rig.store.image.base.comm_baud, 57600u);
  EXPECT_EQ(rig.store.image.base.parity, 255);
}

TEST(BasePanel, VersionTextAndCoefficientControlsFollowTheFirmwareVersion) {
  PanelRig rig;
  rig.store.fw_version = 0x0102;
  rig.store.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_VERSION), "V1:02");
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_TRUE(rig.controls.controls[id].visible) << id;
  }
  rig.store.fw_version = 0;
  rig.store.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_VERSION), "V1:02");
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_FALSE(rig.controls.controls[id].visible) << id;
  }
  rig.store.fw_version = 0x0A05;
  rig.store.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_VERSION), "V10:05");
}

TEST(BasePanel, ClockFieldsConvertBothWays) {
  PanelRig rig;
  rig.Type(IDC_YEAR, "2024");
  rig.Type(IDC_MONTH, "2");
  rig.Type(IDC_DAY, "29");
  rig.Type(IDC_HOUR, "0");
  rig.Type(IDC_MINUTE, "0");
  rig.Type(IDC_SECOND, "0");
  rig.store.CollectBaseInfo();
  EXPECT_EQ(rig.store.image.base.device_time, 1709164800u);

  rig.store.image.base.device_time = 0;
  rig.store.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_YEAR), "1970");
  EXPECT_EQ(rig.Text(IDC_MONTH), "1");
  EXPECT_EQ(rig.Text(IDC_DAY), "1");

  rig.Type(IDC_YEAR, "2024");
  rig.Type(IDC_MONTH, "300");
  DateTimeFields fields{};
  rig.store.ReadDateTimeFields(&fields);
  EXPECT_EQ(fields.month, 44);
  EXPECT_EQ(fields.year, 2024);
}

TEST(BasePanel, NowFillsTheClockEditsOnly) {
  PanelRig rig;
  rig.store.FillCurrentTime();
  const uint32_t year = ParseDialogUnsigned(rig.Text(IDC_YEAR));
  EXPECT_GE(year, 2024u);
  const uint32_t month = ParseDialogUnsigned(rig.Text(IDC_MONTH));
  EXPECT_GE(month, 1u);
  EXPECT_LE(month, 12u);
  EXPECT_EQ(rig.store.image.base.device_time, 0u);
}

}  // namespace
}  // namespace travex::testing
