// The communication log ("通信记录"): every frame the dialog sends and receives, with its time
// to the millisecond, direction, length, bytes in hex and a description of what it is. The
// model keeps the last kFrameLogCapacity frames; the window shows them in a table and can copy,
// save and clear them.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

#include "session/line_exchanges.h"

class QLabel;
class QTableView;

namespace travex {

inline constexpr size_t kFrameLogCapacity = 5000;

class CFrameLogModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kTime, kDirection, kLength, kHex, kDescription, kColumnCount };

  explicit CFrameLogModel(QObject* parent = nullptr);

  // Appends frames in order (user-interface thread); the oldest go beyond the capacity.
  void Append(const std::vector<FrameRecord>& frames);
  void Clear();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // One frame as a line of text (tab-separated columns; the time with its date).
  QString RowText(int row) const;
  // The whole log as text, a header line first; false with `error` set when it cannot be
  // written. The file is replaced atomically.
  bool SaveText(const QString& path, QString* error) const;

 private:
  struct Row {
    qint64 msecs = 0;  // since the epoch
    bool sent = false;
    QByteArray bytes;
    QString description;
  };
  QString CellText(const Row& row, int column) const;

  std::deque<Row> rows_;
};

class CFrameLogWindow : public QWidget {
  Q_OBJECT

 public:
  // `save` asks for a file and saves the log there (the dialog's file dialog and messages).
  CFrameLogWindow(CFrameLogModel* model, std::function<void()> save, QWidget* parent);

  QTableView* View() const { return view_; }
  // Copies the selected frames (all, when none is selected) to the clipboard as text.
  void CopySelection();

 private:
  void UpdateCount();

  CFrameLogModel* model_;
  std::function<void()> save_;
  QTableView* view_ = nullptr;
  QLabel* count_ = nullptr;
  bool follow_ = true;  // the view stays at the newest frame while it was there
};

}  // namespace travex
