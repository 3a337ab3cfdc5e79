// The control operations through which all panel, request, reply and file logic reaches the
// dialog. The Qt dialog implements them with widgets; tests implement them in memory.
//
// Texts of controls are GBK bytes (the encoding of the parameter image). Status-pane texts,
// message boxes and file names are UTF-8; the implementation converts at its own boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/words.h"

namespace travex {

enum class MessageIcon { kNone, kQuestion, kWarning, kInformation };

// What a file dialog is asked to show.
struct FileDialogRequest {
  bool save = false;                   // save form (asks before overwriting) or open form
  std::string initial_name;            // proposed file name, e.g. "TRAVEX20240305_1407.ini"
  std::string filter_text = "INI files(*.ini)";
  std::string filter_pattern = "*.ini";
  std::string default_suffix = "ini";  // added when the operator types a name without one
};

class IDialogControls : public IWords {
 public:
  // Selectors: index of the selected entry, -1 when none. An index outside the list
  // leaves the selector with no selection.
  virtual int GetSelection(int id) = 0;
  virtual void SetSelection(int id, int index) = 0;
  // Leaves the selector with no selection and makes clear that the value it stands for is none
  // of its entries; `note` (UTF-8) says which value it is.
  virtual void SetUnlistedValue(int id, std::string_view note_utf8) = 0;

  // Whole text of a control, in GBK bytes.
  virtual std::string GetText(int id) = 0;
  virtual void SetText(int id, std::string_view gbk) = 0;

  // Check boxes: 0 or 1.
  virtual int GetCheck(int id) = 0;
  virtual void SetCheck(int id, int state) = 0;

  virtual void ShowControl(int id, bool visible) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;

  // Replaces the entries of a list selector; tool_tips (may be empty) tells the operator
  // what each entry stands for. Entries are shown in the order given.
  virtual void SetListEntries(int id, const std::vector<std::string>& entries,
                              const std::vector<std::string>& tool_tips) = 0;

  // One status pane (0 to 3), redrawn at once.
  virtual void SetPaneText(int pane, std::string_view utf8) = 0;

  // The progress bar beside the status panes: `done` of `total` steps of a read-all or
  // write-all. kIdle hides it, kFailed shows that the run ended early.
  enum class Progress { kIdle, kRunning, kSucceeded, kFailed };
  virtual void SetRunProgress(Progress state, int done, int total) = 0;

  // Modal message box with an OK button.
  virtual void ShowMessage(std::string_view text_utf8, std::string_view caption_utf8,
                           MessageIcon icon) = 0;
  // Modal yes/no question; true for yes.
  virtual bool AskYesNo(std::string_view text_utf8, std::string_view caption_utf8) = 0;

  // Modal file dialog. Returns false when the operator cancels; otherwise the full path.
  virtual bool AskFileName(const FileDialogRequest& request, std::string* path) = 0;

  // Unsigned numbers in text controls, with the dialog's rules: a text that is an unsigned
  // decimal number (blanks around it allowed) below 2^32 gives its value, anything else 0.
  uint32_t GetUnsigned(int id);
  void SetUnsigned(int id, uint32_t value);

  // All four panes, pane 0 first.
  void SetStatusTexts(std::string_view pane0, std::string_view pane1, std::string_view pane2,
                      std::string_view pane3);
};

// The dialog's rule for reading an unsigned number from a text.
uint32_t ParseDialogUnsigned(std::string_view text);
// The same rule, telling a number from a text that is none: false for anything but an unsigned
// decimal number below 2^32 (blanks around it allowed).
bool TryParseDialogUnsigned(std::string_view text, uint32_t* value);

}  // namespace travex
