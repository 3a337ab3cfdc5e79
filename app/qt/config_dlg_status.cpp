// CConfigDlg's status bar (four panes of equal width) and the progress bar of read-all and
// write-all.
#include "app/qt/config_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QSizePolicy>
#include <QStatusBar>
#include <algorithm>

#include "app/qt/qt_text.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"
#include "ui_config_dlg.h"

namespace travex {
namespace {

constexpr QColor kStatusBarColour(180, 180, 180);
// Text on the grey panes: dark whatever the desktop's theme (a dark theme's light text would
// vanish on the grey).
constexpr QColor kStatusTextColour(0, 0, 0);

}  // namespace

void CConfigDlg::CreateStatusBar() {
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(QStringLiteral("status bar"));
  status_bar_->setSizeGripEnabled(false);
  status_bar_->setAutoFillBackground(true);
  QPalette palette = status_bar_->palette();
  palette.setColor(QPalette::Window, kStatusBarColour);
  status_bar_->setPalette(palette);
  for (int i = 0; i < kPaneCount; ++i) {
    auto* pane = new QLabel(FromUtf8(LoadResourceString(IDS_STATUS1 + i)), status_bar_);
    const QString name = QStringLiteral("pane %1").arg(i);
    pane->setObjectName(name);
    pane->setAccessibleName(name);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setTextFormat(Qt::PlainText);
    // Equal panes, a quarter of the client width each, whatever their text.
    pane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pane->setMinimumWidth(1);
    status_bar_->addWidget(pane, 1);
    panes_[i] = pane;
  }
  // Steps of a read-all or write-all: in the button row, so that the panes keep their quarters.
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("run progress"));
  progress_->setAccessibleName(tr("全部读取/写入进度"));
  progress_->setTextVisible(true);
  progress_->setFixedWidth(fontMetrics().horizontalAdvance(tr("失败 97/97")) + 48);
  ui_->layoutBottom->insertWidget(0, progress_);
  SetRunProgress(Progress::kIdle, 0, 0);
  ui_->layoutMain->addWidget(status_bar_);
  SetUpStatusLook();
}

void CConfigDlg::SetUpStatusLook() {
  QPalette palette = status_bar_->palette();
  palette.setColor(QPalette::WindowText, kStatusTextColour);
  palette.setColor(QPalette::Text, kStatusTextColour);
  status_bar_->setPalette(palette);
  for (QLabel* pane : panes_) pane->setPalette(palette);
  QPalette bar = progress_->palette();
  bar.setColor(QPalette::Base, QColor(235, 235, 235));
  bar.setColor(QPalette::Text, kStatusTextColour);
  bar.setColor(QPalette::WindowText, kStatusTextColour);
  progress_->setPalette(bar);
}

QLabel* CConfigDlg::Pane(int pane) const {
  return pane >= 0 && pane < kPaneCount ? panes_[pane] : nullptr;
}

void CConfigDlg::SetPaneText(int pane, std::string_view utf8) {
  QLabel* label = Pane(pane);
  if (label == nullptr) return;
  const QString text = FromUtf8(utf8);
  if (!IsUiThread()) {
    PostToUi([this, pane, text = std::string(utf8)] { SetPaneText(pane, text); });
    return;
  }
  label->setText(text);
  // A text longer than its quarter is cut on screen; the tool tip has all of it.
  label->setToolTip(text);
  label->setAccessibleDescription(text);
  if (label->isVisible()) label->repaint();
}

void CConfigDlg::SetRunProgress(Progress state, int done, int total) {
  if (!IsUiThread()) {
    PostToUi([this, state, done, total] { SetRunProgress(state, done, total); });
    return;
  }
  QPalette palette = progress_->palette();
  palette.setColor(QPalette::Highlight, state == Progress::kFailed
                                            ? QColor(192, 57, 43)
                                            : QApplication::palette().color(QPalette::Highlight));
  progress_->setPalette(palette);
  if (state == Progress::kIdle) {
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setFormat(QString());
    progress_->setToolTip(QString());
    return;
  }
  progress_->setRange(0, std::max(total, 1));
  progress_->setValue(std::clamp(done, 0, std::max(total, 1)));
  switch (state) {
    case Progress::kFailed:
      progress_->setFormat(tr("失败 %v/%m"));
      progress_->setToolTip(tr("全部读取/写入未完成"));
      break;
    case Progress::kSucceeded:
      progress_->setFormat(QStringLiteral("%v/%m"));
      progress_->setToolTip(tr("全部读取/写入已完成"));
      break;
    default:
      progress_->setFormat(QStringLiteral("%v/%m"));
      progress_->setToolTip(QString());
      break;
  }
}

}  // namespace travex
