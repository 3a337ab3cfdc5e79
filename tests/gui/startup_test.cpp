// The dialog as the operator first sees it: template, lists, visibility, status bar, port list,
// about box and the keys that end it.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <pty.h>
#include <unistd.h>

#include "app/qt/about_box.h"
#include "app/qt/config_app.h"
#include "app/qt/control_table.h"
#include "gui_fixture.h"
#include "resources/resource_ids.h"

namespace travex::gui_testing {
namespace {

QStringList Entries(QComboBox* combo) {
  QStringList list;
  for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
  return list;
}

QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
  return iface != nullptr ? iface->text(QAccessible::Name) : QString();
}

// A pseudo-terminal that stays open for the test: a real character device to link to.
struct Pty {
  Pty() { EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0); }
  ~Pty() {
    close(slave);
    close(master);
  }
  int master = -1;
  int slave = -1;
  char name[128] = {};
};

TEST_F(GuiTest, StartsWithTitleBlankPanesFirstChannelsAndHiddenCoefficients) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();

  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Travex配置软件V1.2"));
  EXPECT_FALSE(dlg.windowIcon().isNull());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Pane(i), "") << "pane " << i;
    EXPECT_EQ(dlg.Pane(i)->objectName(), QStringLiteral("pane %1").arg(i));
    EXPECT_EQ(dlg.Pane(i)->accessibleName(), QStringLiteral("pane %1").arg(i));
    EXPECT_EQ(dlg.Pane(i)->frameShadow(), QFrame::Sunken);
  }
  // Four equal panes across the status bar, in pane order, on the grey background.
  auto* bar = dlg.findChild<QStatusBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(180, 180, 180));
  for (int i = 1; i < 4; ++i) {
    EXPECT_NEAR(dlg.Pane(i)->width(), dlg.Pane(0)->width(), 2);
    EXPECT_GT(dlg.Pane(i)->x(), dlg.Pane(i - 1)->x());
  }
  // Each a quarter of the width: the progress bar of read-all and write-all (empty) lives in
  // the button row. A text cut on screen is whole in the pane's tool tip.
  ASSERT_NE(dlg.RunProgressBar(), nullptr);
  EXPECT_FALSE(bar->isAncestorOf(dlg.RunProgressBar()));
  EXPECT_TRUE(dlg.RunProgressBar()->isVisible());
  EXPECT_EQ(dlg.RunProgressBar()->value(), 0);
  EXPECT_GE(dlg.Pane(0)->width(), dlg.width() / 4 - 8);
  dlg.SetPaneText(1, "请检查设备连接，然后重新测试波特率");
  EXPECT_EQ(dlg.Pane(1)->toolTip(), QStringLiteral("请检查设备连接，然后重新测试波特率"));

  EXPECT_EQ(ComboText(IDC_ARG1_CHANNEL), "通道1");
  EXPECT_EQ(ComboText(IDC_ARG2_CHANNEL), "通道1");
  EXPECT_EQ(ComboText(IDC_GEAR), "遥调档位1");
  EXPECT_EQ(ComboText(IDC_COMM_BAUD), "2400");
  EXPECT_EQ(ComboText(IDC_PARITY), "无校验");
  // The tool's own function code shows as the list's first entry.
  EXPECT_EQ(ComboText(IDC_FUNC_CODE), "03功能码");
  EXPECT_EQ(ComboText(IDC_DATA_TYPE), "16位无符号整形大端");
  EXPECT_EQ(Get<QLabel>(IDC_VERSION)->text(), QStringLiteral("---"));
  EXPECT_EQ(EditText(IDC_YEAR), "1970");
  EXPECT_EQ(EditText(IDC_ALARM_VALUE), "0.000000");
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    EXPECT_FALSE(dlg.Control(id)->isVisible()) << id;
  }
  // The four address and baud buttons start disabled (and hidden).
  for (int id : {IDC_ADDR_QUERY, IDC_ADDR_SET, IDC_BAUD_QUERY, IDC_BAUD_SET}) {
    EXPECT_FALSE(dlg.Control(id)->isEnabled()) << id;
  }
}

