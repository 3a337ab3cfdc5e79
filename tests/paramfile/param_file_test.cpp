#include "paramfile/param_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "paramfile/profile.h"
#include "paramfile/file_dialog_rig.h"
#include "paramfile/temp_folder.h"
#include "protocol/crc16.h"

namespace travex::testing {
namespace {

TEST(ParamFileFormat, BlocksAndCrcsAsWritten) {
  BaseInfoBlock b{};
  b.comm_baud = 9600;
  b.rs485_poll_interval = 1000;
  b.rs485_timeout = 500;
  b.rs485_retries = 3;
  b.store_interval = 60;
  b.lcd_on_time = 30;
  b.device_time = 1704067200;
  uint8_t bytes[kBaseInfoBytes];
  EncodeBaseInfo(b, bytes);
  EXPECT_EQ(BytesToHexText(bytes, kBaseInfoBytes), "802500000000E803F40103003C001E0080009265");
  EXPECT_EQ(CrcText(Crc16(bytes, kBaseInfoBytes)), "AC53");

  const std::vector<uint8_t> zeros(kArg1Bytes, 0);
  EXPECT_EQ(CrcText(Crc16(zeros.data(), 20)), "1B24");
  EXPECT_EQ(CrcText(Crc16(zeros.data(), 5376)), "3018");
  EXPECT_EQ(CrcText(Crc16(zeros.data(), 1152)), "7A3B");
  EXPECT_EQ(CrcText(Crc16(zeros.data(), 256)), "64BF");

  CoefBlock coef[kChannelCount];
  for (CoefBlock& c : coef) c = {1.0f, 0.0f};
  uint8_t coef_bytes[kCoefBytes];
  EncodeCoefArray(coef, coef_bytes);
  EXPECT_EQ(BytesToHexText(coef_bytes, 8), "0000803F00000000");
  EXPECT_EQ(CrcText(Crc16(coef_bytes, kCoefBytes)), "F783");

  const uint8_t odd[] = {0xAB, 0x05, 0xF0};
  EXPECT_EQ(BytesToHexText(odd, 3), "AB05F0");
}

TEST(ParamFileFormat, HexPairsReadWideAndNames) {
  EXPECT_EQ(HexPairToByte("ab"), 0xAB);
  EXPECT_EQ(HexPairToByte("AB"), 0xAB);
  EXPECT_EQ(HexPairToByte("G5"), 0x05);
  EXPECT_EQ(HexPairToByte("5G"), 0x50);
  EXPECT_EQ(HexPairToByte("\xC1\xFF"), 0x00);
  EXPECT_EQ(HexPairToByte("ER"), 0xE0);
  EXPECT_EQ(CrcFromText("ERROR"), 0xE000);
  EXPECT_EQ(CrcFromText("ac53"), 0xAC53);
  EXPECT_EQ(CrcFromText("AC53FFFF"), 0xAC53);
  EXPECT_EQ(CrcFromText("A"), 0xA000);
  uint8_t bytes[4];
  HexTextToBytes("1", bytes, 4);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0x10, 0, 0, 0}));

  EXPECT_EQ(ProposedFileName(2024, 3, 5, 14, 7), "TRAVEX20240305_1407.ini");
  EXPECT_EQ(FileExtension("/a.b/c.ini"), "ini");
  EXPECT_EQ(FileExtension("/a.b/c"), "");
  EXPECT_EQ(FileExtension("x.tar.INI"), "INI");
}

// '#' stands for one decimal digit.
bool Matches(const std::string& text, const std::string& pattern) {
  if (text.size() != pattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (pattern[i] == '#' ? (text[i] < '0' || text[i] > '9') : text[i] != pattern[i]) return false;
  }
  return true;
}

// A store with panels, an image full of distinct bytes and a folder for its files.
struct FileRig : FileDialogRig {
  FileRig() {
    std::vector<uint8_t> bytes(kImageBytes);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    DecodeImage(bytes.data(), &store.image);
    store.image.base.comm_baud = 19200;
    store.image.base.parity = 1;
    ShowAll();  // the panels show what the image holds
  }
  std::vector<uint8_t> ImageBytes() const {
    std::vector<uint8_t> bytes(kImageBytes);
    EncodeImage(store.image, bytes.data());
    return bytes;
  }
  TempFolder folder;
};

// The text in the file of one key; empty when absent.
std::string Key(const std::string& path, const char* section, const char* key) {
  return ReadProfileString(path, section, key, "");
}

