// A signal ends the tool as a close does: the threads stop, the port is closed and its lock
// file removed, and nobody is asked about unsaved edits.
#include <signal.h>
#include <unistd.h>

#include <QTimer>

#include "app/qt/config_app.h"
#include "serial/port_lock.h"
#include "sim_fixture.h"

namespace travex::gui_testing {
namespace {

TEST_F(SimGuiTest, SigtermClosesWithoutAskingAndRemovesTheLock) {
  ASSERT_TRUE(sim_.Start({"--com", "3", "--baud", "9600"})) << sim_.error();
  sim_.ExportPortDir();
  port_dir_ = sim_.port_dir();
  PinPortsExcept({sim_.com_number()});
  const std::filesystem::path lock = std::filesystem::path(kDefaultLockDir) / LockFileName(sim_.device());
  auto* app = qobject_cast<CConfigApp*>(QApplication::instance());
  ASSERT_NE(app, nullptr);

  bool opened = false;
  bool locked = false;
  bool asked = false;
  QTimer::singleShot(0, [&] {
    CConfigDlg* dlg = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* found = qobject_cast<CConfigDlg*>(widget)) dlg = found;
    }
    if (dlg == nullptr) return;
    dlg->hooks.yes_no = [&](std::string_view, std::string_view) { return asked = true; };
    QTest::mouseClick(qobject_cast<QAbstractButton*>(dlg->Control(IDC_TEST_BAUD)), Qt::LeftButton);
    opened = QTest::qWaitFor([&] { return dlg->core().session().IsOpen() && !dlg->core().SearchInProgress(); }, 20000);
    locked = std::filesystem::exists(lock);
    qobject_cast<QLineEdit*>(dlg->Control(IDC_CH_NAME))->setText(QStringLiteral("unsaved"));
    kill(getpid(), SIGTERM);
  });
  EXPECT_EQ(app->InitInstance(), 0);
  EXPECT_TRUE(opened);
  EXPECT_TRUE(locked);
  EXPECT_FALSE(asked);
  EXPECT_FALSE(std::filesystem::exists(lock));
}

}  // namespace
}  // namespace travex::gui_testing