TEST_F(GuiTest, EveryControlHasItsNameCaptionListAndVisibility) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();

  for (const ControlName& control : kMainDialogControls) {
    QWidget* widget = dlg.Control(control.id);
    ASSERT_NE(widget, nullptr) << control.name;
    EXPECT_EQ(widget->objectName().toStdString(), control.name);
  }

  const std::pair<int, const char*> captions[] = {
      {IDC_TEST_BAUD, "测试波特率"}, {IDC_ADDR_QUERY, "查询"},   {IDC_ADDR_SET, "设置"},
      {IDC_BAUD_QUERY, "查询"},      {IDC_BAUD_SET, "设置"},     {IDC_NOW, "当前"},
      {IDC_BASE_READ, "读取参数"},   {IDC_BASE_WRITE, "写入参数"}, {IDC_ARG1_READ, "读取参数"},
      {IDC_ARG1_WRITE, "写入参数"},  {IDC_ENABLE, "启用"},       {IDC_ARG2_READ, "读取参数"},
      {IDC_ARG2_WRITE, "写入参数"},  {IDC_IMPORT, "数据导入"},   {IDC_EXPORT, "数据导出"},
      {IDC_READ_ALL, "全部读取"},    {IDC_WRITE_ALL, "全部写入"},
  };
  for (const auto& [id, caption] : captions) {
    EXPECT_EQ(Button(id)->text().toStdString(), caption) << id;
  }
  EXPECT_EQ(Get<QLabel>(IDC_COEF_A_LABEL)->text(), QStringLiteral("系数A"));
  EXPECT_EQ(Get<QLabel>(IDC_COEF_B_LABEL)->text(), QStringLiteral("系数B"));

  // Hidden in the template and never shown.
  for (int id : {IDC_DEV_ADDR, IDC_ADDR_QUERY, IDC_ADDR_SET, IDC_DEV_BAUD, IDC_BAUD_QUERY,
                 IDC_BAUD_SET, IDC_ARG1_READ, IDC_ARG1_WRITE, IDC_ARG2_READ, IDC_ARG2_WRITE}) {
    EXPECT_TRUE(dlg.Control(id)->isHidden()) << id;
  }
  for (const char* label : {"label_dev_addr", "label_dev_baud"}) {
    EXPECT_TRUE(dlg.findChild<QLabel*>(label)->isHidden()) << label;
  }
  for (int id : {IDC_PORT, IDC_TEST_BAUD, IDC_COMM_BAUD, IDC_YEAR, IDC_SECOND, IDC_NOW,
                 IDC_VERSION, IDC_GEAR, IDC_DATA_TYPE, IDC_READ_ALL, IDC_WRITE_ALL}) {
    EXPECT_TRUE(dlg.Control(id)->isVisible()) << id;
  }

  QStringList channels;
  for (int i = 1; i <= 32; ++i) channels << QStringLiteral("通道%1").arg(i);
  EXPECT_EQ(Entries(Combo(IDC_ARG1_CHANNEL)), channels);
  EXPECT_EQ(Entries(Combo(IDC_ARG2_CHANNEL)), channels);
  EXPECT_EQ(Entries(Combo(IDC_COMM_BAUD)),
            QStringList({"2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600",
                         "115200"}));
  EXPECT_EQ(Entries(Combo(IDC_PARITY)), QStringList({"无校验", "奇校验", "偶校验"}));
  EXPECT_EQ(Entries(Combo(IDC_FUNC_CODE)), QStringList({"03功能码", "04功能码"}));
  EXPECT_EQ(Entries(Combo(IDC_DECIMALS)), QStringList({"0", "1", "2", "3", "4", "5"}));
  // The sorted gear list: text order is the gear order.
  QStringList gears = Entries(Combo(IDC_GEAR));
  EXPECT_EQ(gears, QStringList({"遥调档位1", "遥调档位2", "遥调档位3", "遥调档位4", "遥调档位5",
                                "遥调档位6", "遥调档位7", "遥调档位8", "遥调档位其他"}));
  QStringList sorted = gears;
  sorted.sort();
  EXPECT_EQ(sorted, gears);
  const QStringList types = Entries(Combo(IDC_DATA_TYPE));
  ASSERT_EQ(types.size(), 16);
  EXPECT_EQ(types.front(), QStringLiteral("16位无符号整形大端"));
  EXPECT_EQ(types[6], QStringLiteral("32位无符号整形低word高byte"));
  EXPECT_EQ(types[12], QStringLiteral("浮点型低Word高Byte"));
  EXPECT_EQ(types.back(), QStringLiteral("8位有符号"));

  // Only the port list takes typed text (and never as a new entry); the fixed lists cannot be
  // typed into, so what they show is always what the panels use.
  for (QComboBox* combo : dlg.findChildren<QComboBox*>()) {
    EXPECT_EQ(combo->isEditable(), combo == Combo(IDC_PORT)) << combo->objectName().toStdString();
    EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert) << combo->objectName().toStdString();
  }
}

