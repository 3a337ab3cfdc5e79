// The dialog while it runs: the communication log, the port list following the port
// directory, what is remembered between runs, and its look.
#include <QApplication>
#include <QClipboard>
#include <QStatusBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "app/qt/frame_log.h"
#include "app/qt/tool_settings.h"
#include "sim_fixture.h"

namespace travex::gui_testing {
namespace {

QString Cell(CFrameLogModel* model, int row, int column) {
  return model->data(model->index(row, column)).toString();
}

// The dialog with the log window beside it, as one picture in the test output folder.
std::string SaveScreenshot(QWidget& dialog, QWidget& log, const std::string& name) {
  const char* env = std::getenv("TRAVEX_TEST_OUTPUT");
  const std::filesystem::path dir =
      env != nullptr && env[0] != '\0' ? std::filesystem::path(env)
                                       : std::filesystem::current_path() / "test-output";
  std::filesystem::create_directories(dir);
  const QPixmap left = dialog.grab();
  const QPixmap right = log.grab();
  QImage image(left.width() + 8 + right.width(), std::max(left.height(), right.height()),
               QImage::Format_RGB32);
  image.fill(Qt::darkGray);
  QPainter painter(&image);
  painter.drawPixmap(0, 0, left);
  painter.drawPixmap(left.width() + 8, 0, right);
  painter.end();
  const std::string path = (dir / name).string();
  return image.save(QString::fromStdString(path)) ? path : std::string();
}

// Replaces a port directory entry in one step, as the simulated logger and `ln -sf` do.
void Relink(const std::filesystem::path& entry, const std::filesystem::path& target) {
  const std::filesystem::path temp = entry.string() + ".new";
  std::filesystem::remove(temp);
  std::filesystem::create_symlink(target, temp);
  std::filesystem::rename(temp, entry);
}

QStringList Entries(QComboBox* combo) {
  QStringList list;
  for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
  return list;
}

TEST_F(SimGuiTest, CommunicationLogShowsEveryFrameAndSavesIt) {
  StartWithLogger({});
  TestBaud();
  // What the search found is remembered, and told by the search button.
  const QString tip = Button(IDC_TEST_BAUD)->toolTip();
  EXPECT_TRUE(tip.contains(QStringLiteral("波特率 ") + Edit(IDC_DEV_BAUD)->text())) << tip.toStdString();
  CFrameLogModel* model = dialog_->FrameLogModel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount() >= 2; }, 5000));
  EXPECT_EQ(Cell(model, 0, CFrameLogModel::kDescription), QStringLiteral("链路查询"));

  // Opened with Ctrl+L; the search's frames are cleared, then one base read.
  dialog_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
  QTest::keyClick(Edit(IDC_RS485_POLL), Qt::Key_L, Qt::ControlModifier);
  CFrameLogWindow* log = dialog_->FrameLogWindow();
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isVisible());
  EXPECT_EQ(log->windowTitle(), QStringLiteral("通信记录"));
  QTest::mouseClick(log->findChild<QPushButton*>("clear"), Qt::LeftButton);
  EXPECT_EQ(model->rowCount(), 0);
  Click(IDC_BASE_READ);
  ASSERT_TRUE(WaitForPane(3, "读取成功"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount() == 2; }, 5000));
  EXPECT_EQ(Cell(model, 0, CFrameLogModel::kDirection), QStringLiteral("发送"));
  EXPECT_TRUE(Cell(model, 0, CFrameLogModel::kHex).startsWith(QStringLiteral("55 ")));
  EXPECT_EQ(Cell(model, 0, CFrameLogModel::kDescription), QStringLiteral("读取第1–9项（共9项） · 基础参数"));
  EXPECT_EQ(Cell(model, 1, CFrameLogModel::kDirection), QStringLiteral("接收"));
  EXPECT_TRUE(Cell(model, 1, CFrameLogModel::kHex).startsWith(QStringLiteral("AA ")));
  EXPECT_TRUE(Cell(model, 1, CFrameLogModel::kDescription).startsWith(QStringLiteral("读取应答")));
  const QString hex = Cell(model, 1, CFrameLogModel::kHex);
  EXPECT_EQ(Cell(model, 1, CFrameLogModel::kLength).toInt(), (hex.size() + 1) / 3);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                  .match(Cell(model, 0, CFrameLogModel::kTime))
                  .hasMatch());

  // Ctrl+C copies the selected frame; saving goes through the dialog's file dialog.
  log->View()->selectRow(1);
  log->View()->setFocus();
  QTest::keyClick(log->View(), Qt::Key_C, Qt::ControlModifier);
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.contains(QStringLiteral("\t接收\t"))) << copied.toStdString();
  EXPECT_EQ(copied.count(QLatin1Char('\n')), 1);
  const std::string file = (dir_ / "saved" / "log.txt").string();
  std::filesystem::create_directories(dir_ / "saved");
  file_answers_.push_back(file);
  QTest::mouseClick(log->findChild<QPushButton*>("save"), Qt::LeftButton);
  ASSERT_EQ(file_requests_.size(), 1u);
  EXPECT_EQ(file_requests_[0].default_suffix, "txt");
  std::ifstream saved(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(saved, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);  // header, request, answer
  EXPECT_NE(lines[2].find("读取应答"), std::string::npos);
  EXPECT_EQ(LoadRememberedSettings().folder.toStdString(), (dir_ / "saved").string());

  const std::string shot = SaveScreenshot(*dialog_, *log, "dialog-with-communication-log.png");
  ASSERT_FALSE(shot.empty());
  std::cout << "screenshot: " << shot << std::endl;
}

