// CConfigDlg: construction from the template, the controls by id, the command table that wires
// each control to its handler, the keys that end or move, and the end of the dialog. The other
// parts of the class stand beside it in config_dlg_*.cpp.
#include "app/qt/config_dlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSizePolicy>
#include <utility>

#include "app/qt/app_icon.h"
#include "app/qt/control_table.h"
#include "app/qt/frame_log.h"
#include "app/qt/port_watcher.h"
#include "app/qt/qt_text.h"
#include "resources/resource_ids.h"
#include "serial/port_map.h"
#include "travex_version.h"
#include "ui_config_dlg.h"

namespace travex {
namespace {

// The label text as assistive technology should read it: no mnemonic marker, no colon.
QString SpokenLabel(QString text) {
  text.remove(QLatin1Char('&'));
  while (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A))) text.chop(1);
  return text.trimmed();
}

}  // namespace

CConfigDlg::CConfigDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CConfigDlg>()), core_(*this, *this) {
  ui_->setupUi(this);
  setWindowTitle(tr("Travex配置软件V%1").arg(QLatin1String(kVersionString)));
  // A modal frame with a title and a close box; no minimise or maximise box.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(AppIcon());

  MapControls();
  NameControlsForAssistiveTechnology();
  CreateContextMenu();

  frame_log_model_ = new CFrameLogModel(this);
  frames_pending_.reserve(64);
  frames_batch_.reserve(64);
  core_.SetFrameSink(this);

  remembered_ = LoadRememberedSettings();
  core_.preferred_port = remembered_.port.toStdString();
  ui_->IDC_TEST_BAUD->setToolTip(LastSearchToolTip(remembered_));

  CreateStatusBar();
  KeepCoefSpaceWhenHidden();
  ConnectCommands();

  // Ports that come and go while the dialog runs (watched from before the first listing, so
  // that no change is missed).
  const std::string port_dir = core_.port_map_roots.port_dir.empty()
                                   ? PortDirectory()
                                   : core_.port_map_roots.port_dir;
  port_watcher_ = new CPortWatcher(QFile::decodeName(QByteArray::fromStdString(port_dir)), this);
  connect(port_watcher_, &CPortWatcher::PortsChanged, this, [this] {
    if (!shut_down_) core_.RefreshPorts();
  });

  core_.InitDialog();
}

CConfigDlg::~CConfigDlg() { Shutdown(); }

void CConfigDlg::MapControls() {
  for (const ControlName& control : kMainDialogControls) {
    auto* widget = findChild<QWidget*>(QString::fromLatin1(control.name));
    if (widget != nullptr) controls_[control.id] = widget;
  }
  // Typed text never becomes a new entry of a list; a list's width hint follows all of its
  // entries, also when it is filled after the dialog is shown.
  for (QComboBox* combo : findChildren<QComboBox*>()) {
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  }
}

void CConfigDlg::NameControlsForAssistiveTechnology() {
  // Each label names the control it is the buddy of, unless the template named it already.
  for (QLabel* label : findChildren<QLabel*>()) {
    QWidget* buddy = label->buddy();
    if (buddy != nullptr && buddy->accessibleName().isEmpty()) {
      buddy->setAccessibleName(SpokenLabel(label->text()));
    }
  }
}

