// CConfigDlg: the main dialog on Qt widgets. It implements the control operations and the
// platform hooks of the dialog's behaviour (CDialogCore) and connects every control to the
// handler of the command table. Created from the template config_dlg.ui; every control's
// objectName is its id name (IDC_PORT, ...).
//
// One class, one file per part: config_dlg.cpp (construction, command table, ending),
// config_dlg_controls.cpp (control operations), config_dlg_status.cpp (status and progress
// bars), config_dlg_boxes.cpp (message boxes and file dialogs), config_dlg_menu.cpp (context
// menu: about box, communication log) and config_dlg_handover.cpp (work and frames handed to the
// user-interface thread).
#pragma once

#include <QDialog>
#include <QEvent>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/dialog_controls.h"
#include "app/dialog_core.h"
#include "app/qt/tool_settings.h"
#include "session/line_exchanges.h"

class QAction;
class QLabel;
class QProgressBar;
class QStatusBar;

namespace Ui {
class CConfigDlg;
}

namespace travex {

class CFrameLogModel;
class CFrameLogWindow;
class CHistoryWindow;
class CPortWatcher;

// Replacements for the modal boxes and file dialogs. Unset members use the real dialogs; tests
// set them so that nothing blocks on a screen nobody looks at.
struct ModalHooks {
  std::function<void(std::string_view text, std::string_view caption, MessageIcon icon)> message;
  std::function<bool(std::string_view text, std::string_view caption)> yes_no;
  std::function<bool(const FileDialogRequest& request, std::string* path)> file_name;
  std::function<void()> about;
  std::function<void(const std::string& folder)> open_folder;  // the history's 打开文件夹
};

// The progress message of a read-all or write-all run (WM_PARAM_PROGRESS).
class CParamProgressEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 100);
  CParamProgressEvent(int kind, long channel) : QEvent(kType), kind_(kind), channel_(channel) {}
  int kind() const { return kind_; }
  long channel() const { return channel_; }

 private:
  int kind_;
  long channel_;
};

class CConfigDlg : public QDialog,
                   public IDialogControls,
                   public IDialogPlatform,
                   public IFrameSink {
  Q_OBJECT

 public:
  // The dialog's session owns the port; it is closed when the dialog shuts down.
  explicit CConfigDlg(QWidget* parent = nullptr);
  ~CConfigDlg() override;
  CConfigDlg(const CConfigDlg&) = delete;
  CConfigDlg& operator=(const CConfigDlg&) = delete;

  // --- control operations ---
  int GetSelection(int id) override;
  void SetSelection(int id, int index) override;
  void SetUnlistedValue(int id, std::string_view note_utf8) override;
  std::string GetText(int id) override;
  void SetText(int id, std::string_view gbk) override;
  int GetCheck(int id) override;
  void SetCheck(int id, int state) override;
  void ShowControl(int id, bool visible) override;
  void EnableControl(int id, bool enabled) override;
  void SetListEntries(int id, const std::vector<std::string>& entries,
                      const std::vector<std::string>& tool_tips) override;
  void SetPaneText(int pane, std::string_view utf8) override;
  std::string Tr(const char* context, std::string_view source) const override;
  void SetRunProgress(Progress state, int done, int total) override;
  void ShowMessage(std::string_view text_utf8, std::string_view caption_utf8,
                   MessageIcon icon) override;
  bool AskYesNo(std::string_view text_utf8, std::string_view caption_utf8) override;
  bool AskFileName(const FileDialogRequest& request, std::string* path) override;

  // --- platform hooks ---
  void PostToUi(std::function<void()> fn) override;
  void PostParamProgress(int kind, long channel) override;
  // True on the user-interface thread.
  bool IsUiThread() const;
  void SearchFound(std::string_view port_text, uint32_t baud, uint8_t address) override;
  uint32_t RememberedRate(std::string_view port_text) override;
  std::string HistoryFolder() override;

  // Every frame the session sends and receives (transfer thread): handed to the
  // user-interface thread for the communication log.
  void OnFrame(const FrameRecord& frame) override;

  // The communication log window ("通信记录", context menu or Ctrl+L), created when first shown.
  void ShowFrameLog();
  // The history window (context menu "历史记录"), listed afresh.
  void ShowHistory();
  CHistoryWindow* HistoryWindow() const { return history_; }
  CFrameLogWindow* FrameLogWindow() const { return frame_log_; }
  CFrameLogModel* FrameLogModel() const { return frame_log_model_; }
  // Asks for a text file (through the file dialog) and saves the communication log there.
  void SaveFrameLog();

  // The widget of a control id (nullptr for an unknown id).
  QWidget* Control(int id) const;
  // Status pane 0 to kPaneCount - 1.
  static constexpr int kPaneCount = 4;
  QLabel* Pane(int pane) const;
  // The progress bar of read-all and write-all, in the button row.
  QProgressBar* RunProgressBar() const { return progress_; }
  CDialogCore& core() { return core_; }

  // The about entry: every id from 16 to 31 opens the about box.
  void OnSysCommand(int id);
  // Stops and joins the worker threads. Idempotent; the dialog must not be used for requests
  // afterwards.
  void Shutdown();

  // Ends the dialog (Escape, close box) once the behaviour agrees.
  void done(int result) override;

  ModalHooks hooks;

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // Runs what PostToUi queued (user-interface thread).
  Q_INVOKABLE void RunPosted();

  void MapControls();
  void NameControlsForAssistiveTechnology();
  // The about entry and the communication log, in the dialog's context menu.
  void CreateContextMenu();
  // The submenu "语言 / Language": the language of the next start.
  QAction* CreateLanguageMenu();
  void CreateStatusBar();
  void ConnectCommands();
  void UpdatePortToolTip();
  // The status bar's grey stays readable whatever the desktop's colours.
  void SetUpStatusLook();
  // The coefficient controls keep their space while hidden.
  void KeepCoefSpaceWhenHidden();
  // Runs the real file dialog for AskFileName.
  bool RunFileDialog(const FileDialogRequest& request, std::string* path);
  // Moves the frames handed over by OnFrame into the log (user-interface thread).
  void TakeFrames();

  std::unique_ptr<Ui::CConfigDlg> ui_;
  std::map<int, QWidget*> controls_;
  QStatusBar* status_bar_ = nullptr;
  QLabel* panes_[kPaneCount] = {};
  QProgressBar* progress_ = nullptr;
  bool shut_down_ = false;
  // Work handed to the user-interface thread by the worker threads, in order.
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
  // Frames on their way to the log: filled by OnFrame, emptied by TakeFrames (which swaps in
  // frames_batch_, so neither buffer gives up its capacity). frames_posted_: a TakeFrames is
  // queued.
  std::mutex frames_mutex_;
  std::vector<FrameRecord> frames_pending_;
  bool frames_posted_ = false;
  std::vector<FrameRecord> frames_batch_;  // user-interface thread only
  CFrameLogModel* frame_log_model_ = nullptr;
  CFrameLogWindow* frame_log_ = nullptr;
  CHistoryWindow* history_ = nullptr;
  CPortWatcher* port_watcher_ = nullptr;
  RememberedSettings remembered_;
  // Last member: built after the widgets exist, destroyed (threads joined) before them.
  CDialogCore core_;
};

}  // namespace travex
