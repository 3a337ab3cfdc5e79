// Base requests, reply collection and read-all / write-all against the simulated logger.
#include <cstring>

#include "params/calendar.h"
#include "tests/app/dialog_e2e_util.h"

namespace travex::testing {
namespace {

class ParamsE2E : public DialogE2E {};

// A logger image with something in every block.
ParamImage KnownImage() {
  ParamImage image{};
  image.base.comm_baud = 19200;
  image.base.parity = 2;
  image.base.rs485_poll_interval = 1500;
  image.base.rs485_timeout = 250;
  image.base.rs485_retries = 4;
  image.base.store_interval = 60;
  image.base.lcd_on_time = 45;
  image.base.device_time = DateTimeToSeconds({2024, 2, 29, 13, 14, 15});
  for (int ch = 0; ch < kChannelCount; ++ch) {
    Arg1Block& a = image.arg1[ch];
    a.alarm_value = 1.5f * static_cast<float>(ch);
    std::snprintf(a.alarm_text, sizeof a.alarm_text, "AL%d", ch);
    std::snprintf(a.normal_text, sizeof a.normal_text, "OK%d", ch);
    for (int g = 0; g < kGearCount; ++g) {
      a.gears[g].value = static_cast<float>(ch * 10 + g);
      std::snprintf(a.gears[g].text, sizeof a.gears[g].text, "G%d.%d", ch, g);
    }
    Arg2Block& b = image.arg2[ch];
    b.slave_addr = static_cast<uint8_t>(ch + 1);
    b.enabled = ch % 2;
    b.func_code = ch % 3 == 0 ? 4 : 3;
    b.decimals = static_cast<uint8_t>(ch % 6);
    b.reg_start = static_cast<uint16_t>(100 + ch);
    b.reg_count = 2;
    b.data_type = static_cast<uint8_t>(ch % 16);
    std::snprintf(b.name, sizeof b.name, "channel-%d", ch);
    std::snprintf(b.unit, sizeof b.unit, "u%d", ch);
    image.coef[ch].coef_a = 1.0f + static_cast<float>(ch) / 4.0f;
    image.coef[ch].coef_b = -static_cast<float>(ch);
  }
  return image;
}

TEST_F(ParamsE2E, BaseReadShowsTheLoggersSettingsClockAndVersion) {
  PrepareLoggerImage(KnownImage());
  StartLogger({"--no-pacing"});

  rig.core.OnReadBase();
  ASSERT_TRUE(CollectReply());
  EXPECT_EQ(rig.Pane(3), "读取成功");
  auto& c = rig.controls.controls;
  EXPECT_EQ(c[IDC_VERSION].text, "V1:02");
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_TRUE(c[id].visible) << id;
  }
  EXPECT_EQ(c[IDC_COMM_BAUD].selection, 4);
  EXPECT_EQ(c[IDC_PARITY].selection, 2);
  EXPECT_EQ(c[IDC_RS485_POLL].text, "1500");
  EXPECT_EQ(c[IDC_RS485_TIMEOUT].text, "250");
  EXPECT_EQ(c[IDC_RS485_RETRIES].text, "4");
  EXPECT_EQ(c[IDC_STORE_INTERVAL].text, "60");
  EXPECT_EQ(c[IDC_LCD_ON_TIME].text, "45");
  EXPECT_EQ(c[IDC_YEAR].text, "2024");
  EXPECT_EQ(c[IDC_MONTH].text, "2");
  EXPECT_EQ(c[IDC_DAY].text, "29");
  EXPECT_EQ(c[IDC_HOUR].text, "13");
  EXPECT_EQ(CountRequests(LogPath()), 1);
}

TEST_F(ParamsE2E, BaseWriteAfterTypingAndNowPutsTheValuesIntoTheLogger) {
  StartLogger({"--no-pacing"});
  rig.core.OnReadBase();
  ASSERT_TRUE(CollectReply());
  auto& c = rig.controls.controls;
  rig.controls.SetSelection(IDC_COMM_BAUD, 2);
  rig.controls.SetSelection(IDC_PARITY, 1);
  c[IDC_RS485_POLL].text = "70000";  // does not fit: nothing is sent
  rig.core.OnWriteBase();
  ASSERT_TRUE(CollectReply());
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_NE(rig.controls.messages[0].text.find("485轮询间隔"), std::string::npos);
  EXPECT_EQ(CountRequests(LogPath()), 1);
  c[IDC_RS485_POLL].text = "4464";
  c[IDC_RS485_TIMEOUT].text = "321";
  c[IDC_RS485_RETRIES].text = "7";
  c[IDC_STORE_INTERVAL].text = "30";
  c[IDC_LCD_ON_TIME].text = "12";
  rig.core.OnNow();
  DateTimeFields typed{};
  rig.core.panels().ReadDateTimeFields(&typed);
  const uint32_t now = DateTimeToSeconds(typed);

  rig.core.OnWriteBase();
  ASSERT_TRUE(CollectReply());
  EXPECT_EQ(rig.Pane(3), "写入成功");

  const ParamImage logger = LoggerImage();
  EXPECT_EQ(logger.base.comm_baud, 9600u);
  EXPECT_EQ(logger.base.parity, 1);
  EXPECT_EQ(logger.base.rs485_poll_interval, 4464);
  EXPECT_EQ(logger.base.rs485_timeout, 321);
  EXPECT_EQ(logger.base.rs485_retries, 7);
  EXPECT_EQ(logger.base.store_interval, 30);
  EXPECT_EQ(logger.base.lcd_on_time, 12);
  // The logger's clock runs on from the written time.
  EXPECT_GE(logger.base.device_time, now);
  EXPECT_LE(logger.base.device_time, now + 60);
}

TEST_F(ParamsE2E, ALoggerThatStopsAnsweringTimesOutAfterAboutThreeSeconds) {
  StartLogger({"--no-pacing", "--silent-after", "0"});
  const auto start = std::chrono::steady_clock::now();
  rig.core.OnReadBase();
  ASSERT_TRUE(CollectReply(seconds(20)));
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(rig.Pane(3), "超时未响应");
  EXPECT_GE(elapsed, 2.9);
  EXPECT_LT(elapsed, 10.0);
}

TEST_F(ParamsE2E, ReadAllWithoutVersionMatchesTheLoggerWhileAWriteAllWaits) {
  PrepareLoggerImage(KnownImage());
  StartLogger({"--no-pacing", "--fw", "0"});

  rig.core.OnReadAll();
  // Arm write-all while the read run waits for the reply of its step 2: that reply must not be
  // thrown away, and no request may go out before it is in.
  ASSERT_TRUE(rig.platform.RunUntil(
      [this] {
        return rig.core.session().RunNextStep(BulkRun::kRead) >= 3 &&
               rig.core.session().RunAnswerOutstanding();
      },
      seconds(20)));
  rig.core.OnWriteAll();
  ASSERT_TRUE(rig.platform.RunUntil(
      [this] { return !rig.core.session().RunArmed(BulkRun::kRead); }, seconds(60)));
  // Let the write run make a few steps, then stop it as closing the program would.
  ASSERT_TRUE(rig.platform.RunUntil(
      [this] { return rig.core.session().RunNextStep(BulkRun::kWrite) >= 3; }, seconds(20)));
  rig.controls.yes_no_answer = true;
  EXPECT_FALSE(rig.core.ConfirmClose() == false);
  EXPECT_FALSE(rig.core.RunInProgress());
  const std::string pane3 = rig.Pane(3);
  rig.platform.RunFor(milliseconds(400));
  EXPECT_FALSE(rig.core.Busy());

  EXPECT_EQ(CountRequests(LogPath(), 1), 65);
  const std::vector<std::string> progress = ProgressHistory(rig.controls, "读取");
  ASSERT_GE(progress.size(), 65u);
  EXPECT_EQ(progress[0], "读取基础参数");
  for (int ch = 1; ch <= 32; ++ch) {
    EXPECT_EQ(progress[static_cast<size_t>(ch)], "读取参数1通道:" + std::to_string(ch));
    EXPECT_EQ(progress[static_cast<size_t>(32 + ch)], "读取参数2通道:" + std::to_string(ch));
  }
  // Every request waited for the answer to the one before.
  int outstanding = 0;
  for (const std::string& line : LogLines(LogPath())) {
    if (line.find(" RX 55 ") != std::string::npos) {
      EXPECT_EQ(outstanding, 0) << line;
      outstanding = 1;
    } else if (line.find(" TX AA ") != std::string::npos) {
      outstanding = 0;
    }
  }
  for (const std::string& text : rig.controls.pane_history[3]) {
    EXPECT_NE(text, "超时未响应");
    EXPECT_EQ(text.find("失败"), std::string::npos) << text;
  }
  const ParamImage logger = LoggerImage();
  ExpectSameTravellingFields(rig.core.param_store.image, logger, /*coefficients=*/false);
  EXPECT_EQ(rig.core.param_store.fw_version, 0);
  EXPECT_FALSE(rig.controls.controls[IDC_COEF_A].visible);
}

TEST_F(ParamsE2E, WriteAllThenReadAllWithVersion) {
  StartLogger({"--no-pacing", "--bad-crc", "3"});
  // Edit two channels of set 1 and one of set 2 through the panels.
  auto& c = rig.controls.controls;
  c[IDC_ALARM_TEXT].text = "first";
  c[IDC_ALARM_VALUE].text = "12.5";
  rig.controls.SetSelection(IDC_ARG1_CHANNEL, 6);
  rig.core.OnArg1ChannelChange();
  c[IDC_NORMAL_TEXT].text = "seventh";
  rig.controls.SetSelection(IDC_GEAR, 3);
  rig.core.OnGearChange();
  c[IDC_GEAR_TEXT].text = "gear4";
  c[IDC_GEAR_VALUE].text = "4.25";
  rig.controls.SetSelection(IDC_ARG2_CHANNEL, 31);
  rig.core.OnArg2ChannelChange();
  c[IDC_CH_NAME].text = "last channel";
  c[IDC_SLAVE_ADDR].text = "17";
  c[IDC_COEF_A].text = "2.5";  // hidden, collected, but not sent without a version

  rig.core.OnWriteAll();
  ASSERT_TRUE(FinishRuns());
  // The logger spoilt the answer to the third write: the run says so instead of "写入成功",
  // and that the coefficients were not written (no version read yet).
  EXPECT_EQ(rig.Pane(3), "全部写入结束，1个数据块失败，系数未写入");
  ASSERT_FALSE(rig.controls.messages.empty());
  EXPECT_NE(rig.controls.messages.back().text.find("记录仪未报告固件版本"), std::string::npos);
  EXPECT_EQ(rig.controls.progress.state, IDialogControls::Progress::kFailed);
  EXPECT_EQ(rig.controls.progress.done, 65);
  EXPECT_EQ(CountRequests(LogPath(), 2), 65);
  EXPECT_EQ(ProgressHistory(rig.controls, "写入").front(), "写入基础参数");

  const ParamImage tool = rig.core.param_store.image;
  EXPECT_STREQ(tool.arg1[0].alarm_text, "first");
  EXPECT_STREQ(tool.arg1[6].normal_text, "seventh");
  EXPECT_STREQ(tool.arg1[6].gears[3].text, "gear4");
  EXPECT_STREQ(tool.arg2[31].name, "last channel");
  EXPECT_EQ(tool.coef[31].coef_a, 2.5f);

  // Now read everything back: the logger reports a version, so 97 steps.
  rig.core.OnReadAll();
  ASSERT_TRUE(FinishRuns());
  EXPECT_EQ(CountRequests(LogPath(), 1), 97);
  EXPECT_EQ(rig.Pane(3), "读取成功");
  EXPECT_EQ(rig.core.param_store.fw_version, 0x0102);
  EXPECT_TRUE(c[IDC_COEF_A].visible);
  // The coefficients arrived: the logger never got 2.5, so its own value replaced it.
  EXPECT_NE(rig.core.param_store.image.coef[31].coef_a, 2.5f);

  const ParamImage logger = LoggerImage();
  ExpectSameTravellingFields(tool, logger, /*coefficients=*/false);
  ExpectSameTravellingFields(rig.core.param_store.image, logger, /*coefficients=*/true);
}

TEST_F(ParamsE2E, ALoggerFallingSilentAtStep10EndsTheRunAndANewRunStartsAtTheBase) {
  StartLogger({"--no-pacing", "--silent-after", "10"});
  rig.core.OnReadAll();
  ASSERT_TRUE(FinishRuns(seconds(30)));
  EXPECT_EQ(rig.Pane(3), "超时未响应");
  EXPECT_EQ(CountRequests(LogPath()), 11);
  rig.platform.RunFor(milliseconds(500));
  EXPECT_EQ(CountRequests(LogPath()), 11);  // nothing more goes out

  const size_t before = rig.controls.pane_history[3].size();
  rig.core.OnReadAll();
  ASSERT_TRUE(rig.platform.RunUntil(
      [&] { return rig.controls.pane_history[3].size() > before; }, seconds(5)));
  EXPECT_EQ(rig.controls.pane_history[3][before], "读取基础参数");
  rig.controls.yes_no_answer = true;
  EXPECT_TRUE(rig.core.ConfirmClose());
}

TEST_F(ParamsE2E, ABadStartByteMidRunEndsTheRun) {
  // The fifth reply's spoilt start byte comes alone, the rest 400 ms later: the collection stops
  // on it without a frame to hand over, and that ends the run like a time-out.
  StartLogger({"--no-pacing", "--bad-start", "5", "--split", "400", "--split-at", "1"});
  rig.core.OnReadAll();
  ASSERT_TRUE(FinishRuns(seconds(30)));
  EXPECT_EQ(rig.Pane(3), "帧错误");
  EXPECT_FALSE(rig.core.session().RunArmed(BulkRun::kRead));
  EXPECT_FALSE(rig.core.RunInProgress());
  rig.platform.RunFor(milliseconds(500));
  EXPECT_EQ(CountRequests(LogPath()), 5);
}

TEST_F(ParamsE2E, SingleRequestsAndSerialHandlersAreRefusedDuringARun) {
  StartLogger({"--no-pacing"});
  rig.core.OnReadAll();
  ASSERT_TRUE(rig.platform.RunUntil(
      [this] { return rig.core.session().RunNextStep(BulkRun::kRead) >= 2; }, seconds(20)));
  rig.core.OnReadBase();
  EXPECT_EQ(rig.Pane(3), "正在全部读取/写入，请稍候");
  rig.core.OnWriteArg2();
  EXPECT_EQ(rig.Pane(3), "正在全部读取/写入，请稍候");
  rig.controls.SetStatusTexts("kept", "", "", "");
  rig.core.OnQueryAddress();
  EXPECT_EQ(rig.Pane(0), "kept");

  // Closing asks; "no" keeps the run going.
  rig.controls.yes_no_answer = false;
  EXPECT_FALSE(rig.core.ConfirmClose());
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_EQ(rig.controls.messages[0].caption, "Travex配置软件");
  EXPECT_TRUE(rig.core.RunInProgress());

  // The search ends the run before it starts.
  rig.core.OnTestBaud();
  EXPECT_FALSE(rig.core.RunInProgress());
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.Pane(0), "设备波特率:115200");
  rig.platform.RunFor(milliseconds(500));
  EXPECT_FALSE(rig.core.Busy());
  const int sent = CountRequests(LogPath());
  rig.platform.RunFor(milliseconds(400));
  EXPECT_EQ(CountRequests(LogPath()), sent);
  EXPECT_LT(sent, 65);
}

}  // namespace
}  // namespace travex::testing
