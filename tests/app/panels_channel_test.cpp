#include <gtest/gtest.h>

#include <cstring>

#include "app/panels_fixture.h"

namespace travex::testing {
namespace {

TEST(ChannelPanels, EditsSurviveAChangeOfChannel) {
  PanelRig rig;
  rig.Type(IDC_ALARM_TEXT, "HOT");
  rig.Type(IDC_ALARM_VALUE, "2.5");
  rig.PickArg1Channel(1);
  EXPECT_EQ(rig.Text(IDC_ALARM_TEXT), "");
  EXPECT_EQ(rig.panels.Arg1Channel(), 1);
  rig.PickArg1Channel(0);
  EXPECT_EQ(rig.Text(IDC_ALARM_TEXT), "HOT");
  EXPECT_EQ(rig.Text(IDC_ALARM_VALUE), "2.500000");

  rig.Type(IDC_CH_NAME, "Flow");
  rig.Type(IDC_SLAVE_ADDR, "255");
  rig.PickArg2Channel(31);
  EXPECT_EQ(rig.Text(IDC_CH_NAME), "");
  rig.PickArg2Channel(0);
  EXPECT_EQ(rig.Text(IDC_CH_NAME), "Flow");
  EXPECT_EQ(rig.store.image.arg2[0].slave_addr, 255);
}

TEST(ChannelPanels, EachChannelReopensOnItsOwnGear) {
  PanelRig rig;
  rig.PickGear(2);
  rig.Type(IDC_GEAR_TEXT, "LOW");
  rig.Type(IDC_GEAR_VALUE, "7");
  rig.PickArg1Channel(1);
  EXPECT_EQ(rig.controls.controls[IDC_GEAR].selection, 0);
  EXPECT_EQ(rig.Text(IDC_GEAR_TEXT), "");
  rig.PickArg1Channel(0);
  EXPECT_EQ(rig.controls.controls[IDC_GEAR].selection, 2);
  EXPECT_EQ(rig.Text(IDC_GEAR_TEXT), "LOW");
  EXPECT_EQ(rig.Text(IDC_GEAR_VALUE), "7.000000");
  EXPECT_EQ(std::string(rig.store.image.arg1[0].gears[2].text), "LOW");
  EXPECT_EQ(rig.panels.Gear(0), 2);
  EXPECT_EQ(rig.panels.Gear(1), 0);
}

TEST(ChannelPanels, TextsAreCutToTheirByteLimits) {
  PanelRig rig;
  rig.Type(IDC_ALARM_TEXT, "ABCDEFGHIJ");
  rig.Type(IDC_NORMAL_TEXT, Utf8ToGbk("正常运行中"));  // ten bytes
  rig.Type(IDC_GEAR_TEXT, "50%");
  rig.Type(IDC_CH_NAME, "ABCDEFGHIJKLMNOPQRSTUVWXY");
  rig.Type(IDC_CH_UNIT, "m3/h-xyz");
  rig.panels.CollectAllPanels();
  EXPECT_EQ(std::string(rig.store.image.arg1[0].alarm_text), "ABCDEFGH");
  EXPECT_EQ(std::string(rig.store.image.arg1[0].normal_text), Utf8ToGbk("正常运行"));
  EXPECT_EQ(std::string(rig.store.image.arg1[0].gears[0].text), "50%");
  EXPECT_EQ(std::string(rig.store.image.arg2[0].name), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(std::string(rig.store.image.arg2[0].unit), "m3/h-x");
}

TEST(ChannelPanels, ACharacterStraddlingTheLimitIsLeftOutWhole) {
  PanelRig rig;
  rig.Type(IDC_ALARM_TEXT, "ABCDEFG" + Utf8ToGbk("中"));  // 9 bytes, the 8th a lead byte
  rig.Type(IDC_CH_NAME, std::string(19, 'x') + Utf8ToGbk("名称"));
  rig.Type(IDC_CH_UNIT, "A" + Utf8ToGbk("米每秒"));  // 7 bytes
  rig.panels.CollectAllPanels();
  EXPECT_EQ(std::string(rig.store.image.arg1[0].alarm_text), "ABCDEFG");
  EXPECT_EQ(std::string(rig.store.image.arg2[0].name), std::string(19, 'x'));
  EXPECT_EQ(std::string(rig.store.image.arg2[0].unit), "A" + Utf8ToGbk("米每"));
}

TEST(ChannelPanels, ShorterTextKeepsTheOldBytesAfterItsZero) {
  PanelRig rig;
  rig.Type(IDC_ALARM_TEXT, "ABCDEFGH");
  rig.panels.CollectArg1(0);
  rig.Type(IDC_ALARM_TEXT, "AB");
  rig.panels.CollectArg1(0);
  const char expected[9] = {'A', 'B', '\0', 'D', 'E', 'F', 'G', 'H', '\0'};
  EXPECT_EQ(std::memcmp(rig.store.image.arg1[0].alarm_text, expected, 9), 0);
  rig.panels.ShowArg1();
  EXPECT_EQ(rig.Text(IDC_ALARM_TEXT), "AB");
}

TEST(ChannelPanels, AFieldWithoutZeroShowsAtMostItsCapacity) {
  PanelRig rig;
  std::memset(rig.store.image.arg1[0].alarm_text, 'Z', 9);
  std::memset(rig.store.image.arg1[0].normal_text, 'N', 11);
  std::memset(rig.store.image.arg1[0].gears[0].text, 'G', 12);
  std::memset(rig.store.image.arg2[0].name, 'M', 21);
  std::memset(rig.store.image.arg2[0].unit, 'U', 7);
  rig.panels.ShowAllPanels();
  EXPECT_EQ(rig.Text(IDC_ALARM_TEXT), std::string(8, 'Z'));
  EXPECT_EQ(rig.Text(IDC_NORMAL_TEXT), std::string(10, 'N'));
  EXPECT_EQ(rig.Text(IDC_GEAR_TEXT), std::string(11, 'G'));
  EXPECT_EQ(rig.Text(IDC_CH_NAME), std::string(20, 'M'));
  EXPECT_EQ(rig.Text(IDC_CH_UNIT), std::string(6, 'U'));
}

TEST(ChannelPanels, ValuesConvertLikeTheCLibrary) {
  PanelRig rig;
  const struct {
    const char* typed;
    const char* shown;
  } cases[] = {
      {"12.3456789", "12.345679"}, {"123456789", "123456792.000000"}, {"1e3", "1000.000000"},
      {"  -2.5 ", "-2.500000"},    {".5e-1", "0.050000"},             {"0", "0.000000"},
  };
  for (const auto& c : cases) {
    rig.Type(IDC_ALARM_VALUE, c.typed);
    ASSERT_TRUE(rig.panels.CollectArg1(0).ok) << c.typed;
    rig.panels.ShowArg1();
    EXPECT_EQ(rig.Text(IDC_ALARM_VALUE), c.shown) << c.typed;
  }
  EXPECT_EQ(rig.store.image.arg1[0].alarm_value, 0.0f);
}

// Function code 0 stands for the first entry only in a block that still holds the tool's own
// start-up values: not in one an answer changed (told or not yet told), nor in one the panels
// were told an answer or a file replaced, however alike it looks.
TEST(ChannelPanels, AStoredSet2BlockShowsItsOwnFunctionCode) {
  PanelRig rig;
  rig.store.image.arg2[1].slave_addr = 7;
  rig.PickArg2Channel(1);
  EXPECT_EQ(rig.controls.controls[IDC_FUNC_CODE].unlisted, "值 0，不在列表中");
  rig.panels.NoteBlockStored(Arg2Ref(2));
  rig.PickArg2Channel(2);
  EXPECT_EQ(rig.controls.controls[IDC_FUNC_CODE].unlisted, "值 0，不在列表中");
  ASSERT_TRUE(rig.panels.CollectArg2(3).ok);
  EXPECT_EQ(rig.store.image.arg2[1].func_code, 0);
  EXPECT_EQ(rig.store.image.arg2[2].func_code, 0);
  rig.panels.ShowArg2();
  EXPECT_EQ(rig.controls.controls[IDC_FUNC_CODE].selection, 0);  // channel 4: the tool's own
}

TEST(ChannelPanels, AValueNoEntryStandsForIsShownAsSuchAndKeptUnlessAnEntryIsPicked) {
  PanelRig rig;
  rig.AllArg2FromLogger();
  Arg2Block& a = rig.store.image.arg2[0];
  a.func_code = 6;
  a.data_type = 20;
  a.decimals = 9;
  a.enabled = 5;
  rig.panels.ShowArg2();
  for (int id : {IDC_FUNC_CODE, IDC_DATA_TYPE, IDC_DECIMALS}) {
    EXPECT_EQ(rig.controls.controls[id].selection, -1) << id;
  }
  EXPECT_EQ(rig.controls.controls[IDC_FUNC_CODE].unlisted, "值 6，不在列表中");
  EXPECT_EQ(rig.controls.controls[IDC_ENABLE].check, 1);
  ASSERT_TRUE(rig.panels.CollectArg2(0).ok);
  EXPECT_EQ(a.func_code, 6);
  EXPECT_EQ(a.data_type, 20);
  EXPECT_EQ(a.decimals, 9);
  EXPECT_EQ(a.enabled, 5);

  // The operator picks entries and unticks the box: those values are stored.
  rig.controls.SetSelection(IDC_FUNC_CODE, 1);
  rig.controls.SetSelection(IDC_DATA_TYPE, 15);
  rig.controls.SetCheck(IDC_ENABLE, 0);
  ASSERT_TRUE(rig.panels.CollectArg2(0).ok);
  EXPECT_EQ(a.func_code, 4);
  EXPECT_EQ(a.data_type, 15);
  EXPECT_EQ(a.decimals, 9);
  EXPECT_EQ(a.enabled, 0);
}

TEST(ChannelPanels, PagingThroughChannelsLeavesEveryByteAsItWas) {
  PanelRig rig;
  auto* bytes = reinterpret_cast<uint8_t*>(&rig.store.image);
  for (size_t i = 0; i < sizeof rig.store.image; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  rig.AllArg2FromLogger();
  // Among them: floats that print as 0.000000 or nan, texts without a NUL, longer than the
  // panel's limit or not GBK, codes no selector lists, a clock beyond the fields' ranges.
  const ParamImage before = rig.store.image;
  rig.panels.ShowAllPanels();
  EXPECT_FALSE(rig.panels.ControlsDiffer());
  for (int ch = 1; ch < kChannelCount; ++ch) {
    rig.PickArg1Channel(ch);
    rig.PickGear(ch % kGearCount);
    rig.PickArg2Channel(ch);
  }
  ASSERT_TRUE(rig.panels.CollectAllPanels().ok);
  EXPECT_EQ(std::memcmp(&before, &rig.store.image, sizeof before), 0);
  rig.Type(IDC_CH_UNIT, "kPa");
  EXPECT_TRUE(rig.panels.ControlsDiffer());
}

TEST(ChannelPanels, NumbersThatAreNoneOrDoNotFitAreRefusedAndNothingIsStored) {
  PanelRig rig;
  const struct {
    int id;
    const char* typed;
    const char* label;
    const char* range;
  } cases[] = {
      {IDC_SLAVE_ADDR, "300", "MODBUS从站地址", "0 到 255 之间的整数"},
      {IDC_REG_START, "70000", "寄存器起始地址", "0 到 65535 之间的整数"},
      {IDC_REG_COUNT, "-1", "寄存器个数", "0 到 255 之间的整数"},
      {IDC_COEF_A, "abc", "系数A", ""},
      {IDC_COEF_B, "1e39", "系数B", ""},
      {IDC_ALARM_VALUE, "2.5kg", "开关量报警数值", ""},
      {IDC_GEAR_VALUE, "", "遥调档位1 数值", ""},
  };
  rig.PickArg1Channel(4);
  rig.PickArg2Channel(4);
  const ParamImage before = rig.store.image;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    rig.panels.ShowAllPanels();
    rig.Type(IDC_CH_NAME, "changed");  // valid, but not stored either
    rig.Type(c.id, c.typed);
    const CollectResult result = rig.panels.CollectAllPanels();
    ASSERT_FALSE(result.ok);
    EXPECT_EQ(result.problem.label, c.label);
    EXPECT_EQ(result.problem.channel, 4);
    if (*c.range != '\0') {
      EXPECT_EQ(result.problem.range, c.range);
    }
    EXPECT_EQ(std::memcmp(&before, &rig.store.image, sizeof before), 0);
  }
  EXPECT_EQ(FieldProblemText({"寄存器起始地址", 4, "70000", "0 到 65535 之间的整数"}),
            "“寄存器起始地址”（通道5）的值“70000”无效。\n允许的值：0 到 65535 之间的整数。");
}

TEST(ChannelPanels, HiddenCoefficientEditsAreStillCollected) {
  PanelRig rig;
  ASSERT_FALSE(rig.controls.controls[IDC_COEF_A].visible);
  rig.Type(IDC_COEF_A, "2.5");
  rig.Type(IDC_COEF_B, "-1");
  rig.controls.SetSelection(IDC_ARG2_CHANNEL, 0);
  rig.panels.CollectAllPanels();
  EXPECT_EQ(rig.store.image.coef[0].coef_a, 2.5f);
  EXPECT_EQ(rig.store.image.coef[0].coef_b, -1.0f);
}

TEST(ChannelPanels, NoSelectionSavesIntoTheShownEntryAndKeepsTheIndex) {
  PanelRig rig;
  rig.PickArg1Channel(5);
  rig.PickGear(4);
  rig.PickArg2Channel(7);

  rig.Type(IDC_ALARM_TEXT, "KEEP");
  rig.Type(IDC_GEAR_TEXT, "G4");
  rig.controls.SetSelection(IDC_GEAR, -1);  // typed entry not in the list
  rig.controls.SetSelection(IDC_ARG1_CHANNEL, -1);
  rig.panels.CollectArg1(static_cast<uint8_t>(rig.controls.GetSelection(IDC_ARG1_CHANNEL)));
  EXPECT_EQ(rig.panels.Arg1Channel(), 5);
  EXPECT_EQ(rig.panels.Gear(5), 4);
  EXPECT_EQ(std::string(rig.store.image.arg1[5].alarm_text), "KEEP");
  EXPECT_EQ(std::string(rig.store.image.arg1[5].gears[4].text), "G4");

  rig.panels.CollectGear(9);
  EXPECT_EQ(rig.panels.Gear(5), 4);
  rig.panels.ShowArg1();
  EXPECT_EQ(rig.controls.controls[IDC_GEAR].selection, 4);

  rig.Type(IDC_CH_NAME, "N7");
  rig.panels.CollectArg2(255);
  EXPECT_EQ(rig.panels.Arg2Channel(), 7);
  EXPECT_EQ(std::string(rig.store.image.arg2[7].name), "N7");

  rig.panels.CollectArg2(32);
  EXPECT_EQ(rig.panels.Arg2Channel(), 7);
}

TEST(ChannelPanels, ShowAllPanelsKeepsChannelsAndGears) {
  PanelRig rig;
  rig.PickArg1Channel(3);
  rig.PickGear(8);
  rig.PickArg2Channel(9);
  std::strcpy(rig.store.image.arg1[3].gears[8].text, "OTHER");
  std::strcpy(rig.store.image.arg2[9].unit, "kPa");
  rig.panels.ShowAllPanels();
  EXPECT_EQ(rig.Text(IDC_GEAR_TEXT), "OTHER");
  EXPECT_EQ(rig.Text(IDC_CH_UNIT), "kPa");
  EXPECT_EQ(rig.panels.Arg1Channel(), 3);
  EXPECT_EQ(rig.panels.Arg2Channel(), 9);
}

}  // namespace
}  // namespace travex::testing
