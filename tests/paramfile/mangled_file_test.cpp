// The reader and the import on damaged files: fixed-seed random damage of a real export,
// plus files that no writer produces. Nothing may crash or read out of bounds (the sanitizer
// builds check the latter); the import always ends with the panels refreshed.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "paramfile/param_file.h"
#include "paramfile/profile.h"
#include "paramfile/file_dialog_rig.h"
#include "paramfile/temp_folder.h"

namespace travex::testing {
namespace {

std::string Mangle(std::string text, std::mt19937& rng) {
  std::uniform_int_distribution<int> kind(0, 7);
  std::uniform_int_distribution<int> byte(0, 255);
  const int steps = 1 + static_cast<int>(rng() % 8);
  for (int s = 0; s < steps && !text.empty(); ++s) {
    const size_t at = rng() % text.size();
    switch (kind(rng)) {
      case 0: text[at] = static_cast<char>(byte(rng)); break;
      case 1: text.erase(at, rng() % 64); break;
      case 2: text.insert(at, 1, '\0'); break;
      case 3: text.insert(at, "\r\n[ARG1]\r\n"); break;
      case 4: text.resize(at); break;
      case 5: text.insert(at, std::string(rng() % 20000, static_cast<char>(byte(rng)))); break;
      case 6:
        for (char& c : text) {
          if (c == '\n' || c == '\r') c = ' ';
        }
        break;
      default: text.insert(at, "=\"'[]; ="); break;
    }
  }
  return text;
}

TEST(MangledFiles, ImportSurvivesRandomDamage) {
  FileDialogRig rig;
  TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string path = folder.File("m.ini");
  rig.Export(path);
  const std::string good = ReadWholeFile(path);
  ASSERT_FALSE(good.empty());

  std::mt19937 rng(20240305);
  for (int round = 0; round < 150; ++round) {
    WriteWholeFile(path, Mangle(good, rng));
    rig.Import(path);
    EXPECT_LT(rig.core.panels().Arg1Channel(), kChannelCount);
    const std::string value = ReadProfileString(path, "ARG1", "arg1", "ERROR");
    EXPECT_LE(value.size(), kProfileValueMax);
  }
}

TEST(MangledFiles, FilesNoWriterProduces) {
  FileDialogRig rig;
  TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string path = folder.File("odd.ini");
  const std::string cases[] = {
      std::string(),
      std::string(3u << 20, 'A'),                            // one huge line, no line end
      "[ARG1]\narg1=" + std::string(2u << 20, 'F') + "\n",  // value beyond the line limit
      std::string(100000, '\0'),
      std::string(100000, '\n'),
      "[" + std::string(50000, '[') + "\n=" + std::string(50000, '=') + "\n",
      "[BASEINFO]\r\nbaseinfo=\r\nwCRCResult=\r\n[COEF]\r\ncoef=\r\n",
      "\xEF\xBB\xBF",
  };
  for (const std::string& text : cases) {
    WriteWholeFile(path, text);
    rig.Import(path);
    EXPECT_EQ(ReadProfileString(path, "ARG1", "arg1", "d").size() <= kProfileValueMax, true);
  }
  // The last file has no sections at all: three messages, default coefficients.
  EXPECT_EQ(rig.controls.panes[3], "载入参数3错误");
  EXPECT_EQ(rig.store.image.coef[31].coef_a, 1.0f);
  // Exporting onto a file without line ends keeps its bytes in front.
  WriteWholeFile(path, std::string(1000, 'x'));
  rig.Export(path);
  const std::string after = ReadWholeFile(path);
  EXPECT_EQ(after.substr(0, 1004), std::string(1000, 'x') + "\r\n[B");
}

}  // namespace
}  // namespace travex::testing