TEST_F(GuiTest, CommunicationLogKeepsTheNewestFramesHandedOverFromAnotherThread) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();
  const size_t sent = kFrameLogCapacity + 3;
  std::thread transfer([&dlg, sent] {
    FrameRecord frame;
    frame.length = 2;
    for (size_t i = 0; i < sent; ++i) {
      frame.time = std::chrono::system_clock::now();
      frame.sent = i % 2 == 0;
      frame.bytes[0] = static_cast<uint8_t>(i >> 8);
      frame.bytes[1] = static_cast<uint8_t>(i);
      dlg.OnFrame(frame);
    }
  });
  transfer.join();
  CFrameLogModel* model = dlg.FrameLogModel();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return model->rowCount() == static_cast<int>(kFrameLogCapacity); }, 5000));
  QTest::qWait(50);
  EXPECT_EQ(model->rowCount(), static_cast<int>(kFrameLogCapacity));
  EXPECT_EQ(Cell(model, 0, CFrameLogModel::kHex), QStringLiteral("00 03"));  // frames 0-2 dropped
  EXPECT_EQ(Cell(model, model->rowCount() - 1, CFrameLogModel::kHex), QStringLiteral("13 8A"));
}

TEST_F(GuiTest, PortListFollowsThePortDirectoryAndKeepsTheChoice) {
  PinPortsExcept({});
  OpenDialog();
  QComboBox* ports = Combo(IDC_PORT);
  EXPECT_FALSE(ports->isEnabled());
  EXPECT_EQ(ports->toolTip(), QStringLiteral("未发现串口"));
  const auto follows = [&](const QStringList& entries) {
    return QTest::qWaitFor([&] { return Entries(ports) == entries; }, 1500);
  };

  Relink(port_dir_ / "com5", "/dev/null");
  ASSERT_TRUE(follows({"COM5"}));
  EXPECT_TRUE(ports->isEnabled());
  EXPECT_TRUE(Button(IDC_TEST_BAUD)->isEnabled());
  EXPECT_EQ(ComboText(IDC_PORT), "COM5");
  EXPECT_TRUE(ports->toolTip().contains(QStringLiteral("/dev/null")));

  Relink(port_dir_ / "com3", "/dev/null");
  ASSERT_TRUE(follows({"COM3", "COM5"}));
  EXPECT_EQ(ComboText(IDC_PORT), "COM5");

  // A port whose device goes stays listed, marked, and the choice stays on it.
  Relink(port_dir_ / "com3", dir_ / "no-such-device");
  ASSERT_TRUE(follows({"COM3（未连接）", "COM5"}));
  EXPECT_EQ(ComboText(IDC_PORT), "COM5");
  Relink(port_dir_ / "com5", dir_ / "no-such-device");
  ASSERT_TRUE(follows({"COM3（未连接）", "COM5（未连接）"}));
  EXPECT_EQ(ComboText(IDC_PORT), "COM5（未连接）");
  EXPECT_TRUE(ports->toolTip().contains(QStringLiteral("设备不在：/dev/null")));
}