void CConfigDlg::KeepCoefSpaceWhenHidden() {
  for (int id : {IDC_COEF_A_LABEL, IDC_COEF_A, IDC_COEF_B_LABEL, IDC_COEF_B}) {
    QWidget* widget = Control(id);
    if (widget == nullptr) continue;
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
}

void CConfigDlg::ConnectCommands() {
  using Handler = void (CDialogCore::*)();
  const std::pair<int, Handler> buttons[] = {
      {IDC_TEST_BAUD, &CDialogCore::OnTestBaud},   {IDC_ADDR_QUERY, &CDialogCore::OnQueryAddress},
      {IDC_ADDR_SET, &CDialogCore::OnSetAddress},  {IDC_BAUD_QUERY, &CDialogCore::OnQueryBaud},
      {IDC_BAUD_SET, &CDialogCore::OnSetBaud},     {IDC_NOW, &CDialogCore::OnNow},
      {IDC_BASE_READ, &CDialogCore::OnReadBase},   {IDC_BASE_WRITE, &CDialogCore::OnWriteBase},
      {IDC_ARG1_READ, &CDialogCore::OnReadArg1},   {IDC_ARG1_WRITE, &CDialogCore::OnWriteArg1},
      {IDC_ARG2_READ, &CDialogCore::OnReadArg2},   {IDC_ARG2_WRITE, &CDialogCore::OnWriteArg2},
      {IDC_IMPORT, &CDialogCore::OnImport},        {IDC_EXPORT, &CDialogCore::OnExport},
      {IDC_READ_ALL, &CDialogCore::OnReadAll},     {IDC_WRITE_ALL, &CDialogCore::OnWriteAll},
  };
  for (const auto& [id, handler] : buttons) {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    if (button == nullptr) continue;
    connect(button, &QAbstractButton::clicked, this, [this, handler = handler] {
      (core_.*handler)();
    });
  }

  // Selection changes made by the operator only ("activated"); the behaviour's own
  // SetSelection calls must not come back as a change.
  const std::pair<int, Handler> selectors[] = {
      {IDC_ARG1_CHANNEL, &CDialogCore::OnArg1ChannelChange},
      {IDC_GEAR, &CDialogCore::OnGearChange},
      {IDC_ARG2_CHANNEL, &CDialogCore::OnArg2ChannelChange},
  };
  for (const auto& [id, handler] : selectors) {
    auto* combo = qobject_cast<QComboBox*>(Control(id));
    if (combo == nullptr) continue;
    connect(combo, &QComboBox::activated, this, [this, handler = handler] { (core_.*handler)(); });
  }

  // The port list tells which device the chosen COM name stands for.
  connect(ui_->IDC_PORT, &QComboBox::currentIndexChanged, this, [this] { UpdatePortToolTip(); });
  connect(ui_->IDC_PORT, &QComboBox::editTextChanged, this, [this] { UpdatePortToolTip(); });
}

void CConfigDlg::UpdatePortToolTip() {
  QComboBox* combo = ui_->IDC_PORT;
  const int index = combo->findText(combo->currentText(), Qt::MatchFixedString);
  const QString tip = index >= 0 ? combo->itemData(index, Qt::ToolTipRole).toString() : QString();
  combo->setToolTip(tip);
  combo->setAccessibleDescription(tip);
}

QWidget* CConfigDlg::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void CConfigDlg::SearchFound(std::string_view port_text, uint32_t baud, uint8_t address) {
  remembered_.found_port = FromGbk(port_text);
  remembered_.found_baud = baud;
  remembered_.found_address = address;
  RememberSearch(remembered_.found_port, baud, address);
  ui_->IDC_TEST_BAUD->setToolTip(LastSearchToolTip(remembered_));
}

uint32_t CConfigDlg::RememberedRate(std::string_view port_text) {
  return travex::RememberedRate(FromGbk(port_text));
}

// --- ending the dialog ---

void CConfigDlg::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      // A focused push button takes Enter. Anywhere else Enter only moves on to the next field:
      // it never ends the program and throws edits away.
      auto* button = qobject_cast<QPushButton*>(focusWidget());
      if (button != nullptr && button->isVisible() && button->isEnabled()) {
        button->click();
      } else {
        focusNextChild();
      }
      return;
    }
    if (e->key() == Qt::Key_Escape) {
      reject();
      return;
    }
  }
  QDialog::keyPressEvent(e);
}

void CConfigDlg::done(int result) {
  if (!shut_down_ && !core_.ConfirmClose()) return;
  Shutdown();
  if (frame_log_ != nullptr) frame_log_->close();
  QDialog::done(result);
}

void CConfigDlg::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  core_.Shutdown();
  // The port chosen last is the one selected next time, when it is still there.
  QComboBox* ports = ui_->IDC_PORT;
  const int index = ports->currentIndex();
  if (index >= 0 && ports->itemText(index) == ports->currentText()) {
    RememberPort(ports->currentText());
  }
}

}  // namespace travex
