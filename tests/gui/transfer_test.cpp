// Channel panels, read-all, and the file buttons, end to end through the real widgets.
#include <QProgressBar>
#include <algorithm>
#include <fstream>

#include "paramfile/param_file.h"
#include "sim_fixture.h"

namespace travex::gui_testing {
namespace {

// The set-1 blocks of a parameter file written by "数据导出".
bool ExportedArg1(const std::string& path, Arg1Block (&blocks)[kChannelCount]) {
  std::ifstream in(path);
  bool in_section = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') in_section = line == "[ARG1]";
    if (in_section && line.rfind("arg1=", 0) == 0) {
      std::vector<uint8_t> bytes(kArg1Bytes);
      HexTextToBytes(std::string_view(line).substr(5), bytes.data(), bytes.size());
      DecodeArg1Array(bytes.data(), blocks);
      return true;
    }
  }
  return false;
}

TEST_F(GuiTest, PanelEditsSurviveChannelChangesAndReachExportAndImport) {
  PinPortsExcept({});
  OpenDialog();

  // Channel 1: alarm text of ten letters, gear 3 with a text and a value.
  Type(IDC_ALARM_TEXT, "ABCDEFGHIJ");
  Type(IDC_ALARM_VALUE, "12.3456789");
  Choose(IDC_GEAR, 2);
  Type(IDC_GEAR_TEXT, "开启");
  Type(IDC_GEAR_VALUE, "1e3");
  // Channel 2 shows its own (initial) values and its own gear, then gets a Chinese text.
  Choose(IDC_ARG1_CHANNEL, 1);
  EXPECT_EQ(EditText(IDC_ALARM_TEXT), "");
  EXPECT_EQ(ComboText(IDC_GEAR), "遥调档位1");
  Type(IDC_NORMAL_TEXT, QStringLiteral("正常运行中啊"));  // six characters, 12 bytes
  // Set 2 of channel 5.
  Choose(IDC_ARG2_CHANNEL, 4);
  Type(IDC_CH_NAME, "ABCDEFGHIJKLMNOPQRSTUVWXY");  // 25 characters
  Type(IDC_SLAVE_ADDR, "17");
  Choose(IDC_DATA_TYPE, 11);

  // Back to channel 1: the edits are there, with the panel's conversions applied.
  Choose(IDC_ARG1_CHANNEL, 0);
  EXPECT_EQ(EditText(IDC_ALARM_TEXT), "ABCDEFGH");
  EXPECT_EQ(EditText(IDC_ALARM_VALUE), "12.345679");
  EXPECT_EQ(ComboText(IDC_GEAR), "遥调档位3");
  EXPECT_EQ(EditText(IDC_GEAR_TEXT), "开启");
  EXPECT_EQ(EditText(IDC_GEAR_VALUE), "1000.000000");
  Choose(IDC_ARG2_CHANNEL, 0);
  Choose(IDC_ARG2_CHANNEL, 4);
  EXPECT_EQ(EditText(IDC_CH_NAME), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(EditText(IDC_SLAVE_ADDR), "17");
  EXPECT_EQ(ComboText(IDC_DATA_TYPE), "浮点型小端");

  // Export through the button (the file dialog answered by the test).
  const std::string file = (dir_ / "exported.ini").string();
  file_answers_.push_back(file);
  Click(IDC_EXPORT);
  ASSERT_EQ(file_requests_.size(), 1u);
  EXPECT_TRUE(file_requests_[0].save);
  EXPECT_EQ(file_requests_[0].default_suffix, "ini");
  EXPECT_EQ(file_requests_[0].initial_name.rfind("TRAVEX", 0), 0u);
  EXPECT_EQ(Pane(2), "5376");
  EXPECT_EQ(Pane(3), "1152");
  Arg1Block exported[kChannelCount] = {};
  ASSERT_TRUE(ExportedArg1(file, exported));
  EXPECT_EQ(testing::FieldText(exported[0].alarm_text), "ABCDEFGH");
  EXPECT_EQ(testing::FieldText(exported[0].gears[2].text), "\xBF\xAA\xC6\xF4");  // 开启 in GBK
  EXPECT_EQ(exported[0].gears[2].value, 1000.0f);
  EXPECT_EQ(testing::FieldText(exported[1].normal_text), "\xD5\xFD\xB3\xA3\xD4\xCB\xD0\xD0");  // 正常运行

  // Change the panels, then import the same file: the exported values are back.
  Type(IDC_CH_NAME, "changed");
  Choose(IDC_ARG1_CHANNEL, 1);
  Type(IDC_NORMAL_TEXT, "changed");
  Choose(IDC_ARG1_CHANNEL, 0);
  Type(IDC_ALARM_TEXT, "changed");
  Type(IDC_GEAR_TEXT, "changed");
  file_answers_.push_back(file);
  Click(IDC_IMPORT);
  ASSERT_EQ(file_requests_.size(), 2u);
  EXPECT_FALSE(file_requests_[1].save);
  EXPECT_EQ(EditText(IDC_ALARM_TEXT), "ABCDEFGH");
  EXPECT_EQ(EditText(IDC_GEAR_TEXT), "开启");
  EXPECT_EQ(EditText(IDC_CH_NAME), "ABCDEFGHIJKLMNOPQRST");
  Choose(IDC_ARG1_CHANNEL, 1);
  EXPECT_EQ(EditText(IDC_NORMAL_TEXT), "正常运行");
}

// The progress texts of a run without a version; verb "读取" or "写入".
std::vector<std::string> ExpectedProgress(const std::string& verb) {
  std::vector<std::string> texts = {verb + "基础参数"};
  for (int ch = 1; ch <= 32; ++ch) texts.push_back(verb + "参数1通道:" + std::to_string(ch));
  for (int ch = 1; ch <= 32; ++ch) texts.push_back(verb + "参数2通道:" + std::to_string(ch));
  return texts;
}

// The progress texts pane 3 showed, without the replies' outcomes in between.
std::vector<std::string> Progress(const PaneRecorder& pane, const std::string& verb) {
  std::vector<std::string> progress;
  for (const std::string& text : pane.texts) {
    if (text == verb + "基础参数" || text.rfind(verb + "参数", 0) == 0) progress.push_back(text);
  }
  return progress;
}

TEST_F(SimGuiTest, ReadAllWithoutVersionSends65RequestsAndLoadsTheLoggersImage) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0", "--demo"}));
  TestBaud();
  ASSERT_EQ(Pane(0), "设备波特率:115200");
  PaneRecorder pane3(dialog_->Pane(3));

  Click(IDC_READ_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 65; }, 120000)) << RequestsLogged();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().RunInProgress(); }, 30000));
  QTest::qWait(500);  // the run has ended: nothing more goes out
  EXPECT_EQ(RequestsLogged(), 65);

  EXPECT_EQ(Progress(pane3, "读取"), ExpectedProgress("读取"));
  // The progress bar counted the steps and ends full.
  EXPECT_EQ(dialog_->RunProgressBar()->maximum(), 65);
  EXPECT_EQ(dialog_->RunProgressBar()->value(), 65);
  EXPECT_EQ(dialog_->RunProgressBar()->format(), QStringLiteral("%v/%m"));
  EXPECT_EQ(Get<QLabel>(IDC_VERSION)->text(), QStringLiteral("---"));
  EXPECT_FALSE(dialog_->Control(IDC_COEF_A)->isVisible());

  ASSERT_EQ(sim_.Stop(), 0);
  ParamImage logger{};
  ASSERT_TRUE(LoggerImage(&logger));
  EXPECT_EQ(TravellingDifferences(dialog_->core().param_store.image, logger, false),
            std::vector<std::string>());
}

