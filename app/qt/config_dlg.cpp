#include "app/qt/config_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QSizePolicy>
#include <QStatusBar>
#include <QThread>
#include <algorithm>
#include <utility>

#include "app/qt/about_box.h"
#include "app/qt/app_icon.h"
#include "app/qt/control_table.h"
#include "app/qt/frame_log.h"
#include "app/dialog_texts.h"
#include "app/qt/port_watcher.h"
#include "params/gbk.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"
#include "serial/port_map.h"
#include "travex_version.h"
#include "ui_config_dlg.h"

namespace travex {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// GBK bytes to the text a control shows. Bytes that are not GBK arrive as private-use
// characters (see params/gbk.h); control characters, which an edit would drop or change, are
// carried the same way. Either comes back as the same byte.
QString FromGbk(std::string_view gbk) {
  QString text = QString::fromStdString(GbkToUtf8(gbk));
  for (QChar& ch : text) {
    if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) ch = QChar(0xF700 + ch.unicode());
  }
  return text;
}

std::string ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

// The label text as assistive technology should read it: no mnemonic marker, no colon.
QString SpokenLabel(QString text) {
  text.remove(QLatin1Char('&'));
  while (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A))) text.chop(1);
  return text.trimmed();
}

constexpr QColor kStatusBarColour(180, 180, 180);
// Text on the grey panes: dark whatever the desktop's theme (a dark theme's light text would
// vanish on the grey).
constexpr QColor kStatusTextColour(0, 0, 0);
// Frames handed over between two runs of the user-interface thread's queue, before the oldest
// are dropped (the log keeps no more anyway).
constexpr size_t kFramesInFlight = kFrameLogCapacity;

}  // namespace

CConfigDlg::CConfigDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CConfigDlg>()), core_(*this, *this) {
  ui_->setupUi(this);
  setWindowTitle(QStringLiteral("Travex配置软件V%1").arg(QLatin1String(kVersionString)));
  // A modal frame with a title and a close box; no minimise or maximise box.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(AppIcon());

  MapControls();
  NameControlsForAssistiveTechnology();

  // The about entry lives in the dialog's context menu (there is no extensible system menu),
  // and beside it the communication log.
  const std::string_view about_text = LoadResourceString(IDS_ABOUT_ENTRY);
  if (!about_text.empty()) {
    auto* about = new QAction(FromUtf8(about_text), this);
    about->setObjectName(QStringLiteral("ID_SYSMENU_ABOUT"));
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(ID_SYSMENU_ABOUT); });
    addAction(about);
  }
  auto* log = new QAction(QStringLiteral("通信记录(&L)..."), this);
  log->setObjectName(QStringLiteral("frame log"));
  log->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  log->setShortcutContext(Qt::WindowShortcut);
  connect(log, &QAction::triggered, this, &CConfigDlg::ShowFrameLog);
  addAction(log);
  setContextMenuPolicy(Qt::ActionsContextMenu);

  frame_log_model_ = new CFrameLogModel(this);
  frames_pending_.reserve(64);
  frames_batch_.reserve(64);
  core_.SetFrameSink(this);

  remembered_ = LoadRememberedSettings();
  core_.preferred_port = remembered_.port.toStdString();
  ui_->IDC_TEST_BAUD->setToolTip(LastSearchToolTip(remembered_));

  CreateStatusBar();
  SetUpLook();
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
  // Typed text never becomes a new entry of a list.
  for (QComboBox* combo : findChildren<QComboBox*>()) {
    combo->setInsertPolicy(QComboBox::NoInsert);
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

void CConfigDlg::CreateStatusBar() {
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(QStringLiteral("status bar"));
  status_bar_->setSizeGripEnabled(false);
  status_bar_->setAutoFillBackground(true);
  QPalette palette = status_bar_->palette();
  palette.setColor(QPalette::Window, kStatusBarColour);
  status_bar_->setPalette(palette);
  for (int i = 0; i < 4; ++i) {
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
  progress_->setAccessibleName(QStringLiteral("全部读取/写入进度"));
  progress_->setTextVisible(true);
  progress_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("失败 97/97")) + 48);
  ui_->layoutBottom->insertWidget(0, progress_);
  SetRunProgress(Progress::kIdle, 0, 0);
  ui_->layoutMain->addWidget(status_bar_);
}

