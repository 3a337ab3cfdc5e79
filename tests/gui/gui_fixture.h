// Shared set-up of the GUI tests: a private port directory, the dialog on its own port and
// ring, modal boxes and file dialogs replaced by recorders.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/config_dlg.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "serial/rx_ring.h"

namespace travex::gui_testing {

struct Message {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/travex-gui-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    port_dir_ = dir_ / "ports";
    std::filesystem::create_directories(port_dir_);
    setenv("TRAVEX_PORT_DIR", port_dir_.c_str(), 1);
    // What the dialog remembers goes to the test's folder, never to the user's settings.
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
  }

  void TearDown() override {
    dialog_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // Pins COM1..COM30 to nothing except the numbers given, so that serial devices of the
  // machine running the tests do not show up in the list.
  void PinPortsExcept(const std::vector<unsigned>& keep) {
    for (unsigned n = 1; n <= 30; ++n) {
      bool kept = false;
      for (unsigned k : keep) kept = kept || k == n;
      if (kept) continue;
      std::filesystem::create_symlink(dir_ / "no-such-device", port_dir_ / ("com" + std::to_string(n)));
    }
  }

  // The dialog's port is open.
  bool PortOpen() const { return dialog_ != nullptr && dialog_->core().session().IsOpen(); }

  CConfigDlg& OpenDialog() {
    dialog_ = std::make_unique<CConfigDlg>();
    dialog_->hooks.message = [this](std::string_view text, std::string_view caption,
                                    MessageIcon icon) {
      messages_.push_back({std::string(text), std::string(caption), icon});
    };
    dialog_->hooks.yes_no = [this](std::string_view text, std::string_view caption) {
      messages_.push_back({std::string(text), std::string(caption), MessageIcon::kQuestion});
      return yes_no_answer_;
    };
    dialog_->hooks.file_name = [this](const FileDialogRequest& request, std::string* path) {
      file_requests_.push_back(request);
      if (file_answers_.empty()) return false;
      *path = file_answers_.front();
      file_answers_.pop_front();
      return !path->empty();
    };
    dialog_->show();
    return *dialog_;
  }

  template <typename T>
  T* Get(int id) {
    return qobject_cast<T*>(dialog_->Control(id));
  }
  QComboBox* Combo(int id) { return Get<QComboBox>(id); }
  QLineEdit* Edit(int id) { return Get<QLineEdit>(id); }
  QAbstractButton* Button(int id) { return Get<QAbstractButton>(id); }

  std::string Pane(int pane) { return dialog_->Pane(pane)->text().toStdString(); }
  std::string EditText(int id) { return Edit(id)->text().toStdString(); }
  std::string ComboText(int id) { return Combo(id)->currentText().toStdString(); }

  // The operator replaces an edit's text by typing.
  void Type(int id, const QString& text) {
    QLineEdit* edit = Edit(id);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar ch : text) {
      if (ch.unicode() < 0x80) {
        QTest::keyClick(edit, ch.toLatin1());
      } else {
        // Chinese text arrives through the input method, as a committed string.
        QInputMethodEvent commit;
        commit.setCommitString(QString(ch));
        QApplication::sendEvent(edit, &commit);
      }
    }
  }

  void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }

  // The operator picks an entry of a list with the arrow keys.
  void Choose(int id, int index) {
    QComboBox* combo = Combo(id);
    combo->setFocus();
    for (int guard = 0; guard < 100 && combo->currentIndex() != index; ++guard) {
      QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    }
  }

  std::filesystem::path dir_;
  std::filesystem::path port_dir_;
  std::unique_ptr<CConfigDlg> dialog_;
  std::vector<Message> messages_;
  std::vector<FileDialogRequest> file_requests_;
  std::deque<std::string> file_answers_;
  bool yes_no_answer_ = true;
};

}  // namespace travex::gui_testing
