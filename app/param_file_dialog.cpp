// The dialog's export and import of the parameter file: the file dialogs, the panels and the
// status panes around LoadParamFile and SaveParamFile.
#include <ctime>
#include <string>
#include <string_view>

#include "app/dialog_controls.h"
#include "paramfile/param_file.h"
#include "params/param_store.h"

namespace travex {

namespace {
constexpr std::string_view kCaption = "Travex配置软件";
}  // namespace

void CParamStore::ExportParamFile() {
  if (owner == nullptr) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  FileDialogRequest dialog;
  dialog.save = true;
  dialog.initial_name = ProposedFileName(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                          local.tm_hour, local.tm_min);
  std::string path;
  if (!owner->AskFileName(dialog, &path)) return;

  CollectAllPanels();
  owner->SetPaneText(2, std::to_string(kArg1Bytes));
  owner->SetPaneText(3, std::to_string(kArg2Bytes));
  std::string error;
  if (!SaveParamFile(path, image, &error)) {
    owner->ShowMessage("参数文件写入失败：" + path + "\n" + error, kCaption, MessageIcon::kWarning);
  }
}

void CParamStore::ImportParamFile() {
  if (owner == nullptr) return;
  FileDialogRequest dialog;
  dialog.save = false;
  dialog.initial_name = "*.ini";
  std::string path;
  if (!owner->AskFileName(dialog, &path)) return;
  const std::string extension = FileExtension(path);
  if (extension != "ini" && extension != "INI") return;

  const ParamFileLoad load = LoadParamFile(path, &image);
  if (!load.readable) {
    // Nothing was loaded: the panels keep what they show, edits included.
    owner->ShowMessage("参数文件读取失败：" + path + "\n" + load.error, kCaption,
                       MessageIcon::kWarning);
    return;
  }
  for (const std::string_view message : load.messages) owner->SetPaneText(3, message);
  ShowAllPanels();
}

}  // namespace travex
