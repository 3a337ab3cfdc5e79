// In-memory dialog controls for tests: every control is a record of text, selection, list,
// check, visibility and enablement; panes, message boxes and file dialogs are recorded.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/dialog_controls.h"

namespace travex::testing {

struct FakeControl {
  std::string text;  // GBK bytes
  int selection = -1;
  std::string unlisted;  // the note of SetUnlistedValue while no entry is selected
  std::vector<std::string> list;
  std::vector<std::string> tool_tips;
  int check = 0;
  bool visible = true;
  bool enabled = true;
};

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

class FakeControls : public IDialogControls {
 public:
  int GetSelection(int id) override { return controls[id].selection; }
  void SetSelection(int id, int index) override {
    FakeControl& c = controls[id];
    // A selector without a list (not set up by the test) takes any index.
    if (!c.list.empty() && (index < 0 || index >= static_cast<int>(c.list.size()))) {
      c.selection = -1;
      return;
    }
    c.selection = index;
    c.unlisted.clear();
    if (!c.list.empty()) c.text = c.list[static_cast<size_t>(index)];
  }
  void SetUnlistedValue(int id, std::string_view note) override {
    FakeControl& c = controls[id];
    c.selection = -1;
    c.text.clear();
    c.unlisted = std::string(note);
  }
  std::string GetText(int id) override { return controls[id].text; }
  void SetText(int id, std::string_view gbk) override { controls[id].text = std::string(gbk); }
  int GetCheck(int id) override { return controls[id].check; }
  void SetCheck(int id, int state) override { controls[id].check = state; }
  void ShowControl(int id, bool visible) override { controls[id].visible = visible; }
  void EnableControl(int id, bool enabled) override { controls[id].enabled = enabled; }
  void SetListEntries(int id, const std::vector<std::string>& entries,
                      const std::vector<std::string>& tool_tips) override {
    FakeControl& c = controls[id];
    c.list = entries;
    c.tool_tips = tool_tips;
    c.selection = -1;
  }
  void SetPaneText(int pane, std::string_view utf8) override {
    panes[pane] = std::string(utf8);
    pane_history[pane].push_back(std::string(utf8));
  }
  void SetRunProgress(Progress state, int done, int total) override {
    progress = {state, done, total};
    progress_history.push_back(progress);
  }
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    messages.push_back({std::string(text), std::string(caption), icon});
  }
  bool AskYesNo(std::string_view text, std::string_view caption) override {
    messages.push_back({std::string(text), std::string(caption), MessageIcon::kQuestion});
    return yes_no_answer;
  }
  bool AskFileName(const FileDialogRequest& request, std::string* path) override {
    file_requests.push_back(request);
    if (file_answers.empty()) return false;
    *path = file_answers.front();
    file_answers.pop_front();
    return !path->empty();
  }
  // Speaks the source language, except for the sources given a translation in `words`.
  std::string Tr(const char* /*context*/, std::string_view source) const override {
    const auto found = words.find(std::string(source));
    return found != words.end() ? found->second : std::string(source);
  }

  std::map<int, FakeControl> controls;
  struct RunProgress {
    Progress state = Progress::kIdle;
    int done = 0;
    int total = 0;
  };
  std::string panes[4];
  RunProgress progress;
  std::vector<RunProgress> progress_history;
  std::vector<std::string> pane_history[4];
  std::vector<RecordedMessage> messages;
  std::vector<FileDialogRequest> file_requests;
  std::deque<std::string> file_answers;  // an empty string means "cancel"
  bool yes_no_answer = true;
  std::map<std::string, std::string> words;  // source -> translation
};

}  // namespace travex::testing
