// The real message boxes and file dialogs (no hooks), answered as an operator would.
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "gui_fixture.h"

namespace travex::gui_testing {
namespace {

// Runs `answer` on the modal window as soon as one is open.
void WhenModalOpens(std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      poll->stop();
      poll->deleteLater();
      answer(modal);
    }
  });
  poll->start(20);
}

class ModalTest : public GuiTest {
 protected:
  CConfigDlg& OpenWithoutHooks() {
    PinPortsExcept({});
    CConfigDlg& dlg = OpenDialog();
    dlg.hooks = ModalHooks{};
    return dlg;
  }
};

TEST_F(ModalTest, MessageBoxShowsTextCaptionIconAndOk) {
  CConfigDlg& dlg = OpenWithoutHooks();
  QString text, caption, ok;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  WhenModalOpens([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    caption = box->windowTitle();
    icon = box->icon();
    ok = box->button(QMessageBox::Ok)->text();
    box->button(QMessageBox::Ok)->click();
  });
  dlg.ShowMessage("串口打开失败", "警告", MessageIcon::kQuestion);
  EXPECT_EQ(text, QStringLiteral("串口打开失败"));
  EXPECT_EQ(caption, QStringLiteral("警告"));
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(ok, QStringLiteral("确定"));
}

TEST_F(ModalTest, YesNoQuestionReturnsTheAnswer) {
  CConfigDlg& dlg = OpenWithoutHooks();
  WhenModalOpens([](QWidget* modal) {
    qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
  });
  EXPECT_TRUE(dlg.AskYesNo("结束？", "Travex配置软件"));
  WhenModalOpens([](QWidget* modal) {
    qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(dlg.AskYesNo("结束？", "Travex配置软件"));
}

TEST_F(ModalTest, SaveDialogOffersTheNameFilterAndAddsTheSuffix) {
  CConfigDlg& dlg = OpenWithoutHooks();
  const QString folder = QString::fromStdString(dir_.string());
  QStringList filters;
  QString proposed;
  WhenModalOpens([&](QWidget* modal) {
    auto* files = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(files, nullptr);
    filters = files->nameFilters();
    proposed = files->selectedFiles().value(0);
    // The operator goes to the folder and types a name without the suffix.
    files->setDirectory(folder);
    auto* name = files->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText("settings");
    static_cast<QDialog*>(files)->accept();  // as the "Save" button does
  });
  FileDialogRequest request;
  request.save = true;
  request.initial_name = "TRAVEX20240305_1407.ini";
  std::string path;
  ASSERT_TRUE(dlg.AskFileName(request, &path));
  EXPECT_EQ(path, dir_.string() + "/settings.ini");
  EXPECT_EQ(filters, QStringList({"INI files(*.ini)"}));
  EXPECT_TRUE(proposed.endsWith("TRAVEX20240305_1407.ini")) << proposed.toStdString();

  // Cancelled: no name.
  WhenModalOpens([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  EXPECT_FALSE(dlg.AskFileName(request, &path));
}

}  // namespace
}  // namespace travex::gui_testing