TEST_F(SimGuiTest, ALoggerThatFallsSilentEndsTheRunAndANewRunStartsOver) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0", "--silent-after", "10"}));
  TestBaud();
  Click(IDC_READ_ALL);
  ASSERT_TRUE(WaitForPane(3, "超时未响应", 60000)) << Pane(3);
  QTest::qWait(1000);
  EXPECT_EQ(RequestsLogged(), 11);  // ten answered, the eleventh timed out, no more
  EXPECT_FALSE(dialog_->core().RunInProgress());
  // The bar stops at the ten blocks done and shows the failure.
  EXPECT_EQ(dialog_->RunProgressBar()->value(), 10);
  EXPECT_EQ(dialog_->RunProgressBar()->format(), QStringLiteral("失败 %v/%m"));

  PaneRecorder pane3(dialog_->Pane(3));
  Click(IDC_READ_ALL);
  // The request reaches the logger before the progress text is painted: wait for both.
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 12 && !pane3.texts.empty(); },
                              10000));
  EXPECT_EQ(pane3.texts.front(), "读取基础参数");
}


TEST_F(SimGuiTest, ReadAllWithAVersionAlsoReadsTheCoefficients) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0x0203", "--demo"}));
  TestBaud();
  Click(IDC_READ_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 97; }, 180000)) << RequestsLogged();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().RunInProgress(); }, 30000));
  QTest::qWait(500);
  EXPECT_EQ(RequestsLogged(), 97);
  EXPECT_EQ(Get<QLabel>(IDC_VERSION)->text(), QStringLiteral("V2:03"));
  EXPECT_TRUE(dialog_->Control(IDC_COEF_A)->isVisible());
  EXPECT_TRUE(dialog_->Control(IDC_COEF_B_LABEL)->isVisible());

  ASSERT_EQ(sim_.Stop(), 0);
  ParamImage logger{};
  ASSERT_TRUE(LoggerImage(&logger));
  EXPECT_EQ(TravellingDifferences(dialog_->core().param_store.image, logger, true),
            std::vector<std::string>());
}

