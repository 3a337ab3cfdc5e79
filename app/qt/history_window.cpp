#include "app/qt/history_window.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "app/dialog_texts.h"
#include "app/qt/qt_text.h"
#include "paramfile/history.h"

namespace travex {

namespace {
constexpr int kPathRole = Qt::UserRole;
}  // namespace

CHistoryWindow::CHistoryWindow(std::string folder, std::function<void(const std::string&)> import,
                               std::function<void(const std::string&)> open_folder,
                               QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), import_(std::move(import)) {
  setWindowTitle(Translated("dialog", dialog_text::kHistoryTitle));
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("history list"));
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  QStringList headers;
  for (std::string_view column : dialog_text::kHistoryColumns) {
    headers << Translated("dialog", column);
  }
  list_->setHeaderLabels(headers);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* import_button =
      buttons->addButton(Translated("dialog", dialog_text::kHistoryImport),
                         QDialogButtonBox::ActionRole);
  import_button->setObjectName(QStringLiteral("history import"));
  QPushButton* folder_button =
      buttons->addButton(Translated("dialog", dialog_text::kHistoryOpenFolder),
                         QDialogButtonBox::ActionRole);
  folder_button->setObjectName(QStringLiteral("history folder"));
  connect(import_button, &QPushButton::clicked, this, &CHistoryWindow::ImportChosen);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &CHistoryWindow::ImportChosen);
  connect(folder_button, &QPushButton::clicked, this,
          [this, open_folder = std::move(open_folder)] { open_folder(folder_); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  resize(640, 400);
  Refresh();
}

void CHistoryWindow::Refresh() {
  list_->clear();
  for (const HistoryEntry& entry : ListHistory(folder_)) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::fromStdString(entry.time));
    item->setText(1, QString::fromStdString(entry.port));
    item->setText(2, QString::number(entry.address));
    item->setText(3, QString::fromStdString(entry.firmware));
    item->setText(4, Translated("dialog", dialog_text::HistoryKindText(entry.kind)));
    const QString path = QFile::decodeName(QByteArray::fromStdString(entry.path));
    item->setData(0, kPathRole, path);
    item->setToolTip(0, path);
  }
  if (list_->topLevelItemCount() == 0) {
    list_->setToolTip(Translated("dialog", dialog_text::kHistoryEmpty));
  } else {
    list_->setToolTip({});
    list_->setCurrentItem(list_->topLevelItem(0));
  }
  list_->header()->resizeSections(QHeaderView::ResizeToContents);
}

void CHistoryWindow::ImportChosen() {
  const QTreeWidgetItem* item = list_->currentItem();
  if (item == nullptr) return;
  import_(QFile::encodeName(item->data(0, kPathRole).toString()).toStdString());
}

}  // namespace travex
