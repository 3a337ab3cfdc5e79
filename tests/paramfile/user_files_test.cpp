// Parameter files as users have them: unreadable, edited by hand, saved as "Unicode", with
// overlong lines. Loading and saving without any dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "paramfile/param_file.h"
#include "paramfile/profile.h"
#include "paramfile/temp_folder.h"

namespace travex::testing {
namespace {

std::vector<uint8_t> Bytes(const ParamImage& image) {
  std::vector<uint8_t> bytes(kImageBytes);
  EncodeImage(image, bytes.data());
  return bytes;
}

ParamImage DistinctImage(int seed) {
  std::vector<uint8_t> bytes(kImageBytes);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + seed);
  ParamImage image{};
  DecodeImage(bytes.data(), &image);
  return image;
}

bool NoSectionFailed(const ParamFileLoad& load) {
  for (SectionLoad s : {load.base, load.arg1, load.arg2, load.coef}) {
    if (s == SectionLoad::kCrcMismatch) return false;
  }
  return true;
}

// Saves `image` onto a file that holds `before`; the result must load back whole.
std::string SaveOnto(const std::string& path, const std::string& before, const ParamImage& image) {
  WriteWholeFile(path, before);
  std::string error;
  EXPECT_TRUE(SaveParamFile(path, image, &error)) << error;
  ParamImage loaded = DistinctImage(99);
  const ParamFileLoad load = LoadParamFile(path, &loaded);
  EXPECT_TRUE(load.readable);
  EXPECT_TRUE(NoSectionFailed(load));
  EXPECT_EQ(Bytes(loaded), Bytes(image));
  return ReadWholeFile(path);
}

TEST(ParamFileLoad, ReportsEachSectionAndChangesNothingWhenUnreadable) {
  TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string path = folder.File("p.ini");
  std::string text = SaveOnto(path, "", DistinctImage(3));
  text = SetProfileString(text, "ARG1", "wCRCResult", "0000");
  WriteWholeFile(path, SetProfileString(text, "COEF", "coef", "ERROR"));
  const ParamImage before = DistinctImage(5);
  ParamImage image = before;
  ParamFileLoad load = LoadParamFile(path, &image);
  EXPECT_EQ(std::vector<SectionLoad>({load.base, load.arg1, load.arg2, load.coef}),
            std::vector<SectionLoad>({SectionLoad::kLoaded, SectionLoad::kCrcMismatch,
                                      SectionLoad::kLoaded, SectionLoad::kDefaulted}));
  EXPECT_EQ(image.coef[7].coef_a, 1.0f);

  // Missing, a folder, no permission (root may read anything): nothing changes, not even
  // the coefficients.
  std::vector<std::string> unreadable = {folder.File("missing.ini"), folder.path()};
  if (::geteuid() != 0) {
    std::filesystem::permissions(path, std::filesystem::perms::none);
    unreadable.push_back(path);
  }
  for (const std::string& name : unreadable) {
    image = before;
    load = LoadParamFile(name, &image);
    EXPECT_FALSE(load.readable || load.error.empty()) << name;
    EXPECT_EQ(Bytes(image), Bytes(before)) << name;
  }
}

TEST(ParamFileSave, SectionNamesWithBlanksInsideTheBracketsAreUpdatedInPlace) {
  TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string text = SaveOnto(folder.File("p.ini"),
                                    "[ BASEINFO ]\r\nbaseinfo=00\r\n[  ARG1 ]\r\n[ARG2 ]\r\n"
                                    "note=kept\r\n[ COEF ]\r\ncoef=11\r\nwCRCResult=0000\r\n",
                                    DistinctImage(1));
  for (const char* added : {"[BASEINFO]", "[ARG1]", "[ARG2]", "[COEF]"}) {
    EXPECT_EQ(text.find(added), std::string::npos) << added;
  }
  EXPECT_NE(text.find("[ARG2 ]\r\nnote=kept\r\narg2="), std::string::npos);
}

// UTF-16 with its byte-order mark, as a Windows editor saves "Unicode".
std::string Utf16(std::u16string_view text, bool little_endian) {
  std::string out;
  for (const char16_t unit : u"\uFEFF" + std::u16string(text)) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += little_endian ? std::string{low, high} : std::string{high, low};
  }
  return out;
}

std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

TEST(ParamFileSave, Utf16FilesLoadLikeAnsiAndStayUtf16) {
  TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string ansi_path = folder.File("ansi.ini");
  const std::string ansi = SaveOnto(ansi_path, "; own\r\n[Own]\r\nflag\r\n", DistinctImage(1));
  const ParamImage other = DistinctImage(2);
  const std::string ansi_after = SaveOnto(ansi_path, ansi, other);
  // Lines of the user's own, with a character beyond 16 bits and an unpaired surrogate.
  const std::u16string own = u"; 注释 \U0001D11E \xD800\r\n[其他]\r\n名=值\r\n";
  for (const bool little_endian : {true, false}) {
    const std::string path = folder.File(little_endian ? "le.ini" : "be.ini");
    WriteWholeFile(path, Utf16(own + Widen(ansi), little_endian));
    ParamImage image = DistinctImage(3);
    const ParamFileLoad load = LoadParamFile(path, &image);
    EXPECT_TRUE(NoSectionFailed(load));
    EXPECT_EQ(Bytes(image), Bytes(DistinctImage(1)));
    // Saved onto: exactly what the ANSI file became, in the file's own encoding.
    std::string error;
    ASSERT_TRUE(SaveParamFile(path, other, &error)) << error;
    EXPECT_EQ(ReadWholeFile(path), Utf16(own + Widen(ansi_after), little_endian));
  }
}

TEST(ParamFileSave, OverlongLinesNeverPartWriterAndReader) {
  TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string filler(kProfileLineMax, 'x');
  const std::string blanks(kProfileLineMax, ' ');
  // Blanks that push a header past what is read hide it; a "]" past it does not end the
  // name; an "=" past it makes no key, whatever the line starts with.
  SaveOnto(folder.File("long.ini"),
           blanks + "[ARG2]\r\narg2=00\r\n"
           "[ARG1]" + filler + "]\r\narg1=00\r\nwCRCResult=0000\r\n"
           "[COEF]\r\nwCRCResult" + blanks + "x=1\r\ncoef=00\r\n",
           DistinctImage(4));
}

}  // namespace
}  // namespace travex::testing