TEST_F(SimGuiTest, WriteAllAfterEditsAndAnImportPutsTheToolsImageIntoTheLogger) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0"}));
  // The logger's own coefficients, which a write-all without a version leaves alone.
  ASSERT_EQ(sim_.Stop(), 0);
  ParamImage before{};
  ASSERT_TRUE(LoggerImage(&before));
  // It spoils the CRC of its third answer (the write itself is done).
  ASSERT_TRUE(sim_.Start({"--com", "3", "--baud", "115200", "--fw", "0", "--bad-crc", "3",
                          "--log", sim_.Path("frames.log"), "--state", sim_.Path("state.bin")}))
      << sim_.error();
  TestBaud();
  ASSERT_EQ(Pane(0), "设备波特率:115200");

  // A file made from edits of channel 7, loaded after the panels were changed again.
  Choose(IDC_ARG1_CHANNEL, 6);
  Type(IDC_ALARM_TEXT, "ALARM7");
  Type(IDC_ALARM_VALUE, "7.5");
  Choose(IDC_ARG2_CHANNEL, 6);
  Type(IDC_CH_NAME, QStringLiteral("七号通道"));
  Type(IDC_REG_START, "4097");
  Choose(IDC_FUNC_CODE, 1);
  Type(IDC_COEF_A, "2.5");  // hidden without a version, still collected into the image
  const std::string file = (dir_ / "seven.ini").string();
  file_answers_.push_back(file);
  Click(IDC_EXPORT);
  Type(IDC_CH_NAME, "lost");
  file_answers_.push_back(file);
  Click(IDC_IMPORT);
  ASSERT_EQ(EditText(IDC_CH_NAME), "七号通道");

  // More edits on other channels and the base panel, then write-all.
  Choose(IDC_ARG1_CHANNEL, 31);
  Choose(IDC_GEAR, 8);
  Type(IDC_GEAR_TEXT, "OTHER");
  Type(IDC_GEAR_VALUE, "-3.25");
  Choose(IDC_ARG2_CHANNEL, 0);
  Type(IDC_SLAVE_ADDR, "12");
  Get<QCheckBox>(IDC_ENABLE)->setFocus();
  QTest::keyClick(Get<QCheckBox>(IDC_ENABLE), Qt::Key_Space);
  ASSERT_TRUE(Get<QCheckBox>(IDC_ENABLE)->isChecked());
  Choose(IDC_DECIMALS, 3);
  Type(IDC_RS485_POLL, "321");

  PaneRecorder pane3(dialog_->Pane(3));
  Click(IDC_WRITE_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 65; }, 120000)) << RequestsLogged();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().RunInProgress(); }, 30000));
  QTest::qWait(500);
  EXPECT_EQ(RequestsLogged(), 65);  // no coefficient block without a version
  EXPECT_EQ(Progress(pane3, "写入"), ExpectedProgress("写入"));
  // The logger told no version: beside the failed block, the operator learns that the
  // coefficients were not written, and why.
  EXPECT_EQ(Pane(3), "全部写入结束，1个数据块失败，系数未写入");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "系数未写入：记录仪未报告固件版本。\n请先读取参数，再全部写入。");

  ASSERT_EQ(sim_.Stop(), 0);
  ParamImage logger{};
  ASSERT_TRUE(LoggerImage(&logger));
  const ParamImage& tool = dialog_->core().param_store.image;
  EXPECT_EQ(TravellingDifferences(tool, logger, false), std::vector<std::string>());
  EXPECT_EQ(testing::FieldText(logger.arg2[6].name), "\xC6\xDF\xBA\xC5\xCD\xA8\xB5\xC0");  // 七号通道
  EXPECT_EQ(logger.arg2[6].reg_start, 4097);
  EXPECT_EQ(logger.arg2[6].func_code, 4);
  EXPECT_EQ(logger.arg2[0].func_code, 3);  // viewed from start-up: "03功能码"
  EXPECT_EQ(testing::FieldText(logger.arg1[31].gears[8].text), "OTHER");
  EXPECT_EQ(logger.arg2[0].enabled, 1);
  EXPECT_EQ(logger.base.rs485_poll_interval, 321);
  EXPECT_EQ(tool.coef[6].coef_a, 2.5f);
  EXPECT_EQ(logger.coef[6].coef_a, before.coef[6].coef_a);
}

