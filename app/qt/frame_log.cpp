#include "app/qt/frame_log.h"

#include "app/qt/language.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "protocol/frame_describe.h"

namespace travex {

namespace {

QString TimeText(qint64 msecs, bool with_date) {
  return QDateTime::fromMSecsSinceEpoch(msecs).toString(
      with_date ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss.zzz"));
}

QString DirectionText(bool sent) {
  return sent ? CFrameLogModel::tr("发送") : CFrameLogModel::tr("接收");
}

}  // namespace

CFrameLogModel::CFrameLogModel(QObject* parent) : QAbstractTableModel(parent) {}

void CFrameLogModel::Append(const std::vector<FrameRecord>& frames) {
  // Of a batch larger than the log only its newest frames are kept.
  const size_t skip = frames.size() > kFrameLogCapacity ? frames.size() - kFrameLogCapacity : 0;
  const size_t adding = frames.size() - skip;
  if (adding == 0) return;
  const size_t overflow = rows_.size() + adding > kFrameLogCapacity
                              ? rows_.size() + adding - kFrameLogCapacity
                              : 0;
  if (overflow > 0) {
    beginRemoveRows(QModelIndex(), 0, static_cast<int>(overflow) - 1);
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(overflow));
    endRemoveRows();
  }
  const int first = static_cast<int>(rows_.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(adding) - 1);
  for (size_t i = skip; i < frames.size(); ++i) {
    const FrameRecord& frame = frames[i];
    const size_t length = std::min<size_t>(frame.length, sizeof frame.bytes);
    Row row;
    row.msecs = std::chrono::duration_cast<std::chrono::milliseconds>(
                    frame.time.time_since_epoch())
                    .count();
    row.sent = frame.sent;
    row.bytes = QByteArray(reinterpret_cast<const char*>(frame.bytes),
                           static_cast<qsizetype>(length));
    row.description = QString::fromStdString(
        DescribeFrame(frame.bytes, length, frame.sent, FrameLanguage()));
    rows_.push_back(std::move(row));
  }
  endInsertRows();
}

void CFrameLogModel::Clear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

int CFrameLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CFrameLogModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString CFrameLogModel::CellText(const Row& row, int column) const {
  switch (column) {
    case kTime: return TimeText(row.msecs, false);
    case kDirection: return DirectionText(row.sent);
    case kLength: return QString::number(row.bytes.size());
    case kHex: return QString::fromLatin1(row.bytes.toHex(' ').toUpper());
    case kDescription: return row.description;
    default: return {};
  }
}

QVariant CFrameLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= rows_.size()) {
    return {};
  }
  const Row& row = rows_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return CellText(row, index.column());
    case Qt::ToolTipRole:
      if (index.column() == kTime) return TimeText(row.msecs, true);
      if (index.column() == kHex || index.column() == kDescription) {
        return CellText(row, index.column());
      }
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == kLength) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

QVariant CFrameLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  switch (section) {
    case kTime: return tr("时间");
    case kDirection: return tr("方向");
    case kLength: return tr("长度");
    case kHex: return tr("数据（十六进制）");
    case kDescription: return tr("说明");
    default: return {};
  }
}

QString CFrameLogModel::RowText(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return {};
  const Row& r = rows_[static_cast<size_t>(row)];
  return TimeText(r.msecs, true) + QLatin1Char('\t') + CellText(r, kDirection) +
         QLatin1Char('\t') + CellText(r, kLength) + QLatin1Char('\t') + CellText(r, kHex) +
         QLatin1Char('\t') + r.description;
}