void CConfigDlg::SetUpLook() {
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

QLabel* CConfigDlg::Pane(int pane) const {
  return pane >= 0 && pane < 4 ? panes_[pane] : nullptr;
}

// --- control operations ---

int CConfigDlg::GetSelection(int id) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return -1;
  const int index = combo->currentIndex();
  if (!combo->isEditable()) return index;
  // What the operator typed counts: an entry only when the text is one.
  const QString text = combo->currentText();
  if (index >= 0 && combo->itemText(index) == text) return index;
  return combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void CConfigDlg::SetUnlistedValue(int id, std::string_view note_utf8) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  // No entry, and in its place (grey, as a placeholder) which value the selector stands for.
  combo->setPlaceholderText(FromUtf8(note_utf8));
  combo->setCurrentIndex(-1);
  if (combo->isEditable()) {
    combo->setEditText(QString());
    combo->lineEdit()->setPlaceholderText(FromUtf8(note_utf8));
  }
  combo->setToolTip(FromUtf8(note_utf8));
  combo->setAccessibleDescription(FromUtf8(note_utf8));
}

void CConfigDlg::SetSelection(int id, int index) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  if (index < 0 || index >= combo->count()) {
    combo->setCurrentIndex(-1);
    if (combo->isEditable()) combo->setEditText(QString());
    return;
  }
  combo->setCurrentIndex(index);
  if (!combo->placeholderText().isEmpty()) {
    combo->setPlaceholderText(QString());
    if (combo->lineEdit() != nullptr) combo->lineEdit()->setPlaceholderText(QString());
    if (combo == ui_->IDC_PORT) {
      UpdatePortToolTip();
    } else {
      combo->setToolTip(QString());
      combo->setAccessibleDescription(QString());
    }
  }
  // Typed text is replaced by the entry, also when the index itself did not change.
  if (combo->isEditable() && combo->currentText() != combo->itemText(index)) {
    combo->setEditText(combo->itemText(index));
  }
}

std::string CConfigDlg::GetText(int id) {
  QWidget* widget = Control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return ToGbk(edit->text());
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return ToGbk(combo->currentText());
  if (auto* label = qobject_cast<QLabel*>(widget)) return ToGbk(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return ToGbk(button->text());
  if (auto* box = qobject_cast<QGroupBox*>(widget)) return ToGbk(box->title());
  return {};
}

void CConfigDlg::SetText(int id, std::string_view gbk) {
  QWidget* widget = Control(id);
  const QString text = FromGbk(gbk);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(text);
    edit->setCursorPosition(0);  // show the start of a text longer than the edit
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->isEditable()) combo->setEditText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(text);
  }
}

int CConfigDlg::GetCheck(int id) {
  auto* box = qobject_cast<QCheckBox*>(Control(id));
  return box != nullptr && box->isChecked() ? 1 : 0;
}

void CConfigDlg::SetCheck(int id, int state) {
  if (auto* box = qobject_cast<QCheckBox*>(Control(id))) box->setChecked(state != 0);
}

void CConfigDlg::ShowControl(int id, bool visible) {
  if (QWidget* widget = Control(id)) widget->setVisible(visible);
}

void CConfigDlg::EnableControl(int id, bool enabled) {
  if (QWidget* widget = Control(id)) widget->setEnabled(enabled);
}

void CConfigDlg::SetListEntries(int id, const std::vector<std::string>& entries,
                                const std::vector<std::string>& tool_tips) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  {
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (size_t i = 0; i < entries.size(); ++i) {
      combo->addItem(FromGbk(entries[i]));
      if (i < tool_tips.size() && !tool_tips[i].empty()) {
        combo->setItemData(static_cast<int>(i), FromUtf8(tool_tips[i]), Qt::ToolTipRole);
      }
    }
    // A refilled list has no selection until one is set.
    combo->setCurrentIndex(-1);
    if (combo->isEditable()) combo->setEditText(QString());
  }
  if (combo == ui_->IDC_PORT) UpdatePortToolTip();
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
      progress_->setFormat(QStringLiteral("失败 %v/%m"));
      progress_->setToolTip(QStringLiteral("全部读取/写入未完成"));
      break;
    case Progress::kSucceeded:
      progress_->setFormat(QStringLiteral("%v/%m"));
      progress_->setToolTip(QStringLiteral("全部读取/写入已完成"));
      break;
    default:
      progress_->setFormat(QStringLiteral("%v/%m"));
      progress_->setToolTip(QString());
      break;
  }
}

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
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