TEST_F(GuiTest, ControlsCarryNamesForAssistiveTechnology) {
  PinPortsExcept({});
  OpenDialog();
  const std::pair<int, const char*> names[] = {
      {IDC_PORT, "串口号"},          {IDC_COMM_BAUD, "设备通信波特率"}, {IDC_RS485_POLL, "485轮询间隔"},
      {IDC_YEAR, "年"},              {IDC_MONTH, "月"},                 {IDC_DAY, "日"},
      {IDC_HOUR, "时"},              {IDC_MINUTE, "分"},                {IDC_SECOND, "秒"},
      {IDC_COEF_A, "系数A"},         {IDC_COEF_B, "系数B"},             {IDC_GEAR_TEXT, "内容"},
      {IDC_SLAVE_ADDR, "MODBUS从站地址"}, {IDC_ARG2_CHANNEL, "通道选择"},
  };
  for (const auto& [id, name] : names) {
    EXPECT_EQ(dialog_->Control(id)->accessibleName().toStdString(), name) << id;
  }
  // Each label is the buddy of the control to its right.
  auto* label = dialog_->findChild<QLabel*>("label_rs485_poll");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->buddy(), dialog_->Control(IDC_RS485_POLL));
  // What a screen reader is given for an edit and a button.
  EXPECT_EQ(AccessibleName(Button(IDC_TEST_BAUD)), QStringLiteral("测试波特率"));
  EXPECT_EQ(AccessibleName(Edit(IDC_RS485_POLL)), QStringLiteral("485轮询间隔"));
  EXPECT_EQ(AccessibleName(Edit(IDC_MINUTE)), QStringLiteral("分"));
}

TEST_F(GuiTest, PortListIsInTextOrderWithDevicesAsToolTips) {
  Pty com2, com10, com31;
  PinPortsExcept({2, 10});
  std::filesystem::create_symlink(com2.name, port_dir_ / "com2");
  std::filesystem::create_symlink(com10.name, port_dir_ / "com10");
  std::filesystem::create_symlink(com31.name, port_dir_ / "com31");
  OpenDialog();

  QComboBox* ports = Combo(IDC_PORT);
  EXPECT_EQ(Entries(ports), QStringList({"COM10", "COM2"}));
  EXPECT_EQ(ports->currentIndex(), 0);
  EXPECT_EQ(ComboText(IDC_PORT), "COM10");
  EXPECT_TRUE(ports->isEnabled());
  EXPECT_TRUE(Button(IDC_TEST_BAUD)->isEnabled());
  // The tool tip tells which device each name stands for.
  EXPECT_TRUE(ports->itemData(0, Qt::ToolTipRole).toString().contains(QString(com10.name)));
  EXPECT_TRUE(ports->itemData(1, Qt::ToolTipRole).toString().contains(QString(com2.name)));
  EXPECT_TRUE(ports->toolTip().contains(QString(com10.name)));
}

TEST_F(GuiTest, NoPortsDisablesListAndTestButton) {
  PinPortsExcept({});
  OpenDialog();
  EXPECT_EQ(Combo(IDC_PORT)->count(), 0);
  EXPECT_FALSE(Combo(IDC_PORT)->isEnabled());
  EXPECT_FALSE(Button(IDC_TEST_BAUD)->isEnabled());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Pane(i), "");
}

TEST_F(GuiTest, SelectorsFollowTheCoreButNotItsOwnChanges) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();
  // Out of range clears the selection; a value no entry stands for is shown as such.
  dlg.SetSelection(IDC_DATA_TYPE, 20);
  EXPECT_EQ(dlg.GetSelection(IDC_DATA_TYPE), -1);
  EXPECT_EQ(ComboText(IDC_DATA_TYPE), "");
  dlg.SetUnlistedValue(IDC_DECIMALS, "值 9，不在列表中");
  EXPECT_EQ(dlg.GetSelection(IDC_DECIMALS), -1);
  EXPECT_EQ(Combo(IDC_DECIMALS)->placeholderText(), QStringLiteral("值 9，不在列表中"));
  dlg.SetSelection(IDC_DECIMALS, 2);
  EXPECT_EQ(ComboText(IDC_DECIMALS), "2");
  EXPECT_EQ(Combo(IDC_DECIMALS)->placeholderText(), QString());
  EXPECT_EQ(Combo(IDC_DECIMALS)->count(), 6);

  // GBK at the interface, Unicode on screen.
  dlg.SetText(IDC_CH_NAME, "\xCE\xC2\xB6\xC8");  // 温度
  EXPECT_EQ(EditText(IDC_CH_NAME), "温度");
  Type(IDC_CH_UNIT, QStringLiteral("℃"));
  EXPECT_EQ(dlg.GetText(IDC_CH_UNIT), "\xA1\xE6");
  // Any bytes come back as they went in: bytes GBK does not map, control characters.
  const std::string odd("A\xFF\x80\t\x01\xD5\xFD\x81 ", 9);
  dlg.SetText(IDC_ALARM_TEXT, odd);
  EXPECT_EQ(dlg.GetText(IDC_ALARM_TEXT), odd);
}

