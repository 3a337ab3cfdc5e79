// The history the session keeps of whole images: read, before and written files against what
// the simulated logger held, and a history that cannot be written.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <vector>

#include "paramfile/history.h"
#include "paramfile/image_report.h"
#include "paramfile/param_file.h"
#include "paramfile/temp_folder.h"
#include "params/field_table.h"
#include "session/logger_session.h"
#include "support/sim_process.h"

namespace travex {
namespace {

class HistoryLog : public ISessionEvents {
 public:
  void OnHistoryKept(HistoryKind kind, const std::string& path) override {
    std::lock_guard lock(mutex);
    kept[kind] = path;
  }
  void OnHistoryFailed(const std::string& reason) override {
    std::lock_guard lock(mutex);
    failures.push_back(reason);
  }
  std::mutex mutex;
  std::map<HistoryKind, std::string> kept;
  std::vector<std::string> failures;
};

ParamImage StateImage(const std::string& path) {
  const std::string bytes = testing::ReadWholeFile(path);
  ParamImage image{};
  EXPECT_EQ(bytes.size(), kImageBytes);
  if (bytes.size() == kImageBytes) DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), &image);
  return image;
}

// Field by field, the logger's running clock aside.
std::string Differences(const std::string& file, const ParamImage& held) {
  ParamImage kept{};
  LoadParamFile(file, &kept);
  DiffOptions options;
  options.device_time = false;
  return FormatChanges(DiffImages(kept, held, options));
}

class HistoryTest : public ::testing::Test {
 protected:
  // Starts the logger on its state file and the session on it, keeping history in `folder`.
  void Connect(const std::string& history) {
    ASSERT_TRUE(sim.Start({"--baud", "19200", "--no-pacing", "--state", State()})) << sim.error();
    sim.ExportPortDir();
    session.SetLockDirectory(sim.port_dir());
    session.SetHistory({history});
    session.Start();
    ASSERT_EQ(session.SearchNow(static_cast<uint8_t>(sim.com_number()), {}).result.status,
              SearchStatus::kFound);
  }
  // Changes a field of the session's image, as an operator's edit would.
  void EditImage() {
    std::lock_guard lock(session.store_mutex());
    ASSERT_TRUE(SetFieldText(&session.store().image, *FindField("arg2[3].name"), "\xC1\xF7"));
  }
  std::string State() { return folder.File("state"); }

  testing::TempFolder folder;
  testing::SimProcess sim;
  HistoryLog log;
  CLoggerSession session{&log};
};

TEST_F(HistoryTest, ReadAllThenWriteAllKeepsWhatTheLoggerHeldBeforeAndAfter) {
  ASSERT_TRUE(sim.Start({"--demo", "--state", State()})) << sim.error();
  sim.Stop();
  const ParamImage before = StateImage(State());
  ASSERT_NO_FATAL_FAILURE(Connect(folder.File("history")));

  ASSERT_TRUE(session.RunNow(BulkRun::kRead, {}).Succeeded());
  EditImage();
  ASSERT_TRUE(session.RunNow(BulkRun::kWrite, {}).Succeeded());
  session.Shutdown();
  sim.Stop();

  std::lock_guard lock(log.mutex);
  ASSERT_EQ(log.kept.size(), 3u);
  EXPECT_EQ(Differences(log.kept[HistoryKind::kRead], before), "");
  EXPECT_EQ(Differences(log.kept[HistoryKind::kBefore], before), "");
  EXPECT_EQ(Differences(log.kept[HistoryKind::kWritten], StateImage(State())), "");
  EXPECT_NE(Differences(log.kept[HistoryKind::kWritten], before), "");
  const auto listed = ListHistory(folder.File("history"));
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].kind, HistoryKind::kWritten);
  EXPECT_EQ(listed[0].port, "COM" + std::to_string(sim.com_number()));
  EXPECT_EQ(listed[0].firmware, "1.2");
  EXPECT_TRUE(log.failures.empty());
}

TEST_F(HistoryTest, AWriteWithoutAWholeReadSinceTheLastWriteKeepsNoBeforeImage) {
  ASSERT_NO_FATAL_FAILURE(Connect(folder.File("history")));
  ASSERT_TRUE(session.RunNow(BulkRun::kRead, {}).Succeeded());
  ASSERT_TRUE(session.RunNow(BulkRun::kWrite, {}).Succeeded());
  ASSERT_TRUE(session.RunNow(BulkRun::kWrite, {}).Succeeded());
  session.Shutdown();
  std::vector<HistoryKind> kinds;
  for (const HistoryEntry& e : ListHistory(folder.File("history"))) kinds.push_back(e.kind);
  EXPECT_EQ(kinds, (std::vector<HistoryKind>{HistoryKind::kWritten, HistoryKind::kWritten,
                                             HistoryKind::kBefore, HistoryKind::kRead}));
}

TEST_F(HistoryTest, AHistoryThatCannotBeWrittenChangesNothingAndIsToldOnce) {
  // A folder below a plain file can never be made, whoever runs the test.
  testing::WriteWholeFile(folder.File("plain"), "x");
  ASSERT_NO_FATAL_FAILURE(Connect(folder.File("plain/history")));
  ASSERT_TRUE(session.RunNow(BulkRun::kRead, {}).Succeeded());
  EditImage();
  ASSERT_TRUE(session.RunNow(BulkRun::kWrite, {}).Succeeded());
  ASSERT_TRUE(session.RunNow(BulkRun::kRead, {}).Succeeded());
  ParamImage read;
  {
    std::lock_guard lock(session.store_mutex());
    read = session.store().image;
  }
  session.Shutdown();
  sim.Stop();
  std::lock_guard lock(log.mutex);
  EXPECT_EQ(log.failures.size(), 1u);
  EXPECT_TRUE(log.kept.empty());
  DiffOptions options;
  options.device_time = false;
  EXPECT_EQ(FormatChanges(DiffImages(read, StateImage(State()), options)), "");
  EXPECT_EQ(testing::ReadWholeFile(folder.File("plain")), "x");
}

}  // namespace
}  // namespace travex
