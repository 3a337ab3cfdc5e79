// The read-all / write-all sequencer on its own: the step table, the progress texts and the
// handshake with the reply collection, driven step by step without threads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "params/param_store.h"
#include "protocol/bulk_transfer.h"

namespace travex {
namespace {

struct Sent {
  BulkRun run;
  uint16_t length;
  uint8_t command;
  uint16_t first_id;
  uint16_t count;
};

class RecordingHost : public IBulkHost {
 public:
  explicit RecordingHost(BulkFlags& flags) : flags_(flags) {}
  void SendBulkRequest(BulkRun run, const uint8_t* frame, uint16_t length) override {
    // The handshake flag is up before the request goes out.
    waiting_when_sent.push_back(flags_.bulk_waiting.load());
    sent.push_back({run, length, frame[5], GetU16(frame + 8), GetU16(frame + 6)});
  }
  void PostBulkProgress(int kind, long channel) override {
    progress.push_back(ProgressText(kind, channel));
  }
  void StartBulkCollection() override { ++collections; }
  void BulkRunEnded(BulkRun run) override { ended.push_back(run); }

  std::vector<Sent> sent;
  std::vector<uint8_t> waiting_when_sent;
  std::vector<std::string> progress;
  std::vector<BulkRun> ended;
  int collections = 0;

