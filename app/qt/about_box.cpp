#include "app/qt/about_box.h"

#include <QIcon>

#include "app/qt/app_icon.h"
#include "travex_version.h"
#include "ui_about_box.h"

namespace travex {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutBox>()) {
  ui_->setupUi(this);
  ui_->label_version->setText(
      tr("Travex配置软件 %1 版").arg(QLatin1String(kVersionString)));
  const QIcon icon = AppIcon();
  setWindowIcon(icon);
  const int side = ui_->IDI_APP_ICON->minimumWidth();
  ui_->IDI_APP_ICON->setPixmap(icon.pixmap(QSize(side, side), devicePixelRatio()));
}

CAboutBox::~CAboutBox() = default;

}  // namespace travex