TEST_F(SimGuiTest, AnEditCollectedWhileItsBlockIsBeingWrittenStaysUnsaved) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0", "--delay", "400"}));
  TestBaud();
  Click(IDC_WRITE_ALL);
  // Channel 1's block is on its way; an edit of it is collected before its answer is in.
  ASSERT_TRUE(WaitForPane(3, "写入参数1通道:1", 10000)) << Pane(3);
  Type(IDC_ALARM_TEXT, "late");
  Choose(IDC_ARG1_CHANNEL, 1);
  ASSERT_TRUE(WaitForPane(3, "写入参数1通道:2", 10000)) << Pane(3);
  // The logger has the older text: the edit is still to be saved.
  EXPECT_TRUE(dialog_->core().HasUnsavedEdits());
}

TEST_F(SimGuiTest, ARunCutByTheSearchKeepsTheStepsItReachedOnTheBar) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0"}));
  TestBaud();
  Click(IDC_READ_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 12; }, 20000));
  TestBaud();
  EXPECT_EQ(dialog_->RunProgressBar()->format(), QStringLiteral("失败 %v/%m"));
  EXPECT_GE(dialog_->RunProgressBar()->value(), 11);
  EXPECT_EQ(dialog_->RunProgressBar()->maximum(), 65);
}

TEST_F(SimGuiTest, EndingTheProgramDuringARunAsksFirst) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0"}));
  TestBaud();
  Click(IDC_WRITE_ALL);
  // Nothing read or imported yet: asked before the start-up values go out.
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find("没有从记录仪读取参数"), std::string::npos);
  messages_.clear();
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 2; }, 10000));

  yes_no_answer_ = false;
  QTest::keyClick(Combo(IDC_PORT), Qt::Key_Escape);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, MessageIcon::kQuestion);
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_TRUE(dialog_->core().RunInProgress());

  yes_no_answer_ = true;
  dialog_->close();  // the close box
  EXPECT_EQ(messages_.size(), 2u);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_FALSE(dialog_->core().RunInProgress());
  QTest::qWait(100);  // a request written before the close reaches the logger at line speed
  const int sent = RequestsLogged();
  QTest::qWait(600);
  EXPECT_EQ(RequestsLogged(), sent);  // the worker threads are stopped: nothing more goes out
}

}  // namespace
}  // namespace travex::gui_testing
