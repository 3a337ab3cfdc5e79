// The history window: a read-all is listed with its port, address, firmware and kind, and
// imported into the panels as a file would be.
#include <QAction>
#include <QPushButton>
#include <QTreeWidget>

#include "app/qt/history_window.h"
#include "sim_fixture.h"

namespace travex::gui_testing {
namespace {

TEST_F(SimGuiTest, TheHistoryWindowListsAReadAllAndImportsIt) {
  ASSERT_NO_FATAL_FAILURE(
      StartWithLogger({"--baud", "115200", "--no-pacing", "--fw", "0x0102", "--demo"}));
  TestBaud();
  Click(IDC_READ_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= 97; }, 60000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().RunInProgress(); }, 30000));
  ASSERT_EQ(sim_.Stop(), 0);
  ParamImage logger{};
  ASSERT_TRUE(LoggerImage(&logger));
  {
    std::lock_guard lock(dialog_->core().StoreMutex());
    dialog_->core().param_store.image = ParamImage{};
  }

  dialog_->findChild<QAction*>("history")->trigger();
  CHistoryWindow* window = dialog_->HistoryWindow();
  ASSERT_NE(window, nullptr);
  QTreeWidget* list = window->List();
  ASSERT_EQ(list->topLevelItemCount(), 1);
  const QTreeWidgetItem* item = list->topLevelItem(0);
  EXPECT_EQ(item->text(1), QStringLiteral("COM3"));
  EXPECT_EQ(item->text(2), QStringLiteral("1"));
  EXPECT_EQ(item->text(3), QStringLiteral("1.2"));
  EXPECT_EQ(item->text(4), QStringLiteral("读取"));

  std::string opened;
  dialog_->hooks.open_folder = [&opened](const std::string& folder) { opened = folder; };
  window->findChild<QPushButton*>("history folder")->click();
  EXPECT_EQ(opened, (dir_ / "data/travex/history").string());
  window->findChild<QPushButton*>("history import")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->core().Busy(); }, 10000));
  QTest::qWait(200);
  std::lock_guard lock(dialog_->core().StoreMutex());
  EXPECT_EQ(TravellingDifferences(dialog_->core().param_store.image, logger, true),
            std::vector<std::string>());
}

}  // namespace
}  // namespace travex::gui_testing
