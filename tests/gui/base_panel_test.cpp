// "测试波特率" and the base panel against the simulated logger, and the screenshot of the dialog
// after a base read.
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <ctime>
#include <fstream>

#include "params/calendar.h"
#include "sim_fixture.h"

namespace travex::gui_testing {
namespace {

TEST_F(SimGuiTest, TestBaudFindsTheLoggerAndBaseReadShowsItsSettings) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "19200", "--address", "1", "--fw", "0x0102", "--demo"}));
  TestBaud();
  EXPECT_EQ(Pane(0), "设备波特率:19200");
  EXPECT_EQ(Pane(1), "设备地址：1");
  EXPECT_EQ(Pane(2), "");
  EXPECT_EQ(Pane(3), "");

  Click(IDC_BASE_READ);
  ASSERT_TRUE(WaitForPane(3, "读取成功")) << Pane(3);
  EXPECT_EQ(Get<QLabel>(IDC_VERSION)->text(), QStringLiteral("V1:02"));
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_TRUE(dialog_->Control(id)->isVisible()) << id;
  }

  // The screenshot a person can look at.
  QTest::qWait(100);
  const QString shot = QDir::current().absoluteFilePath("dialog-after-base-read.png");
  EXPECT_TRUE(dialog_->grab().save(shot));
  std::printf("screenshot: %s\n", shot.toStdString().c_str());

  // The panel shows what the logger holds.
  ASSERT_EQ(sim_.Stop(), 0);
  ParamImage logger{};
  ASSERT_TRUE(LoggerImage(&logger));
  static const unsigned kRates[] = {2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
  ASSERT_LT(Combo(IDC_COMM_BAUD)->currentIndex(), 9);
  EXPECT_EQ(kRates[Combo(IDC_COMM_BAUD)->currentIndex()], logger.base.comm_baud);
  EXPECT_EQ(Combo(IDC_PARITY)->currentIndex(), logger.base.parity);
  EXPECT_EQ(EditText(IDC_RS485_POLL), std::to_string(logger.base.rs485_poll_interval));
  EXPECT_EQ(EditText(IDC_RS485_TIMEOUT), std::to_string(logger.base.rs485_timeout));
  EXPECT_EQ(EditText(IDC_RS485_RETRIES), std::to_string(logger.base.rs485_retries));
  EXPECT_EQ(EditText(IDC_STORE_INTERVAL), std::to_string(logger.base.store_interval));
  EXPECT_EQ(EditText(IDC_LCD_ON_TIME), std::to_string(logger.base.lcd_on_time));
  // Its clock (which runs on in the logger): the date and time it had when read.
  DateTimeFields shown{};
  shown.year = static_cast<uint16_t>(std::stoi(EditText(IDC_YEAR)));
  shown.month = static_cast<uint8_t>(std::stoi(EditText(IDC_MONTH)));
  shown.day = static_cast<uint8_t>(std::stoi(EditText(IDC_DAY)));
  shown.hour = static_cast<uint8_t>(std::stoi(EditText(IDC_HOUR)));
  shown.minute = static_cast<uint8_t>(std::stoi(EditText(IDC_MINUTE)));
  shown.second = static_cast<uint8_t>(std::stoi(EditText(IDC_SECOND)));
  const uint32_t shown_seconds = DateTimeToSeconds(shown);
  EXPECT_NEAR(static_cast<double>(shown_seconds), static_cast<double>(logger.base.device_time), 120.0);
  EXPECT_GE(shown.year, 2024);
}

TEST_F(SimGuiTest, BaseWriteSendsTypedValuesAndThePcClock) {
  // At 2400 bit/s with every reply split in two parts.
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "2400", "--split", "30", "--fw", "0"}));
  TestBaud();
  ASSERT_EQ(Pane(0), "设备波特率:2400");

  Choose(IDC_COMM_BAUD, 2);  // 9600
  Choose(IDC_PARITY, 2);     // 偶校验
  Type(IDC_RS485_POLL, "250");
  Type(IDC_RS485_TIMEOUT, "1000");
  Type(IDC_RS485_RETRIES, "3");
  Type(IDC_STORE_INTERVAL, "70000");  // does not fit: refused, nothing goes out
  Type(IDC_LCD_ON_TIME, "30");
  Click(IDC_BASE_WRITE);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find("“存储间隔”的值“70000”无效"), std::string::npos) << messages_[0].text;
  EXPECT_NE(messages_[0].text.find("0 到 65535"), std::string::npos);
  QTest::qWait(200);
  EXPECT_EQ(RequestsLogged(), 0);
  Type(IDC_STORE_INTERVAL, "4464");
  Click(IDC_NOW);
  const auto now = static_cast<double>(std::time(nullptr));
  Click(IDC_BASE_WRITE);
  ASSERT_TRUE(WaitForPane(3, "写入成功")) << Pane(3);

  ParamImage logger{};
  ASSERT_TRUE(QTest::qWaitFor([&] { return LoggerImage(&logger) && logger.base.rs485_poll_interval == 250; },
                              10000));
  EXPECT_EQ(logger.base.comm_baud, 9600u);
  EXPECT_EQ(logger.base.parity, 2);
  EXPECT_EQ(logger.base.rs485_timeout, 1000);
  EXPECT_EQ(logger.base.rs485_retries, 3);
  EXPECT_EQ(logger.base.store_interval, 4464);
  EXPECT_EQ(logger.base.lcd_on_time, 30);
  // "当前" put the PC's local wall-clock time into the clock fields; it travelled as such.
  struct tm local {};
  const time_t t = static_cast<time_t>(now);
  localtime_r(&t, &local);
  const double local_as_utc = now + static_cast<double>(local.tm_gmtoff);
  EXPECT_NEAR(static_cast<double>(logger.base.device_time), local_as_utc, 120.0);
}

TEST_F(SimGuiTest, APortHeldByAnotherProgramGivesOneMessageBox) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "9600"}));
  CComPort other;  // another program holds the port
  other.Configure(static_cast<uint8_t>(sim_.com_number()), 8, 0, 0, 9600);
  ASSERT_NE(other.Open(), 0);

  TestBaud();
  EXPECT_EQ(Pane(0), "串口打开失败");
  EXPECT_EQ(Pane(1), "串口被其他程序占用");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text.rfind("串口打开失败", 0), 0u) << messages_[0].text;
  EXPECT_EQ(messages_[0].caption, "警告");
  EXPECT_EQ(messages_[0].icon, MessageIcon::kQuestion);
  EXPECT_FALSE(PortOpen());
  // No rate was tried: nothing reached the logger.
  std::ifstream log(sim_.Path("frames.log"));
  for (std::string line; std::getline(log, line);) {
    EXPECT_EQ(line.find(" RX "), std::string::npos) << line;
  }
  other.Close();
}

TEST_F(GuiTest, BaseButtonsWithThePortClosedAskToOpenIt) {
  PinPortsExcept({});
  OpenDialog();
  for (int id : {IDC_BASE_READ, IDC_BASE_WRITE, IDC_READ_ALL, IDC_WRITE_ALL}) {
    dialog_->SetStatusTexts("x", "x", "x", "x");
    Click(id);
    EXPECT_EQ(Pane(0), "请先打开串口") << id;
    EXPECT_EQ(Pane(1), "") << id;
    EXPECT_EQ(Pane(2), "") << id;
    EXPECT_EQ(Pane(3), "") << id;
  }
  // Nothing went out: no collection is running.
  QTest::qWait(400);
  EXPECT_EQ(Pane(3), "");
}

}  // namespace
}  // namespace travex::gui_testing