TEST_F(SimGuiTest, TheChosenPortStaysOnItsLoggerWhileItIsUnplugged) {
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "9600"}));
  QComboBox* ports = Combo(IDC_PORT);
  Relink(port_dir_ / "com2", "/dev/null");  // another device
  ASSERT_TRUE(QTest::qWaitFor([&] { return Entries(ports) == QStringList{"COM2", "COM3"}; }, 1500));
  TestBaud();
  ASSERT_EQ(Pane(0), "设备波特率:9600");

  sim_.Kill();                     // the logger's adapter is pulled out
  dialog_->core().RefreshPorts();  // as the device event does
  EXPECT_EQ(ComboText(IDC_PORT), "COM3（未连接）");
  messages_.clear();
  TestBaud();
  EXPECT_EQ(Pane(0), "串口打开失败");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find("设备不在"), std::string::npos) << messages_[0].text;

  // Plugged in again: the same entry, and the search finds the same logger.
  ASSERT_TRUE(sim_.Start({"--com", "3", "--baud", "9600"})) << sim_.error();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Entries(ports) == QStringList{"COM2", "COM3"}; }, 1500));
  EXPECT_EQ(ComboText(IDC_PORT), "COM3");
  TestBaud();
  EXPECT_EQ(Pane(0), "设备波特率:9600");
}

TEST_F(GuiTest, RemembersThePortBetweenRuns) {
  PinPortsExcept({2, 5});
  std::filesystem::create_symlink("/dev/null", port_dir_ / "com2");
  std::filesystem::create_symlink("/dev/null", port_dir_ / "com5");
  OpenDialog();
  EXPECT_EQ(ComboText(IDC_PORT), "COM2");
  Choose(IDC_PORT, 1);
  dialog_.reset();
  EXPECT_TRUE(std::filesystem::exists(dir_ / "config" / "travex" / "travex-config.conf"));

  OpenDialog();
  EXPECT_EQ(ComboText(IDC_PORT), "COM5");
  // The start-up panes stay blank whatever is remembered.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Pane(i), "");
}

TEST_F(GuiTest, ReadableStatusPanesInADarkThemeAndNoJumpWhenCoefficientsAppear) {
  // A dark desktop theme with a large font, for this test only.
  struct DesktopLook {
    QPalette palette = QApplication::palette();
    QFont font = QApplication::font();
    ~DesktopLook() {
      QApplication::setPalette(palette);
      QApplication::setFont(font);
    }
  } restore;
  QPalette dark = restore.palette;
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::Window, QColor(40, 40, 40));
  QApplication::setPalette(dark);
  QFont large = restore.font;
  large.setPointSize(14);
  QApplication::setFont(large);
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();

  EXPECT_EQ(dlg.Pane(0)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  EXPECT_EQ(dlg.findChild<QStatusBar*>()->palette().color(QPalette::Window),
            QColor(180, 180, 180));
  EXPECT_EQ(Edit(IDC_CH_NAME)->font().pointSize(), 14);

  QTest::qWait(20);
  const QSize before = dlg.size();
  const QPoint edit_at = Edit(IDC_CH_NAME)->mapTo(&dlg, QPoint());
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    dlg.ShowControl(id, true);
  }
  QTest::qWait(20);
  EXPECT_EQ(dlg.size(), before);
  EXPECT_EQ(Edit(IDC_CH_NAME)->mapTo(&dlg, QPoint()), edit_at);
}

}  // namespace
}  // namespace travex::gui_testing
