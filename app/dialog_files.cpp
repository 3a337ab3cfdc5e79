// The parameter file buttons: the file dialogs, the panels and the status panes around the
// file layer's LoadParamFile and SaveParamFile.
#include <algorithm>
#include <cstddef>
#include <ctime>
#include <iterator>
#include <string>

#include "app/dialog_core.h"
#include "app/dialog_texts.h"
#include "paramfile/param_file.h"

namespace travex {

namespace {

template <typename Block, size_t N>
void CopyBlocks(const Block (&from)[N], Block (&to)[N]) {
  std::copy(std::begin(from), std::end(from), std::begin(to));
}

}  // namespace

void CDialogCore::OnExport() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  FileDialogRequest dialog;
  dialog.save = true;
  dialog.initial_name = ProposedFileName(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                          local.tm_hour, local.tm_min);
  std::string path;
  if (!controls_.AskFileName(dialog, &path)) return;

  ParamImage image{};
  if (!CollectAllPanels(TRAVEX_TEXT("dialog", "没有导出参数文件。"), &image)) return;
  controls_.SetPaneText(2, std::to_string(kArg1Bytes));
  controls_.SetPaneText(3, std::to_string(kArg2Bytes));
  std::string error;
  if (!SaveParamFile(path, image, &error)) {
    controls_.ShowMessage(FillIn(controls_.Tr("dialog", "参数文件写入失败：%1"), {path}) + "\n" + error, AppName(),
                          MessageIcon::kWarning);
    return;
  }
  // Everything the panels held is in the file now.
  std::lock_guard lock(session_.store_mutex());
  unsaved_.AllSaved();
}

void CDialogCore::OnImport() {
  FileDialogRequest dialog;
  dialog.save = false;
  dialog.initial_name = "*.ini";
  std::string path;
  if (!controls_.AskFileName(dialog, &path)) return;
  const std::string extension = FileExtension(path);
  if (extension != "ini" && extension != "INI") return;
  ImportFile(path);
}

void CDialogCore::ImportFile(const std::string& path) {
  // The file is read into an image of its own without holding up the transfer thread; then
  // only the sections it loaded are merged, so that an answer stored meanwhile stays in every
  // other block.
  ParamImage file_image{};
  const ParamFileLoad load = LoadParamFile(path, &file_image);
  if (!load.readable) {
    // Nothing was loaded: the panels keep what they show, edits included.
    controls_.ShowMessage(FillIn(controls_.Tr("dialog", "参数文件读取失败：%1"), {path}) + "\n" + load.error, AppName(),
                          MessageIcon::kWarning);
    return;
  }
  const auto loaded = [](SectionLoad s) { return s == SectionLoad::kLoaded || s == SectionLoad::kDefaulted; };
  auto lock = LockStore();
  ParamImage& image = param_store.image;
  if (loaded(load.base)) image.base = file_image.base;
  if (loaded(load.arg1)) CopyBlocks(file_image.arg1, image.arg1);
  if (loaded(load.arg2)) {
    CopyBlocks(file_image.arg2, image.arg2);
    for (int c = 0; c < kChannelCount; ++c) panels_.NoteBlockStored(Arg2Ref(c));
  }
  if (loaded(load.coef)) CopyBlocks(file_image.coef, image.coef);
  // One after the other in one place: the last failure is what remains.
  const SectionLoad sections[] = {load.base, load.arg1, load.arg2, load.coef};
  for (size_t i = 0; i < std::size(sections); ++i) {
    if (sections[i] == SectionLoad::kCrcMismatch) {
      controls_.SetPaneText(3, controls_.Tr("dialog", dialog_text::kSectionLoadFailed[i]));
    }
  }
  if (loaded(load.base)) unsaved_.Saved(kBaseRef);
  for (int c = 0; c < kChannelCount; ++c) {
    if (loaded(load.arg1)) unsaved_.Saved(Arg1Ref(c));
    if (loaded(load.arg2)) unsaved_.Saved(Arg2Ref(c));
    if (loaded(load.coef)) unsaved_.Saved(CoefRef(c));
  }
  loaded_ = loaded_ || loaded(load.base) || loaded(load.arg1) || loaded(load.arg2);
  panels_.ShowAllPanels();
}

}  // namespace travex