bool CConfigDlg::AskYesNo(std::string_view text_utf8, std::string_view caption_utf8) {
  if (hooks.yes_no) return hooks.yes_no(text_utf8, caption_utf8);
  QMessageBox box(QMessageBox::Question, FromUtf8(caption_utf8), FromUtf8(text_utf8),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
  box.button(QMessageBox::No)->setText(QStringLiteral("否"));
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
  QFileDialog dialog(this, request.save ? QStringLiteral("另存为") : QStringLiteral("打开"));
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

// --- platform hooks ---

// Work for the user-interface thread is kept in our own locked queue; Qt's queued call only
// says "look at the queue". (Qt synchronises its event queue in code the thread sanitizer does
// not see, so objects built on a worker and read on the user-interface thread are handed over
// under our own lock.)
void CConfigDlg::PostToUi(std::function<void()> fn) {
  {
    const std::lock_guard lock(posted_mutex_);
    posted_.push_back(std::move(fn));
  }
  QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void CConfigDlg::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(posted_mutex_);
    batch.swap(posted_);
  }
  for (std::function<void()>& fn : batch) fn();
}

// The progress message travels in the same queue as every other hand-over, so that it is
// handled in the order the transfer thread sent it (a run's last text is never overtaken by the
// progress of its last step).
void CConfigDlg::PostParamProgress(int kind, long channel) {
  PostToUi([this, kind, channel] {
    CParamProgressEvent progress(kind, channel);
    QCoreApplication::sendEvent(this, &progress);
  });
}

bool CConfigDlg::IsUiThread() const { return QThread::currentThread() == thread(); }

void CConfigDlg::SearchFound(std::string_view port_text, uint32_t baud, uint8_t address) {
  remembered_.found_port = FromGbk(port_text);
  remembered_.found_baud = baud;
  remembered_.found_address = address;
  RememberSearch(remembered_.found_port, baud, address);
  ui_->IDC_TEST_BAUD->setToolTip(LastSearchToolTip(remembered_));
}

// --- communication log ---

void CConfigDlg::OnFrame(const FrameRecord& frame) {
  bool post = false;
  {
    const std::lock_guard lock(frames_mutex_);
    if (frames_pending_.size() >= kFramesInFlight) frames_pending_.erase(frames_pending_.begin());
    frames_pending_.push_back(frame);
    post = !frames_posted_;
    frames_posted_ = true;
  }
  // One hand-over per batch: frames that come while it is queued ride along.
  if (post) PostToUi([this] { TakeFrames(); });
}

void CConfigDlg::TakeFrames() {
  {
    const std::lock_guard lock(frames_mutex_);
    frames_batch_.swap(frames_pending_);
    frames_posted_ = false;
  }
  frame_log_model_->Append(frames_batch_);
  frames_batch_.clear();
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
      "通信记录" +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmm")).toStdString() + ".txt";
  request.filter_text = "文本文件(*.txt)";
  request.filter_pattern = "*.txt";
  request.default_suffix = "txt";
  std::string path;
  if (!AskFileName(request, &path)) return;
  const QString file = QFile::decodeName(QByteArray::fromStdString(path));
  QString error;
  if (!frame_log_model_->SaveText(file, &error)) {
    ShowMessage("通信记录保存失败：" + path + "\n" + error.toStdString(),
                dialog_text::kAppName, MessageIcon::kWarning);
  }
}

bool CConfigDlg::event(QEvent* e) {
  if (e->type() == CParamProgressEvent::kType) {
    const auto* progress = static_cast<const CParamProgressEvent*>(e);
    if (!shut_down_) core_.OnParamProgress(progress->kind(), progress->channel());
    return true;
  }
  return QDialog::event(e);
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

void CConfigDlg::OnSysCommand(int id) {
  if ((id & 0xFFF0) != ID_SYSMENU_ABOUT) return;
  if (hooks.about) {
    hooks.about();
    return;
  }
  CAboutBox about(this);
  about.exec();
}

}  // namespace travex
