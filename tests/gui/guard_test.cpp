// What keeps an operator from losing work or writing wrong values, and the search that never
// freezes the window, through the real widgets against the simulated logger.
#include <QProgressBar>
#include <QTimer>
#include <QWheelEvent>
#include <chrono>
#include <fstream>

#include "sim_fixture.h"

namespace travex::gui_testing {
namespace {

using Clock = std::chrono::steady_clock;

TEST_F(GuiTest, WhateverMovesASelectorTheValuesOnScreenAreTheEntrysOwn) {
  PinPortsExcept({});
  OpenDialog();
  CParamStore& store = dialog_->core().param_store;
  const CParamPanels& panels = dialog_->core().panels();
  Type(IDC_ALARM_TEXT, "first");
  // Keys an operator may press on a focused selector, and the mouse wheel.
  const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_5, Qt::Key_End, Qt::Key_T, Qt::Key_PageUp,
                          Qt::Key_Home, Qt::Key_3, Qt::Key_Up, Qt::Key_PageDown};
  int moves = 0;
  for (int id : {IDC_ARG1_CHANNEL, IDC_GEAR, IDC_ARG2_CHANNEL}) {
    QComboBox* combo = Combo(id);
    combo->setFocus();
    for (Qt::Key key : keys) {
      const int before = combo->currentIndex();
      QTest::keyClick(combo, key);
      moves += combo->currentIndex() != before ? 1 : 0;
      EXPECT_EQ(combo->currentIndex(), id == IDC_ARG1_CHANNEL ? panels.Arg1Channel()
                                        : id == IDC_ARG2_CHANNEL ? panels.Arg2Channel()
                                                                 : panels.Gear(panels.Arg1Channel()))
          << id << " key " << key;
    }
    QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &wheel);
    EXPECT_EQ(combo->currentIndex(), id == IDC_ARG1_CHANNEL ? panels.Arg1Channel()
                                      : id == IDC_ARG2_CHANNEL ? panels.Arg2Channel()
                                                               : panels.Gear(panels.Arg1Channel()))
        << id << " wheel";
  }
  EXPECT_GT(moves, 10);
  // The edit of channel 1 went with channel 1.
  EXPECT_STREQ(store.image.arg1[0].alarm_text, "first");
}

TEST_F(SimGuiTest, TheSearchKeepsTheWindowAliveAndClicksMeanwhileDoNothing) {
  // At 115200 the logger answers the ninth rate of the first round: the search takes a second.
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0"}));
  QTimer timer;
  std::vector<Clock::time_point> ticks;
  QObject::connect(&timer, &QTimer::timeout, [&] { ticks.push_back(Clock::now()); });
  timer.start(20);

  Click(IDC_TEST_BAUD);
  ASSERT_TRUE(dialog_->core().SearchInProgress());
  ASSERT_TRUE(WaitForPane(0, "正在测试波特率：4800", 5000)) << Pane(0);
  EXPECT_EQ(Pane(1), "第 2 个，共 9 个");
  // What would interfere waits; clicks on it now are not replayed later.
  for (int id : {IDC_TEST_BAUD, IDC_READ_ALL, IDC_WRITE_ALL, IDC_BASE_READ, IDC_PORT}) {
    EXPECT_FALSE(dialog_->Control(id)->isEnabled()) << id;
  }
  Click(IDC_READ_ALL);
  Click(IDC_BASE_WRITE);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().SearchInProgress(); }, 20000));
  timer.stop();
  EXPECT_EQ(Pane(0), "设备波特率:115200");
  EXPECT_TRUE(Button(IDC_READ_ALL)->isEnabled());

  // The timer was served all along (ticks 20 ms apart, never more than 100 ms between two).
  ASSERT_GT(ticks.size(), 40u);
  for (size_t i = 1; i < ticks.size(); ++i) {
    EXPECT_LT(ticks[i] - ticks[i - 1], std::chrono::milliseconds(100)) << "tick " << i;
  }
  QTest::qWait(500);
  EXPECT_EQ(RequestsLogged(), 0);
  EXPECT_FALSE(dialog_->core().RunInProgress());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SimGuiTest, TestBaudDuringAWriteAllAsksAndShowsTheRunDidNotComplete) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "9600", "--fw", "0"}));
  TestBaud();
  Click(IDC_WRITE_ALL);  // nothing loaded: asked, and yes
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 3; }, 20000));
  messages_.clear();

  yes_no_answer_ = false;
  Click(IDC_TEST_BAUD);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find("全部写入正在进行"), std::string::npos);
  EXPECT_TRUE(dialog_->core().RunInProgress());
  EXPECT_FALSE(dialog_->core().SearchInProgress());

  yes_no_answer_ = true;
  TestBaud();
  EXPECT_FALSE(dialog_->core().RunInProgress());
  EXPECT_EQ(Pane(0), "设备波特率:9600");
  EXPECT_EQ(Pane(3), "全部写入未完成：已被测试波特率中断");
  EXPECT_EQ(dialog_->RunProgressBar()->format(), QStringLiteral("失败 %v/%m"));
}