bool CFrameLogModel::SaveText(const QString& path, QString* error) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    *error = file.errorString();
    return false;
  }
  QString text = tr("时间\t方向\t长度\t数据\t说明\n");
  for (size_t i = 0; i < rows_.size(); ++i) text += RowText(static_cast<int>(i)) + QLatin1Char('\n');
  file.write(text.toUtf8());
  if (!file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------- the window

CFrameLogWindow::CFrameLogWindow(CFrameLogModel* model, std::function<void()> save,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), save_(std::move(save)) {
  setObjectName(QStringLiteral("frame log"));
  setWindowTitle(tr("通信记录"));

  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("frame table"));
  view_->setAccessibleName(tr("通信记录"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setAlternatingRowColors(true);
  view_->setWordWrap(false);
  view_->setTextElideMode(Qt::ElideRight);
  view_->verticalHeader()->setVisible(false);
  // Rows of one line: no per-row measuring, however many frames there are.
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView* header = view_->horizontalHeader();
  header->setHighlightSections(false);
  const QFontMetrics metrics = fontMetrics();
  header->resizeSection(CFrameLogModel::kTime,
                        metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16);
  header->resizeSection(CFrameLogModel::kDirection,
                        metrics.horizontalAdvance(tr("接收")) + 16);
  header->resizeSection(CFrameLogModel::kLength,
                        metrics.horizontalAdvance(tr("长度0")) + 16);
  header->resizeSection(CFrameLogModel::kHex, metrics.horizontalAdvance(QLatin1Char('0')) * 60);
  header->setStretchLastSection(true);

  auto* copy = new QAction(tr("复制(&C)"), view_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &CFrameLogWindow::CopySelection);
  auto* select_all = new QAction(tr("全选(&A)"), view_);
  select_all->setShortcut(QKeySequence::SelectAll);
  select_all->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(select_all, &QAction::triggered, view_, &QTableView::selectAll);
  auto* separator = new QAction(view_);
  separator->setSeparator(true);
  auto* save_action = new QAction(tr("保存为文本(&S)..."), view_);
  save_action->setShortcut(QKeySequence::Save);
  save_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(save_action, &QAction::triggered, this, [this] { save_(); });
  auto* clear = new QAction(tr("清除(&L)"), view_);
  connect(clear, &QAction::triggered, model_, &CFrameLogModel::Clear);
  view_->addActions({copy, select_all, separator, save_action, clear});
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);

  auto* copy_button = new QPushButton(tr("复制"), this);
  copy_button->setObjectName(QStringLiteral("copy"));
  connect(copy_button, &QPushButton::clicked, this, &CFrameLogWindow::CopySelection);
  auto* save_button = new QPushButton(tr("保存..."), this);
  save_button->setObjectName(QStringLiteral("save"));
  connect(save_button, &QPushButton::clicked, this, [this] { save_(); });
  auto* clear_button = new QPushButton(tr("清除"), this);
  clear_button->setObjectName(QStringLiteral("clear"));
  connect(clear_button, &QPushButton::clicked, model_, &CFrameLogModel::Clear);
  for (QPushButton* button : {copy_button, save_button, clear_button}) button->setAutoDefault(false);
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("frame count"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(count_, 1);
  buttons->addWidget(copy_button);
  buttons->addWidget(save_button);
  buttons->addWidget(clear_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);

  // New frames scroll into view while the operator is looking at the newest ones.
  QScrollBar* scroll = view_->verticalScrollBar();
  connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this,
          [this, scroll] { follow_ = scroll->value() == scroll->maximum(); });
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] {
    if (follow_) view_->scrollToBottom();
    UpdateCount();
  });
  connect(model_, &QAbstractItemModel::rowsRemoved, this, &CFrameLogWindow::UpdateCount);
  connect(model_, &QAbstractItemModel::modelReset, this, &CFrameLogWindow::UpdateCount);
  UpdateCount();

  resize(metrics.horizontalAdvance(QLatin1Char('0')) * 130, metrics.height() * 30);
}

void CFrameLogWindow::UpdateCount() {
  count_->setText(tr("%1 帧（最多保留 %2 帧）")
                      .arg(model_->rowCount())
                      .arg(static_cast<qulonglong>(kFrameLogCapacity)));
}

void CFrameLogWindow::CopySelection() {
  QModelIndexList rows = view_->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QString text;
  if (rows.isEmpty()) {
    for (int row = 0; row < model_->rowCount(); ++row) text += model_->RowText(row) + QLatin1Char('\n');
  } else {
    for (const QModelIndex& index : rows) text += model_->RowText(index.row()) + QLatin1Char('\n');
  }
  QApplication::clipboard()->setText(text);
}

}  // namespace travex
