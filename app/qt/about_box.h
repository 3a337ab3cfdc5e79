// CAboutBox: the about box (template about_box.ui), opened from the main dialog's context menu.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutBox;
}

namespace travex {

class CAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutBox(QWidget* parent = nullptr);
  ~CAboutBox() override;

 private:
  std::unique_ptr<Ui::CAboutBox> ui_;
};

}  // namespace travex