TEST_F(SimGuiTest, PagingThroughAReadAllLeavesValuesNoSelectorListsAsTheLoggerHasThem) {
  // A logger holding values the selectors cannot show, and a text longer than the panel's limit.
  ParamImage odd{};
  odd.base.comm_baud = 1200;
  odd.base.parity = 7;
  for (int ch = 0; ch < kChannelCount; ++ch) {
    odd.arg2[ch].func_code = 6;
    odd.arg2[ch].decimals = 9;
    odd.arg2[ch].data_type = static_cast<uint8_t>(20 + ch);
    odd.arg2[ch].enabled = 5;
    std::snprintf(odd.arg1[ch].normal_text, sizeof odd.arg1[ch].normal_text, "NORMAL%04d", ch);
    odd.coef[ch].coef_a = 1e-7f;  // shows as 0.000000
  }
  {
    uint8_t bytes[kImageBytes];
    EncodeImage(odd, bytes);
    std::ofstream(sim_.Path("state.bin"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "115200", "--fw", "0x0102"}));
  TestBaud();
  Click(IDC_READ_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().RunInProgress(); }, 60000));
  EXPECT_EQ(Combo(IDC_FUNC_CODE)->currentIndex(), -1);
  EXPECT_EQ(Combo(IDC_FUNC_CODE)->placeholderText(), QStringLiteral("值 6，不在列表中"));
  EXPECT_EQ(Combo(IDC_COMM_BAUD)->placeholderText(), QStringLiteral("值 1200，不在列表中"));

  // Page through every channel with the arrow keys, then write everything back.
  Choose(IDC_ARG1_CHANNEL, 31);
  Choose(IDC_ARG2_CHANNEL, 31);
  Choose(IDC_ARG2_CHANNEL, 0);
  const int before = RequestsLogged();
  Click(IDC_WRITE_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().RunInProgress(); }, 60000));
  EXPECT_EQ(RequestsLogged(), before + 97);
  EXPECT_TRUE(messages_.empty());

  ASSERT_EQ(sim_.Stop(), 0);
  ParamImage logger{};
  ASSERT_TRUE(LoggerImage(&logger));
  EXPECT_EQ(TravellingDifferences(odd, logger, true), std::vector<std::string>());
}

TEST_F(SimGuiTest, AnUnpluggedLoggerIsReportedAndFoundAgainWhenItIsBack) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "9600", "--fw", "0"}));
  TestBaud();
  Click(IDC_READ_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 3; }, 20000));
  sim_.Kill();  // the adapter is pulled out

  // The bar keeps the steps reached.
  ASSERT_NO_FATAL_FAILURE(ExpectReadAllEndedByDeviceLoss(65));

  // Plugged in again (same COM name): the search finds it.
  ASSERT_TRUE(sim_.Start({"--com", "3", "--baud", "9600", "--fw", "0", "--log",
                          sim_.Path("frames.log"), "--state", sim_.Path("state.bin")}))
      << sim_.error();
  TestBaud();
  EXPECT_EQ(Pane(0), "设备波特率:9600");
  EXPECT_TRUE(PortOpen());
}

}  // namespace
}  // namespace travex::gui_testing
