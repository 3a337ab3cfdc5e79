#include "cli/param_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "cli/cli_texts.h"
#include "paramfile/image_json.h"
#include "paramfile/param_file.h"
#include "paramfile/profile.h"
#include "params/param_store.h"

namespace travex::cli {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return text;
}

std::string_view SectionName(int index) {
  static constexpr std::string_view kNames[] = {"BASEINFO", "ARG1", "ARG2", "COEF"};
  return kNames[index];
}

}  // namespace

Outcome FormatOfName(const std::string& path, FileFormat* format) {
  const std::string extension = Lower(FileExtension(path));
  if (extension == "ini") {
    *format = FileFormat::kIni;
  } else if (extension == "json") {
    *format = FileFormat::kJson;
  } else {
    return Failure(kExitUsage, path + ": unknown kind of file; name it .ini or .json");
  }
  return {};
}

ParamImage DefaultImage() {
  const CParamStore store;
  ParamImage image = store.image;
  for (CoefBlock& c : image.coef) c = {1.0f, 0.0f};
  return image;
}

Outcome LoadImageFile(const std::string& path, ParamImage* image) {
  FileFormat format = FileFormat::kIni;
  if (Outcome o = FormatOfName(path, &format); !o.ok()) return o;
  ParamImage loaded = DefaultImage();
  if (format == FileFormat::kJson) {
    std::string text;
    std::string error;
    // A missing file reads as empty here: say so instead of "not JSON".
    if (!LoadTextFile(path, &text, &error)) return Failure(kExitFile, path + ": " + error);
    if (text.empty()) {
      const bool missing = ::access(path.c_str(), F_OK) != 0;
      return Failure(kExitFile, path + (missing ? ": " + std::string(std::strerror(ENOENT))
                                                : std::string(": the file is empty")));
    }
    const JsonResult result = JsonToImage(text, &loaded);
    if (!result.ok) return Failure(kExitFile, path + ": refused: " + JsonRefusalText(result));
  } else {
    const ParamFileLoad load = LoadParamFile(path, &loaded);
    if (!load.readable) return Failure(kExitFile, path + ": " + load.error);
    const SectionLoad sections[] = {load.base, load.arg1, load.arg2, load.coef};
    std::string failed;
    for (int i = 0; i < 4; ++i) {
      if (sections[i] != SectionLoad::kCrcMismatch) continue;
      failed += (failed.empty() ? "" : ", ") + std::string(SectionName(i));
    }
    if (!failed.empty()) {
      return Failure(kExitFile, path + ": the CRC check failed (section " + failed +
                                    "): the file is damaged or incomplete");
    }
  }
  *image = loaded;
  return {};
}

Outcome SaveImageFile(const std::string& path, const ParamImage& image) {
  FileFormat format = FileFormat::kIni;
  if (Outcome o = FormatOfName(path, &format); !o.ok()) return o;
  std::string error;
  if (format == FileFormat::kIni) {
    if (!SaveParamFile(path, image, &error)) return Failure(kExitFile, path + ": " + error);
    return {};
  }
  std::string json;
  const JsonResult result = ImageToJson(image, &json);
  if (!result.ok) return Failure(kExitFile, path + ": " + JsonRefusalText(result));
  if (!ReplaceFileAtomically(path, json, &error)) return Failure(kExitFile, path + ": " + error);
  return {};
}

}  // namespace travex::cli