TEST_F(GuiTest, AboutBoxFromTheContextMenu) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();
  EXPECT_EQ(dlg.contextMenuPolicy(), Qt::ActionsContextMenu);
  // The about entry, the communication log, the history, the language.
  ASSERT_EQ(dlg.actions().size(), 4);
  QAction* about = dlg.actions().front();
  EXPECT_EQ(about->text(), QStringLiteral("关于 Travex配置软件(&A)..."));
  EXPECT_EQ(dlg.actions().at(1)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));

  int opened = 0;
  dlg.hooks.about = [&] { ++opened; };
  about->trigger();
  dlg.OnSysCommand(31);
  dlg.OnSysCommand(32);
  EXPECT_EQ(opened, 2);

  CAboutBox box(&dlg);
  EXPECT_EQ(box.windowTitle(), QStringLiteral("关于 Travex配置软件"));
  QStringList texts;
  for (QLabel* label : box.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("Travex配置软件 1.2 版")));
  auto* icon = box.findChild<QLabel*>("IDI_APP_ICON");
  ASSERT_NE(icon, nullptr);
  EXPECT_FALSE(icon->pixmap().isNull());
  auto* ok = box.findChild<QPushButton*>("IDOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), QStringLiteral("确定"));
  EXPECT_TRUE(ok->isDefault());
  // Its OK button ends it.
  QTimer::singleShot(0, ok, [ok] { ok->click(); });
  EXPECT_EQ(box.exec(), QDialog::Accepted);
}

TEST_F(GuiTest, EnterNeverEndsTheDialogAndEscapeAsksWhenEditsWouldBeLost) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();
  // Enter in an edit moves on and keeps everything.
  Type(IDC_RS485_POLL, "250");
  QTest::keyClick(Edit(IDC_RS485_POLL), Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(EditText(IDC_RS485_POLL), "250");
  EXPECT_FALSE(Edit(IDC_RS485_POLL)->hasFocus());
  EXPECT_TRUE(messages_.empty());

  // Escape with an edit neither written nor exported: asked, and "no" stays.
  yes_no_answer_ = false;
  QTest::keyClick(Combo(IDC_PORT), Qt::Key_Escape);
  EXPECT_TRUE(dlg.isVisible());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, MessageIcon::kQuestion);
  yes_no_answer_ = true;
  QTest::keyClick(Combo(IDC_PORT), Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  dialog_.reset();

  // Nothing edited: Escape ends it at once.
  messages_.clear();
  CConfigDlg& again = OpenDialog();
  QTest::keyClick(Combo(IDC_PORT), Qt::Key_Escape);
  EXPECT_FALSE(again.isVisible());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(GuiTest, EnterOnAFocusedButtonPressesIt) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();
  Edit(IDC_YEAR)->setText(QStringLiteral("1999"));
  Button(IDC_NOW)->setFocus();
  QTest::keyClick(Button(IDC_NOW), Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_NE(EditText(IDC_YEAR), "1999");  // "当前" filled in the PC's clock
}

TEST_F(GuiTest, OpensWithAParameterFileGivenOnTheCommandLine) {
  PinPortsExcept({});
  CConfigDlg& dlg = OpenDialog();
  const std::string file = (dir_ / "given.ini").string();
  Type(IDC_CH_NAME, "from the file");
  file_answers_.push_back(file);
  Click(IDC_EXPORT);
  Type(IDC_CH_NAME, "changed");

  // The import takes the named file without asking; the open dialog answers again afterwards.
  ImportNamedParamFile(dlg, file);
  EXPECT_EQ(EditText(IDC_CH_NAME), "from the file");
  EXPECT_EQ(file_requests_.size(), 1u);
  Click(IDC_IMPORT);
  EXPECT_EQ(file_requests_.size(), 2u);
}

}  // namespace
}  // namespace travex::gui_testing