TEST(ParamFileExport, NewFileHoldsFourSectionsInOrder) {
  FileRig rig;
  ASSERT_TRUE(rig.folder.ok());
  const std::string path = rig.folder.File("new.ini");
  rig.Export(path);
  ASSERT_EQ(rig.controls.file_requests.size(), 1u);
  const FileDialogRequest& req = rig.controls.file_requests[0];
  EXPECT_TRUE(req.save);
  EXPECT_TRUE(Matches(req.initial_name, "TRAVEX########_####.ini")) << req.initial_name;
  EXPECT_EQ(req.default_suffix, "ini");
  EXPECT_EQ(rig.controls.panes[2], "5376");
  EXPECT_EQ(rig.controls.panes[3], "1152");
  EXPECT_TRUE(rig.controls.messages.empty());

  const std::string text = ReadWholeFile(path);
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  ASSERT_EQ(lines.size(), 12u);
  const char* expected[][2] = {{"[BASEINFO]", nullptr}, {"baseinfo=", "40"},
                               {"wCRCResult=", "4"},     {"[ARG1]", nullptr},
                               {"arg1=", "10752"},       {"wCRCResult=", "4"},
                               {"[ARG2]", nullptr},      {"arg2=", "2304"},
                               {"wCRCResult=", "4"},     {"[COEF]", nullptr},
                               {"coef=", "512"},         {"wCRCResult=", "4"}};
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string head = expected[i][0];
    ASSERT_EQ(lines[i].substr(0, head.size()), head) << i;
    if (expected[i][1] != nullptr) {
      EXPECT_EQ(lines[i].size() - head.size(), std::stoul(expected[i][1])) << i;
    } else {
      EXPECT_EQ(lines[i], head);
    }
  }
  EXPECT_EQ(lines[4].find_first_not_of("0123456789ABCDEF", 5), std::string::npos);
}

TEST(ParamFileExport, CollectsThePanelsFirst) {
  FileRig rig;
  const std::string path = rig.folder.File("p.ini");
  rig.Type(IDC_ALARM_TEXT, "EDITED");
  rig.Type(IDC_RS485_POLL, "1234");
  rig.Export(path);
  uint8_t base[kBaseInfoBytes];
  HexTextToBytes(Key(path, "BASEINFO", "baseinfo"), base, kBaseInfoBytes);
  EXPECT_EQ(GetU16(base + 6), 1234);
  EXPECT_EQ(std::string(rig.store.image.arg1[0].alarm_text), "EDITED");
}

TEST(ParamFileExport, CancelChangesNothing) {
  FileRig rig;
  const std::vector<uint8_t> before = rig.ImageBytes();
  rig.Type(IDC_ALARM_TEXT, "EDITED");
  rig.Export("");
  EXPECT_EQ(rig.ImageBytes(), before);
  EXPECT_EQ(rig.controls.panes[2], "");
  EXPECT_TRUE(rig.controls.messages.empty());
}

TEST(ParamFileRoundTrip, ImportRestoresEveryByte) {
  FileRig rig;
  const std::string path = rig.folder.File("round.INI");
  // Bytes after a text's zero and the reserved byte travel too.
  std::memcpy(rig.store.image.arg1[4].alarm_text, "AB\0DEFGH", 9);
  rig.store.image.base.reserved = 0xA5;
  rig.ShowAll();
  rig.Export(path);
  const std::vector<uint8_t> exported = rig.ImageBytes();

  std::vector<uint8_t> other(kImageBytes, 0x11);
  DecodeImage(other.data(), &rig.store.image);
  rig.controls.panes[3] = "before";
  rig.Import(path);
  EXPECT_EQ(rig.ImageBytes(), exported);
  EXPECT_EQ(rig.controls.panes[3], "before");
  EXPECT_EQ(rig.controls.file_requests.back().initial_name, "*.ini");
  EXPECT_FALSE(rig.controls.file_requests.back().save);
  EXPECT_EQ(rig.Text(IDC_COMM_BAUD), "19200");
}

