// The history window ("历史记录"): the images kept of every read-all and write-all, newest
// first, with port, address, firmware and kind. 导入 loads the chosen one into the panels as a
// file import does; 打开文件夹 shows the folder.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QTreeWidget;

namespace travex {

class CHistoryWindow : public QDialog {
  Q_OBJECT

 public:
  // import: loads a file's path (local encoding); open_folder: shows the folder.
  CHistoryWindow(std::string folder, std::function<void(const std::string&)> import,
                 std::function<void(const std::string&)> open_folder, QWidget* parent);

  // Lists the folder's files again.
  void Refresh();
  QTreeWidget* List() const { return list_; }

 private:
  void ImportChosen();

  std::string folder_;
  std::function<void(const std::string&)> import_;
  QTreeWidget* list_ = nullptr;
};

}  // namespace travex
