// CConfigDlg's control operations: texts, selections, checks, visibility and list entries of
// the controls, looked up by id.
#include "app/qt/config_dlg.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "app/qt/qt_text.h"
#include "ui_config_dlg.h"

namespace travex {

int CConfigDlg::GetSelection(int id) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return -1;
  const int index = combo->currentIndex();
  if (!combo->isEditable()) return index;
  // What the operator typed counts: an entry only when the text is one.
  const QString text = combo->currentText();
  if (index >= 0 && combo->itemText(index) == text) return index;
  return combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void CConfigDlg::SetUnlistedValue(int id, std::string_view note_utf8) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  // No entry, and in its place (grey, as a placeholder) which value the selector stands for.
  combo->setPlaceholderText(FromUtf8(note_utf8));
  combo->setCurrentIndex(-1);
  if (combo->isEditable()) {
    combo->setEditText(QString());
    combo->lineEdit()->setPlaceholderText(FromUtf8(note_utf8));
  }
  combo->setToolTip(FromUtf8(note_utf8));
  combo->setAccessibleDescription(FromUtf8(note_utf8));
}

void CConfigDlg::SetSelection(int id, int index) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  if (index < 0 || index >= combo->count()) {
    combo->setCurrentIndex(-1);
    if (combo->isEditable()) combo->setEditText(QString());
    return;
  }
  combo->setCurrentIndex(index);
  if (!combo->placeholderText().isEmpty()) {
    combo->setPlaceholderText(QString());
    if (combo->lineEdit() != nullptr) combo->lineEdit()->setPlaceholderText(QString());
    if (combo == ui_->IDC_PORT) {
      UpdatePortToolTip();
    } else {
      combo->setToolTip(QString());
      combo->setAccessibleDescription(QString());
    }
  }
  // Typed text is replaced by the entry, also when the index itself did not change.
  if (combo->isEditable() && combo->currentText() != combo->itemText(index)) {
    combo->setEditText(combo->itemText(index));
  }
}

std::string CConfigDlg::GetText(int id) {
  QWidget* widget = Control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return ToGbk(edit->text());
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return ToGbk(combo->currentText());
  if (auto* label = qobject_cast<QLabel*>(widget)) return ToGbk(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return ToGbk(button->text());
  if (auto* box = qobject_cast<QGroupBox*>(widget)) return ToGbk(box->title());
  return {};
}

void CConfigDlg::SetText(int id, std::string_view gbk) {
  QWidget* widget = Control(id);
  const QString text = FromGbk(gbk);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(text);
    edit->setCursorPosition(0);  // show the start of a text longer than the edit
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->isEditable()) combo->setEditText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(text);
  }
}

int CConfigDlg::GetCheck(int id) {
  auto* box = qobject_cast<QCheckBox*>(Control(id));
  return box != nullptr && box->isChecked() ? 1 : 0;
}

void CConfigDlg::SetCheck(int id, int state) {
  if (auto* box = qobject_cast<QCheckBox*>(Control(id))) box->setChecked(state != 0);
}

void CConfigDlg::ShowControl(int id, bool visible) {
  if (QWidget* widget = Control(id)) widget->setVisible(visible);
}

void CConfigDlg::EnableControl(int id, bool enabled) {
  if (QWidget* widget = Control(id)) widget->setEnabled(enabled);
}

void CConfigDlg::SetListEntries(int id, const std::vector<std::string>& entries,
                                const std::vector<std::string>& tool_tips) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  {
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (size_t i = 0; i < entries.size(); ++i) {
      combo->addItem(FromGbk(entries[i]));
      if (i < tool_tips.size() && !tool_tips[i].empty()) {
        combo->setItemData(static_cast<int>(i), FromUtf8(tool_tips[i]), Qt::ToolTipRole);
      }
    }
    // A refilled list has no selection until one is set.
    combo->setCurrentIndex(-1);
    if (combo->isEditable()) combo->setEditText(QString());
  }
  // Never narrower than its longest entry, whatever the language and the font; the width the
  // template gives is the least.
  combo->setMinimumWidth(std::max(combo->minimumWidth(), combo->sizeHint().width()));
  if (combo == ui_->IDC_PORT) UpdatePortToolTip();
}

}  // namespace travex