TEST(ParamFileExport, OnlyTheEightKeysChangeInAnExistingFile) {
  FileRig rig;
  const std::string path = rig.folder.File("existing.ini");
  const std::string head =
      "; written by hand\n"
      "[Other]\n"
      "Key = Value\n"
      "\n"
      "[baseinfo]\r\n"
      "comment=kept\r\n"
      "BaseInfo = 00\r\n"
      "\r\n"
      "[Arg1]\r\n"
      "WCRCRESULT=0000\r\n"
      "[tail]\r\n"
      "x=1";
  WriteWholeFile(path, head);
  rig.Export(path);
  uint8_t bytes[kImageBytes];
  EncodeImage(rig.store.image, bytes);
  const uint8_t* arg1 = bytes + kBaseInfoBytes;
  const uint8_t* arg2 = arg1 + kArg1Bytes;
  const uint8_t* coef = arg2 + kArg2Bytes;
  const std::string expected =
      "; written by hand\n"
      "[Other]\n"
      "Key = Value\n"
      "\n"
      "[baseinfo]\r\n"
      "comment=kept\r\n"
      "baseinfo=" + BytesToHexText(bytes, kBaseInfoBytes) + "\r\n"
      "wCRCResult=" + CrcText(Crc16(bytes, kBaseInfoBytes)) + "\r\n"
      "\r\n"
      "[Arg1]\r\n"
      "wCRCResult=" + CrcText(Crc16(arg1, kArg1Bytes)) + "\r\n"
      "arg1=" + BytesToHexText(arg1, kArg1Bytes) + "\r\n"
      "[tail]\r\n"
      "x=1\r\n"
      "[ARG2]\r\n"
      "arg2=" + BytesToHexText(arg2, kArg2Bytes) + "\r\n"
      "wCRCResult=" + CrcText(Crc16(arg2, kArg2Bytes)) + "\r\n"
      "[COEF]\r\n"
      "coef=" + BytesToHexText(coef, kCoefBytes) + "\r\n"
      "wCRCResult=" + CrcText(Crc16(coef, kCoefBytes)) + "\r\n";
  EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST(ParamFileExport, AFailedWriteKeepsTheFileAndTellsTheOperator) {
  FileRig rig;
  const std::string path = rig.folder.File("locked.ini");
  WriteWholeFile(path, "[Other]\r\nk=v\r\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  rig.Export(path);
  EXPECT_EQ(ReadWholeFile(path), "[Other]\r\nk=v\r\n");
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_EQ(rig.controls.messages[0].caption, "Travex配置软件");
  EXPECT_NE(rig.controls.messages[0].text.find(path), std::string::npos);
  EXPECT_EQ(rig.controls.panes[2], "5376");

  const std::string missing = rig.folder.File("gone/x.ini");
  rig.Export(missing);
  ASSERT_EQ(rig.controls.messages.size(), 2u);
  EXPECT_NE(rig.controls.messages[1].text.find(missing), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// Writes a parameter file from the rig's image, then lets the test change its text.
std::string ExportedText(FileRig& rig, const std::string& path) {
  rig.Export(path);
  return ReadWholeFile(path);
}

std::string ReplaceKey(const std::string& text, const char* section, const char* key,
                       const std::string& value) {
  return SetProfileString(text, section, key, value);
}

TEST(ParamFileImport, LowerCaseDigitsAreAccepted) {
  FileRig rig;
  const std::string path = rig.folder.File("lower.ini");
  std::string text = ExportedText(rig, path);
  const std::vector<uint8_t> exported = rig.ImageBytes();
  for (char& c : text) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  // The section and key names are matched without regard to case.
  WriteWholeFile(path, text);
  std::vector<uint8_t> zeros(kImageBytes, 0);
  DecodeImage(zeros.data(), &rig.store.image);
  rig.Import(path);
  EXPECT_EQ(rig.ImageBytes(), exported);
  EXPECT_EQ(rig.controls.panes[3], "1152");  // left from the export, no message
}

TEST(ParamFileImport, MissingCoefGivesDefaultsWithoutMessage) {
  FileRig rig;
  const std::string path = rig.folder.File("nocoef.ini");
  std::string text = ExportedText(rig, path);
  text = text.substr(0, text.find("[COEF]"));
  WriteWholeFile(path, text + "[COEF]\r\nwCRCResult=1234\r\n");
  rig.controls.panes[3] = "";
  rig.Import(path);
  for (const CoefBlock& c : rig.store.image.coef) {
    EXPECT_EQ(c.coef_a, 1.0f);
    EXPECT_EQ(c.coef_b, 0.0f);
  }
  EXPECT_EQ(rig.controls.panes[3], "");
  EXPECT_EQ(rig.Text(IDC_COEF_A), "1.000000");
}

TEST(ParamFileImport, FailingSectionsKeepTheirBlocksAndReport) {
  FileRig rig;
  const std::string path = rig.folder.File("bad.ini");
  const std::string good = ExportedText(rig, path);
  const std::vector<uint8_t> exported = rig.ImageBytes();

  // Start every import from a different image so that loaded sections are visible.
  const std::vector<uint8_t> other(kImageBytes, 0x22);
  auto import_text = [&](const std::string& text) {
    DecodeImage(other.data(), &rig.store.image);
    rig.controls.panes[3] = "";
    rig.controls.pane_history[3].clear();
    WriteWholeFile(path, text);
    rig.Import(path);
  };
  auto flip_digit = [](std::string value, size_t i) {
    value[i] = value[i] == '0' ? '1' : '0';
    return value;
  };

  // One digit of arg2 changed: its message; ARG2 stays as it was, COEF is still loaded.
  import_text(ReplaceKey(good, "ARG2", "arg2", flip_digit(Key(path, "ARG2", "arg2"), 100)));
  EXPECT_EQ(rig.controls.panes[3], "载入参数3错误");
  std::vector<uint8_t> now = rig.ImageBytes();
  EXPECT_EQ(std::vector<uint8_t>(now.begin() + 5396, now.begin() + 6548),
            std::vector<uint8_t>(other.begin() + 5396, other.begin() + 6548));
  EXPECT_EQ(std::vector<uint8_t>(now.begin() + 6548, now.end()),
            std::vector<uint8_t>(exported.begin() + 6548, exported.end()));
  EXPECT_EQ(std::vector<uint8_t>(now.begin(), now.begin() + 5396),
            std::vector<uint8_t>(exported.begin(), exported.begin() + 5396));

  // One digit of coef changed: its message after the earlier ones.
  import_text(ReplaceKey(good, "COEF", "coef", flip_digit(Key(path, "COEF", "coef"), 0)));
  EXPECT_EQ(rig.controls.panes[3], "载入系数错误");
  EXPECT_EQ(rig.store.image.coef[0].coef_a, GetF32(other.data()));

  // Base and set 2 failing: the later message stays.
  std::string text = ReplaceKey(good, "BASEINFO", "wCRCResult", "0000");
  text = ReplaceKey(text, "ARG2", "wCRCResult", "0000");
  import_text(text);
  EXPECT_EQ(rig.controls.pane_history[3],
            (std::vector<std::string>{"载入参数1错误", "载入参数3错误"}));
  EXPECT_EQ(rig.store.image.base.comm_baud, GetU32(other.data()));

  // "error" in lower case is hex text like any other, not the default case.
  import_text(ReplaceKey(good, "COEF", "coef", "error"));
  EXPECT_EQ(rig.controls.panes[3], "载入系数错误");
  EXPECT_EQ(rig.store.image.coef[5].coef_a, GetF32(other.data()));

  // A CRC text longer than four characters counts on its first four only.
  import_text(ReplaceKey(good, "ARG1", "wCRCResult", Key(path, "ARG1", "wCRCResult") + "XYZ"));
  EXPECT_EQ(rig.controls.panes[3], "");
  EXPECT_EQ(rig.ImageBytes(), exported);

  // A missing BASEINFO leaves the base block with its message.
  text = good;
  text.replace(text.find("[BASEINFO]"), 10, "[BASE]");
  import_text(text);
  EXPECT_EQ(rig.controls.panes[3], "载入参数1错误");
  EXPECT_EQ(rig.store.image.base.comm_baud, GetU32(other.data()));
}

TEST(ParamFileImport, AnUnreadableFileChangesNothingAndTellsTheOperator) {
  FileRig rig;
  rig.Type(IDC_ALARM_TEXT, "EDITED");  // not collected yet, and not lost
  const std::vector<uint8_t> before = rig.ImageBytes();
  rig.controls.panes[3] = "before";
  const std::string path = rig.folder.File("missing.ini");
  rig.Import(path);
  EXPECT_EQ(rig.ImageBytes(), before);
  EXPECT_EQ(rig.Text(IDC_ALARM_TEXT), "EDITED");
  EXPECT_EQ(rig.controls.panes[3], "before");
  ASSERT_EQ(rig.controls.messages.size(), 1u);
  EXPECT_EQ(rig.controls.messages[0].text,
            "参数文件读取失败：" + path + "\n" + std::strerror(ENOENT));
  EXPECT_EQ(rig.controls.messages[0].caption, "Travex配置软件");
  EXPECT_EQ(rig.controls.messages[0].icon, MessageIcon::kWarning);
}

TEST(ParamFileImport, OnlyIniOrINIExtensionsAreLoaded) {
  FileRig rig;
  const std::string good = rig.folder.File("p.ini");
  rig.Export(good);
  for (const char* name : {"p.Ini", "p.txt", "p", "p.ini.bak"}) {
    std::filesystem::copy_file(good, rig.folder.File(name));
    std::vector<uint8_t> other(kImageBytes, 0x33);
    DecodeImage(other.data(), &rig.store.image);
    rig.controls.pane_history[3].clear();
    rig.Import(rig.folder.File(name));
    EXPECT_EQ(rig.ImageBytes(), other) << name;
    EXPECT_TRUE(rig.controls.pane_history[3].empty()) << name;
  }
  rig.Import("");  // cancel
  EXPECT_EQ(rig.store.image.base.comm_baud, 0x33333333u);
}

}  // namespace
}  // namespace travex::testing
