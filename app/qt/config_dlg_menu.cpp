// CConfigDlg's context menu: the about box, the communication log window with the saving of
// the log, the history window, and the language for the next start; and the dialog's words in
// its language.
#include "app/qt/config_dlg.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QMenu>
#include <QUrl>
#include <utility>

#include "app/dialog_texts.h"
#include "app/qt/about_box.h"
#include "app/qt/frame_log.h"
#include "app/qt/history_window.h"
#include "app/qt/language.h"
#include "app/qt/qt_text.h"
#include "app/qt/tool_settings.h"
#include "paramfile/history.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace travex {

void CConfigDlg::CreateContextMenu() {
  // The about entry lives in the dialog's context menu (there is no extensible system menu),
  // and beside it the communication log.
  const std::string_view about_text = LoadResourceString(IDS_ABOUT_ENTRY);
  if (!about_text.empty()) {
    auto* about = new QAction(FromUtf8(Tr("dialog", about_text)), this);
    about->setObjectName(QStringLiteral("ID_SYSMENU_ABOUT"));
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(ID_SYSMENU_ABOUT); });
    addAction(about);
  }
  auto* log = new QAction(tr("通信记录(&L)..."), this);
  log->setObjectName(QStringLiteral("frame log"));
  log->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  log->setShortcutContext(Qt::WindowShortcut);
  connect(log, &QAction::triggered, this, &CConfigDlg::ShowFrameLog);
  addAction(log);
  auto* history = new QAction(
      Translated("dialog", dialog_text::kHistoryTitle) + QStringLiteral("(&H)..."), this);
  history->setObjectName(QStringLiteral("history"));
  connect(history, &QAction::triggered, this, &CConfigDlg::ShowHistory);
  addAction(history);
  addAction(CreateLanguageMenu());
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

QAction* CConfigDlg::CreateLanguageMenu() {
  // Both languages named in their own words, under a title in both: whoever opens the menu can
  // read one of them.
  auto* menu = new QMenu(this);
  auto* entry = new QAction(tr("语言") + QStringLiteral(" / Language"), this);
  entry->setObjectName(QStringLiteral("language"));
  entry->setMenu(menu);
  auto* group = new QActionGroup(menu);
  const UiLanguage current = CurrentLanguage();
  for (const auto& [language, name] : {std::pair{UiLanguage::kChinese, QStringLiteral("中文")},
                                       std::pair{UiLanguage::kEnglish, QStringLiteral("English")}}) {
    auto* choice = menu->addAction(name);
    choice->setObjectName(QStringLiteral("language ") + LanguageCode(language));
    choice->setCheckable(true);
    choice->setChecked(language == current);
    group->addAction(choice);
    connect(choice, &QAction::triggered, this, [this, language = language] {
      RememberLanguage(LanguageCode(language));
      ShowMessage(tr("界面语言将在下次启动时切换。").toStdString(), Tr("dialog", dialog_text::kAppName),
                  MessageIcon::kInformation);
    });
  }
  return entry;
}

std::string CConfigDlg::Tr(const char* context, std::string_view source) const {
  return Translated(context, source).toStdString();
}

void CConfigDlg::OnSysCommand(int id) {
  if ((id & 0xFFF0) != ID_SYSMENU_ABOUT) return;
  if (hooks.about) {
    hooks.about();
    return;
  }
  CAboutBox about(this);
  about.exec();
}

std::string CConfigDlg::HistoryFolder() { return DefaultHistoryFolder(); }

void CConfigDlg::ShowHistory() {
  if (history_ == nullptr) {
    history_ = new CHistoryWindow(
        HistoryFolder(), [this](const std::string& path) { core_.ImportFile(path); },
        [this](const std::string& folder) {
          if (hooks.open_folder) {
            hooks.open_folder(folder);
            return;
          }
          QDesktopServices::openUrl(
              QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(folder))));
        },
        this);
  }
  history_->Refresh();
  history_->show();
  history_->raise();
  history_->activateWindow();
}

void CConfigDlg::ShowFrameLog() {
  if (frame_log_ == nullptr) {
    frame_log_ = new CFrameLogWindow(frame_log_model_, [this] { SaveFrameLog(); }, this);
    // Beside the dialog, where it hides nothing of it.
    const QRect frame = frameGeometry();
    frame_log_->move(frame.right() + 8, frame.top());
  }
  frame_log_->show();
  frame_log_->raise();
  frame_log_->activateWindow();
}

void CConfigDlg::SaveFrameLog() {
  FileDialogRequest request;
  request.save = true;
  request.initial_name =
      tr("通信记录").toStdString() +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmm")).toStdString() + ".txt";
  request.filter_text = tr("文本文件(*.txt)").toStdString();
  request.filter_pattern = "*.txt";
  request.default_suffix = "txt";
  std::string path;
  if (!AskFileName(request, &path)) return;
  const QString file = QFile::decodeName(QByteArray::fromStdString(path));
  QString error;
  if (!frame_log_model_->SaveText(file, &error)) {
    ShowMessage(tr("通信记录保存失败：%1").arg(QFile::decodeName(QByteArray::fromStdString(path)))
                        .toStdString() + "\n" + error.toStdString(),
                Tr("dialog", dialog_text::kAppName), MessageIcon::kWarning);
  }
}

}  // namespace travex
