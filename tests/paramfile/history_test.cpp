// The history folder: names that say what a file is, newest first, and the limit.
#include "paramfile/history.h"

#include <gtest/gtest.h>

#include "paramfile/demo_image.h"
#include "paramfile/temp_folder.h"

namespace travex {
namespace {

TEST(History, NamesReadBackAndTheLimitRemovesTheOldest) {
  testing::TempFolder dir;
  const HistoryPlace place{dir.File("history"), 3};
  HistoryRecord record;
  record.time = 1706700000;  // January 2024
  record.port = "COM3";
  record.address = 17;
  record.fw_version = 0x0102;
  for (int k = 0; k < 5; ++k) {
    record.kind = k % 2 == 0 ? HistoryKind::kRead : HistoryKind::kWritten;
    record.port = k == 4 ? "rfc2217://127.0.0.1:4001" : "COM3";
    record.time += 60;
    std::string path, error;
    ASSERT_TRUE(KeepInHistory(place, record, testing::DemoImage(), &path, &error)) << error;
  }
  testing::WriteWholeFile(dir.File("history/notes.ini"), "not one of ours");

  const std::vector<HistoryEntry> all = ListHistory(place.folder);
  ASSERT_EQ(all.size(), 3u);  // the two oldest are gone, the foreign file is not counted
  EXPECT_EQ(all[0].port, "rfc2217---127.0.0.1-4001");  // an address, safe in a file name
  EXPECT_EQ(ListHistory(place.folder, "rfc2217://127.0.0.1:4001").size(), 1u);
  EXPECT_EQ(all[0].kind, HistoryKind::kRead);
  EXPECT_EQ(all[1].kind, HistoryKind::kWritten);
  EXPECT_EQ(all[2].address, 17u);
  EXPECT_EQ(all[2].firmware, "1.2");
  EXPECT_LT(all[1].time, all[0].time);
  EXPECT_EQ(ListHistory(place.folder, "com3").size(), 2u);

  HistoryEntry entry;
  EXPECT_FALSE(ParseHistoryName("20240131-142305-123_COM3_a1_fw1.2_other.ini", &entry));
  EXPECT_FALSE(ParseHistoryName("20240131-1423-123_COM3_a1_fw1.2_read.ini", &entry));
  EXPECT_TRUE(ParseHistoryName("20240131-142305-123_COM3_a1_fwnone_before.ini", &entry));
  EXPECT_EQ(entry.time, "2024-01-31 14:23:05");
}

}  // namespace
}  // namespace travex