 private:
  BulkFlags& flags_;
};

// Runs wakes, answering every request at once, until the runs are over.
void RunToEnd(CParamStore& store, BulkFlags& flags, RecordingHost& host) {
  for (int wake = 0; wake < 400; ++wake) {
    BulkWake(store, flags, host);
    flags.bulk_waiting.store(0);  // the collector completed the reply
    if (flags.bulk_read_active.load() == 0 && flags.bulk_write_active.load() == 0) return;
  }
  FAIL() << "run did not end";
}

TEST(BulkStepTable, BlocksIdsKindsAndChannels) {
  const BulkStep base = DescribeBulkStep(BulkRun::kRead, 0, 0);
  EXPECT_TRUE(base.base);
  EXPECT_EQ(base.kind, kProgressReadBase);
  EXPECT_EQ(DescribeBulkStep(BulkRun::kWrite, 0, 0).kind, kProgressWriteBase);

  const BulkStep first_arg1 = DescribeBulkStep(BulkRun::kRead, 1, 0);
  EXPECT_EQ(first_arg1.first_id, 1000);
  EXPECT_EQ(first_arg1.count, 21);
  EXPECT_EQ(first_arg1.channel, 1);
  const BulkStep last_arg1 = DescribeBulkStep(BulkRun::kWrite, 32, 0);
  EXPECT_EQ(last_arg1.first_id, 1000 + 21 * 31);
  EXPECT_EQ(last_arg1.kind, kProgressWriteArg1);
  EXPECT_EQ(last_arg1.channel, 32);

  const BulkStep first_arg2 = DescribeBulkStep(BulkRun::kRead, 33, 0);
  EXPECT_EQ(first_arg2.first_id, 2000);
  EXPECT_EQ(first_arg2.count, 9);
  EXPECT_EQ(first_arg2.channel, 1);
  EXPECT_EQ(DescribeBulkStep(BulkRun::kRead, 64, 0).first_id, 2000 + 9 * 31);

  EXPECT_TRUE(DescribeBulkStep(BulkRun::kRead, 65, 0).ends_run);
  const BulkStep coef = DescribeBulkStep(BulkRun::kWrite, 65, 0x0102);
  EXPECT_FALSE(coef.ends_run);
  EXPECT_EQ(coef.first_id, 3000);
  EXPECT_EQ(coef.count, 2);
  EXPECT_EQ(coef.kind, kProgressWriteArg2);
  EXPECT_EQ(coef.channel, 1);
  const BulkStep last = DescribeBulkStep(BulkRun::kRead, 96, 0x0102);
  EXPECT_EQ(last.first_id, 3062);
  EXPECT_EQ(last.channel, 32);
}

TEST(BulkProgress, TextsOfEveryKind) {
  EXPECT_EQ(ProgressText(0, 0), "读取基础参数");
  EXPECT_EQ(ProgressText(1, 7), "读取参数1通道:7");
  EXPECT_EQ(ProgressText(2, 32), "读取参数2通道:32");
  EXPECT_EQ(ProgressText(3, 0), "写入基础参数");
  EXPECT_EQ(ProgressText(4, 1), "写入参数1通道:1");
  EXPECT_EQ(ProgressText(5, -3), "写入参数2通道:-3");
  EXPECT_EQ(ProgressText(6, 1), "");
  EXPECT_EQ(ProgressText(-1, 1), "");
}

TEST(BulkWakeTest, ReadRunWithoutVersionSends65RequestsInOrder) {
  CParamStore store;
  BulkFlags flags;
  RecordingHost host(flags);
  flags.bulk_read_active.store(1);
  RunToEnd(store, flags, host);

  ASSERT_EQ(host.sent.size(), 65u);
  EXPECT_EQ(host.sent[0].first_id, 1);
  EXPECT_EQ(host.sent[0].count, 9);
  EXPECT_EQ(host.sent[1].first_id, 1000);
  EXPECT_EQ(host.sent[33].first_id, 2000);
  EXPECT_EQ(host.sent[64].first_id, 2000 + 9 * 31);
  for (const Sent& s : host.sent) EXPECT_EQ(s.command, 1);
  for (uint8_t w : host.waiting_when_sent) EXPECT_EQ(w, 1);
  EXPECT_EQ(host.collections, 65);
  ASSERT_EQ(host.progress.size(), 65u);
  EXPECT_EQ(host.progress[0], "读取基础参数");
  EXPECT_EQ(host.progress[1], "读取参数1通道:1");
  EXPECT_EQ(host.progress[32], "读取参数1通道:32");
  EXPECT_EQ(host.progress[33], "读取参数2通道:1");
  EXPECT_EQ(host.progress[64], "读取参数2通道:32");
  ASSERT_EQ(host.ended.size(), 1u);
  EXPECT_EQ(flags.bulk_waiting.load(), 0);
}

TEST(BulkWakeTest, WriteRunWithVersionSends97AndEndsWithTheLastRequestOut) {
  CParamStore store;
  store.fw_version = 0x0102;
  BulkFlags flags;
  RecordingHost host(flags);
  flags.bulk_write_active.store(1);
  for (int i = 0; i < 97; ++i) {
    ASSERT_EQ(BulkWake(store, flags, host), BulkRun::kWrite);
    if (i < 96) flags.bulk_waiting.store(0);
  }
  // The last request is out: the run is over while its reply is still awaited.
  EXPECT_EQ(flags.bulk_write_active.load(), 0);
  EXPECT_EQ(flags.bulk_write_index.load(), 0);
  EXPECT_EQ(flags.bulk_waiting.load(), 1);
  ASSERT_EQ(host.sent.size(), 97u);
  EXPECT_EQ(host.sent[65].first_id, 3000);
  EXPECT_EQ(host.sent[96].first_id, 3062);
  for (const Sent& s : host.sent) EXPECT_EQ(s.command, 2);
  EXPECT_EQ(host.progress[96], "写入参数2通道:32");
  ASSERT_EQ(host.ended.size(), 1u);
}

TEST(BulkWakeTest, NothingGoesOutWhileAReplyIsAwaited) {
  CParamStore store;
  BulkFlags flags;
  RecordingHost host(flags);
  flags.bulk_read_active.store(1);
  BulkWake(store, flags, host);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(BulkWake(store, flags, host), BulkRun::kNone);
  EXPECT_EQ(host.sent.size(), 1u);
  EXPECT_EQ(flags.bulk_read_index.load(), 1);
}

TEST(BulkWakeTest, ReadRunTakesPrecedenceAndTheWriteRunResumesWhereItWas) {
  CParamStore store;
  BulkFlags flags;
  RecordingHost host(flags);
  flags.bulk_write_active.store(1);
  for (int i = 0; i < 3; ++i) {
    BulkWake(store, flags, host);
    flags.bulk_waiting.store(0);
  }
  flags.bulk_read_active.store(1);
  RunToEnd(store, flags, host);
  // 3 writes, 65 reads, then the write run went on from its step 3.
  ASSERT_EQ(host.sent.size(), 3u + 65u + 62u);
  for (size_t i = 3; i < 68; ++i) EXPECT_EQ(host.sent[i].run, BulkRun::kRead);
  EXPECT_EQ(host.sent[68].run, BulkRun::kWrite);
  EXPECT_EQ(host.sent[68].first_id, 1000 + 21 * 2);
}

TEST(BulkWakeTest, VersionIsTakenAfreshAtStep65) {
  CParamStore store;
  BulkFlags flags;
  RecordingHost host(flags);
  flags.bulk_read_active.store(1);
  for (int i = 0; i < 65; ++i) {
    BulkWake(store, flags, host);
    flags.bulk_waiting.store(0);
    if (i == 0) store.fw_version = 0x0105;  // as the base reply of step 0 would set it
  }
  EXPECT_EQ(BulkWake(store, flags, host), BulkRun::kRead);
  EXPECT_EQ(host.sent.back().first_id, 3000);
}

}  // namespace
}  // namespace travex
