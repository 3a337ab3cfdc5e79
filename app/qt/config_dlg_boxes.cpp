// CConfigDlg's modal boxes: messages, yes/no questions and the file dialogs (each replaced by
// its hook when one is set).
#include "app/qt/config_dlg.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "app/qt/qt_text.h"

namespace travex {

void CConfigDlg::ShowMessage(std::string_view text_utf8, std::string_view caption_utf8,
                             MessageIcon icon) {
  if (hooks.message) {
    hooks.message(text_utf8, caption_utf8, icon);
    return;
  }
  QMessageBox::Icon box_icon = QMessageBox::NoIcon;
  switch (icon) {
    case MessageIcon::kNone: box_icon = QMessageBox::NoIcon; break;
    case MessageIcon::kQuestion: box_icon = QMessageBox::Question; break;
    case MessageIcon::kWarning: box_icon = QMessageBox::Warning; break;
    case MessageIcon::kInformation: box_icon = QMessageBox::Information; break;
  }
  QMessageBox box(box_icon, FromUtf8(caption_utf8), FromUtf8(text_utf8), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Ok)->setText(tr("确定"));
  box.exec();
}

bool CConfigDlg::AskYesNo(std::string_view text_utf8, std::string_view caption_utf8) {
  if (hooks.yes_no) return hooks.yes_no(text_utf8, caption_utf8);
  QMessageBox box(QMessageBox::Question, FromUtf8(caption_utf8), FromUtf8(text_utf8),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Yes)->setText(tr("是"));
  box.button(QMessageBox::No)->setText(tr("否"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool CConfigDlg::AskFileName(const FileDialogRequest& request, std::string* path) {
  const bool chosen =
      hooks.file_name ? hooks.file_name(request, path) : RunFileDialog(request, path);
  if (chosen && !path->empty()) {
    // The next file dialog opens where this one ended.
    remembered_.folder =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(*path))).absolutePath();
    RememberFolder(remembered_.folder);
  }
  return chosen;
}

bool CConfigDlg::RunFileDialog(const FileDialogRequest& request, std::string* path) {
  QString filter = FromUtf8(request.filter_text);
  if (!filter.contains(QLatin1Char('('))) {
    filter += QLatin1Char('(') + FromUtf8(request.filter_pattern) + QLatin1Char(')');
  }
  QFileDialog dialog(this, request.save ? tr("另存为") : tr("打开"));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(FromUtf8(request.default_suffix));
  // The save form asks before it replaces a file (Qt's default; kept explicit).
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (!remembered_.folder.isEmpty() && QFileInfo(remembered_.folder).isDir()) {
    dialog.setDirectory(remembered_.folder);
  }
  if (!request.initial_name.empty()) dialog.selectFile(FromUtf8(request.initial_name));
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return false;
  *path = QFile::encodeName(files.first()).toStdString();
  return true;
}

}  // namespace travex
