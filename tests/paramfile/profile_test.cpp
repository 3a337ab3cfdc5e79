#include "paramfile/profile.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "paramfile/temp_folder.h"

namespace travex {
namespace {

// A file in the style that other INI writers and hand editing produce.
const std::string kForeign =
    "; settings\r\n"
    "stray=before any section\r\n"
    "\r\n"
    "[General]\n"
    "Name = first value  \n"
    "  name=second value\n"
    "flag\n"
    "quoted=\"  spaced  \"\n"
    "\n"
    "[baseinfo]\r\n"
    "BaseInfo\t=\t00112233\r\n"
    ";baseinfo=commented\r\n"
    "[BASEINFO]\r\n"
    "wCRCResult=ABCD\r\n"
    "[Last]\r\n"
    "tail=no line end";

TEST(ProfileRead, FollowsThePrivateProfileRules) {
  EXPECT_EQ(LookupProfileString(kForeign, "general", "NAME", "d"), "first value");
  // A line without "=" is no key.
  EXPECT_EQ(LookupProfileString(kForeign, "General", "flag", "d"), "d");
  EXPECT_EQ(LookupProfileString(kForeign, "General", "quoted", "d"), "  spaced  ");
  EXPECT_EQ(LookupProfileString(kForeign, "BASEINFO", "baseinfo", "d"), "00112233");
  // Only the first section of a name counts.
  EXPECT_EQ(LookupProfileString(kForeign, "BASEINFO", "wCRCResult", "ERROR"), "ERROR");
  EXPECT_EQ(LookupProfileString(kForeign, "Last", "tail", "d"), "no line end");
  EXPECT_EQ(LookupProfileString(kForeign, "General", "stray", "d"), "d");
  EXPECT_EQ(LookupProfileString(kForeign, "", "stray", "d"), "d");
  EXPECT_EQ(LookupProfileString(kForeign, "Missing", "x", "ERROR"), "ERROR");
}

TEST(ProfileRead, CutsValuesToTheBufferAndAtZero) {
  const std::string text = "[S]\r\nlong=" + std::string(12000, '7') + "\r\nz=AB" +
                           std::string(1, '\0') + "CD\r\n";
  EXPECT_EQ(LookupProfileString(text, "S", "long", ""), std::string(kProfileValueMax, '7'));
  EXPECT_EQ(LookupProfileString(text, "S", "z", ""), "AB");
}

TEST(ProfileRead, FilesAreReadAsTheTextIs) {
  testing::TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string path = folder.File("a.ini");
  testing::WriteWholeFile(path, "\xEF\xBB\xBF[General]\r\nname=x\r\n" + kForeign);
  EXPECT_EQ(ReadProfileString(path, "GENERAL", "name", "d"), "x");
  EXPECT_EQ(ReadProfileString(path, "Last", "tail", "d"), "no line end");
  const std::vector<std::string> values = ReadProfileStrings(
      path, {{"baseinfo", "baseinfo", "E"}, {"Last", "tail", "E"}, {"none", "k", "E"}});
  EXPECT_EQ(values, (std::vector<std::string>{"00112233", "no line end", "E"}));
  EXPECT_EQ(ReadProfileString(folder.File("missing.ini"), "Last", "tail", "ERROR"), "ERROR");
  EXPECT_EQ(ReadProfileString(folder.path(), "Last", "tail", "ERROR"), "ERROR");
  // A pipe behind the name is not read (it would block with no writer).
  const std::string fifo = folder.File("pipe.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadProfileString(fifo, "Last", "tail", "ERROR"), "ERROR");
  std::string text;
  std::string error;
  EXPECT_FALSE(LoadTextFile(fifo, &text, &error));
}

TEST(ProfileWrite, ReplacesAppendsAndKeepsEverythingElse) {
  const std::string before =
      "; keep me\n"
      "[base]\n"
      "other = 1\n"
      "BaseInfo = old\n"
      "\n"
      "[next]\r\n"
      "x=y";
  // Replaced in place under the existing section name.
  EXPECT_EQ(SetProfileString(before, "BASE", "baseinfo", "new"),
            "; keep me\n[base]\nother = 1\nbaseinfo=new\r\n\n[next]\r\nx=y");
  // Added after the section's last line, before its blank lines.
  EXPECT_EQ(SetProfileString(before, "BASE", "wCRCResult", "1234"),
            "; keep me\n[base]\nother = 1\nBaseInfo = old\nwCRCResult=1234\r\n\n[next]\r\nx=y");
  // A last line without line end gets one before the added key.
  EXPECT_EQ(SetProfileString(before, "next", "k", "v"),
            "; keep me\n[base]\nother = 1\nBaseInfo = old\n\n[next]\r\nx=y\r\nk=v\r\n");
  // A missing section is added at the end.
  EXPECT_EQ(SetProfileString(before, "COEF", "coef", "00"), before + "\r\n[COEF]\r\ncoef=00\r\n");
  EXPECT_EQ(SetProfileString("", "A", "k", "v"), "[A]\r\nk=v\r\n");
  // A section header on the last line without line end.
  EXPECT_EQ(SetProfileString("[A]", "a", "k", "v"), "[A]\r\nk=v\r\n");
}

TEST(ProfileWrite, WrittenTextReadsBack) {
  std::string text;
  text = SetProfileString(text, "S1", "a", "1");
  text = SetProfileString(text, "S2", "b", "2");
  text = SetProfileString(text, "S1", "c", "3");
  text = SetProfileString(text, "S1", "a", "4");
  EXPECT_EQ(text, "[S1]\r\na=4\r\nc=3\r\n[S2]\r\nb=2\r\n");
  EXPECT_EQ(LookupProfileString(text, "s1", "C", ""), "3");
}

TEST(ProfileText, WhateverAFileHoldsEncodesBackToTheSameBytes) {
  using namespace std::string_literals;
  // Surrogates paired or not, odd lengths, every unit size, files too short for a mark.
  for (const std::string& bytes :
       {"\xFF\xFE\x3D\xD8\x00\xDE\x00\xD8\x41\x00\xFF"s, "\xFE\xFF\x00\x7F\x07\xFF\xFF\xFF"s,
        "\xFF\xFE\x80\x00\xFF\x07\x00\x08"s, "\xFF"s, ""s, "[A]\xC0\xFF"s}) {
    EXPECT_EQ(EncodeProfileText(DecodeProfileText(bytes)), bytes);
  }
}

TEST(AtomicReplace, WritesNewAndExistingFilesAndRefusesReadOnlyOnes) {
  testing::TempFolder folder;
  ASSERT_TRUE(folder.ok());
  std::string error;
  const std::string path = folder.File("p.ini");
  ASSERT_TRUE(ReplaceFileAtomically(path, "one", &error)) << error;
  EXPECT_EQ(testing::ReadWholeFile(path), "one");
  ASSERT_TRUE(ReplaceFileAtomically(path, "two", &error)) << error;
  EXPECT_EQ(testing::ReadWholeFile(path), "two");

  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read);
  EXPECT_FALSE(ReplaceFileAtomically(path, "three", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(testing::ReadWholeFile(path), "two");

  EXPECT_FALSE(ReplaceFileAtomically(folder.File("no/such/folder.ini"), "x", &error));
  EXPECT_FALSE(ReplaceFileAtomically(folder.path(), "x", &error));
  // No temporary file is left behind.
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST(AtomicReplace, RemovesItsOwnStaleTemporariesAndKeepsTheOwner) {
  testing::TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string path = folder.File("p.ini");
  const std::string me = std::to_string(::getpid());
  // No process can have the id 4194305 (above the largest Linux gives).
  const std::string stale[] = {".p.ini.tmp4194305_0", ".p.ini.tmp" + me + "_7"};
  const std::string kept[] = {".p.ini.tmp" + me + "_8", ".q.ini.tmp4194305_0",
                              ".p.ini.tmp4194305_0.bak", "p.ini.tmp4194305_0",
                              ".p.ini.tmp4194305", ".p.ini.tmp_0", ".p.ini.tmp4194305_-1"};
  for (const std::string& name : stale) testing::WriteWholeFile(folder.File(name), "x");
  for (const std::string& name : kept) testing::WriteWholeFile(folder.File(name), "x");
  // Ours and still running, but far older than any replacement takes.
  std::filesystem::last_write_time(folder.File(stale[1]),
                                   std::filesystem::file_time_type::clock::now() -
                                       std::chrono::hours(2));
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(path, "one", &error)) << error;
  for (const std::string& name : stale) EXPECT_FALSE(std::filesystem::exists(folder.File(name)));
  for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(folder.File(name)));

  if (::geteuid() != 0) GTEST_SKIP() << "giving a file away needs root";
  ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFileAtomically(path, "two", &error)) << error;
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(AtomicReplace, AFileSharedThroughItsGroupKeepsTheGroupWhenTheOwnerCannotBeKept) {
  if (::geteuid() != 0) GTEST_SKIP() << "a file of another owner needs root to set up";
  testing::TempFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string path = folder.File("shared.ini");
  testing::WriteWholeFile(path, "one");
  // Another member's file of the shared group (dialout, say), writable for the group.
  constexpr gid_t kShared = 4322;
  ASSERT_EQ(::chown(path.c_str(), 4321, kShared), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    // A user who belongs to the group but is not the owner replaces it.
    const gid_t groups[] = {kShared};
    if (::setgroups(1, groups) != 0 || ::setgid(4323) != 0 || ::setuid(4324) != 0) ::_exit(2);
    std::string error;
    ::_exit(ReplaceFileAtomically(path, "two", &error) ? 0 : 1);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4324u);
  EXPECT_EQ(st.st_gid, kShared);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
}

}  // namespace
}  // namespace travex
