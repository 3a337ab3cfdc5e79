// The dialog's export and import buttons on in-memory controls: the file dialog answered by
// the test, the panels and the status panes recorded.
#pragma once

#include <string>

#include "app/dialog_test_util.h"

namespace travex::testing {

struct FileDialogRig : DialogRig {
  FileDialogRig() { ShowAll(); }
  void ShowAll() { core.panels().ShowAllPanels(); }
  void Export(const std::string& path) {
    controls.file_answers.push_back(path);
    core.OnExport();
  }
  void Import(const std::string& path) {
    controls.file_answers.push_back(path);
    core.OnImport();
  }
  void Type(int id, const std::string& gbk) { controls.controls[id].text = gbk; }
  std::string Text(int id) { return controls.controls[id].text; }

  CParamStore& store = core.param_store;
};

}  // namespace travex::testing
