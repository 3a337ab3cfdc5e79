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
  // The tool's own function code 0 shows as the first entry and is collected as it (not as
  // an edit).
  EXPECT_EQ(rig.controls.controls[IDC_FUNC_CODE].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_FUNC_CODE].unlisted, "");
  EXPECT_FALSE(rig.panels.ControlsDiffer());
  const CollectResult collected = rig.panels.CollectArg2(1);
  EXPECT_FALSE(collected.AnyChange());
  EXPECT_EQ(rig.store.image.arg2[0].func_code, 3);
  EXPECT_EQ(rig.store.image.arg2[1].func_code, 0);  // not viewed yet
  EXPECT_EQ(rig.controls.controls[IDC_DECIMALS].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_DATA_TYPE].selection, 0);
  EXPECT_EQ(rig.controls.controls[IDC_ENABLE].check, 0);
  EXPECT_EQ(rig.controls.panes[0], "");
}

// The template has no entries: the panels put in the dialog's own texts (GBK, as every text).
TEST(BasePanel, TheSelectorsAreFilledWithTheDialogsEntries) {
  PanelRig rig;
  const struct {
    int id;
    size_t count;
    size_t index;
    const char* text;
  } cases[] = {{IDC_COMM_BAUD, 9, 6, "56000"},         {IDC_PARITY, 3, 2, "偶校验"},
               {IDC_FUNC_CODE, 2, 1, "04功能码"},       {IDC_DECIMALS, 6, 5, "5"},
               {IDC_DATA_TYPE, 16, 12, "浮点型低Word高Byte"}, {IDC_ARG1_CHANNEL, 32, 31, "通道32"},
               {IDC_ARG2_CHANNEL, 32, 0, "通道1"},      {IDC_GEAR, 9, 8, "遥调档位其他"}};
  for (const auto& c : cases) {
    const std::vector<std::string>& list = rig.controls.controls[c.id].list;
    ASSERT_EQ(list.size(), c.count) << c.text;
    EXPECT_EQ(list[c.index], Utf8ToGbk(c.text));
  }
}

TEST(BasePanel, NumbersMustFitTheirFieldsAndARefusedCollectStoresNothing) {
  PanelRig rig;
  rig.Type(IDC_RS485_TIMEOUT, "500");
  rig.Type(IDC_STORE_INTERVAL, "65535");
  for (const char* bad : {"70000", "abc", "-1", "1.5", ""}) {
    rig.Type(IDC_RS485_POLL, bad);
    const CollectResult result = rig.panels.CollectBaseInfo();
    ASSERT_FALSE(result.ok) << bad;
    EXPECT_EQ(result.problem.label, "485轮询间隔");
    EXPECT_EQ(result.problem.channel, -1);
    EXPECT_EQ(result.problem.text, bad);
    EXPECT_EQ(rig.store.image.base.rs485_timeout, 0);
  }
  rig.Type(IDC_RS485_POLL, " 1000 ");
  // The clock is a date of the logger's calendar: the first field outside its range is named.
  struct Clock {
    int id;
    const char* typed;
    const char* label;
    const char* range;
  };
  for (const Clock& c : {Clock{IDC_MONTH, "300", "当前时间（月）", "1 到 12 之间的整数"},
                         Clock{IDC_MONTH, "13", "当前时间（月）", "1 到 12 之间的整数"},
                         Clock{IDC_DAY, "29", "当前时间（日）", "1 到 28 之间的整数"},
                         Clock{IDC_HOUR, "24", "当前时间（时）", "0 到 23 之间的整数"},
                         Clock{IDC_YEAR, "2200", "当前时间（年）", "1970 到 2106 之间的整数"}}) {
    rig.Type(IDC_MONTH, "2");  // February 1970
    rig.Type(c.id, c.typed);
    const CollectResult refused = rig.panels.CollectBaseInfo();
    EXPECT_EQ(refused.problem.label, c.label) << c.typed;
    EXPECT_EQ(refused.problem.range, c.range) << c.typed;
    rig.Type(c.id, c.id == IDC_YEAR ? "1970" : "1");
  }
  rig.Type(IDC_MONTH, "2");
  const CollectResult result = rig.panels.CollectBaseInfo();
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.base_changed);
  const BaseInfoBlock& b = rig.store.image.base;
  EXPECT_EQ(b.rs485_poll_interval, 1000);
  EXPECT_EQ(b.rs485_timeout, 500);
  EXPECT_EQ(b.store_interval, 65535);
}

TEST(BasePanel, RatesAndParitiesNoEntryStandsForAreReportedAndKept) {
  PanelRig rig;
  rig.store.image.base.comm_baud = 1200;
  rig.store.image.base.parity = 3;
  rig.panels.ShowBaseInfo();
  // Both bad: the parity message is the one that remains.
  EXPECT_EQ(rig.controls.pane_history[0],
            (std::vector<std::string>{"设备通信波特率错误", "奇偶校验错误"}));
  EXPECT_EQ(rig.controls.controls[IDC_COMM_BAUD].selection, -1);
  EXPECT_EQ(rig.controls.controls[IDC_COMM_BAUD].unlisted, "值 1200，不在列表中");
  ASSERT_TRUE(rig.panels.CollectBaseInfo().ok);
  EXPECT_EQ(rig.store.image.base.comm_baud, 1200u);
  EXPECT_EQ(rig.store.image.base.parity, 3);

  rig.controls.SetSelection(IDC_COMM_BAUD, 8);
  rig.controls.SetSelection(IDC_PARITY, 2);
  ASSERT_TRUE(rig.panels.CollectBaseInfo().ok);
  EXPECT_EQ(rig.store.image.base.comm_baud, 115200u);
  EXPECT_EQ(rig.store.image.base.parity, 2);
}

TEST(BasePanel, VersionTextAndCoefficientControlsFollowTheFirmwareVersion) {
  PanelRig rig;
  rig.store.fw_version = 0x0102;
  rig.panels.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_VERSION), "V1:02");
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_TRUE(rig.controls.controls[id].visible) << id;
  }
  rig.store.fw_version = 0;
  rig.panels.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_VERSION), "V1:02");
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_FALSE(rig.controls.controls[id].visible) << id;
  }
  rig.store.fw_version = 0x0A05;
  rig.panels.ShowBaseInfo();
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
  rig.panels.CollectBaseInfo();
  EXPECT_EQ(rig.store.image.base.device_time, 1709164800u);

  rig.store.image.base.device_time = 0;
  rig.panels.ShowBaseInfo();
  EXPECT_EQ(rig.Text(IDC_YEAR), "1970");
  EXPECT_EQ(rig.Text(IDC_MONTH), "1");
  EXPECT_EQ(rig.Text(IDC_DAY), "1");

  rig.Type(IDC_YEAR, "2024");
  rig.Type(IDC_MONTH, "300");
  DateTimeFields fields{};
  rig.panels.ReadDateTimeFields(&fields);
  EXPECT_EQ(fields.month, 44);
  EXPECT_EQ(fields.year, 2024);
}

TEST(BasePanel, NowFillsTheClockEditsOnly) {
  PanelRig rig;
  rig.panels.FillCurrentTime();
  const uint32_t year = ParseDialogUnsigned(rig.Text(IDC_YEAR));
  EXPECT_GE(year, 2024u);
  const uint32_t month = ParseDialogUnsigned(rig.Text(IDC_MONTH));
  EXPECT_GE(month, 1u);
  EXPECT_LE(month, 12u);
  EXPECT_EQ(rig.store.image.base.device_time, 0u);
}

}  // namespace
}  // namespace travex::testing
