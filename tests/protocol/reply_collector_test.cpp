#include <gtest/gtest.h>

#include <cstring>

#include "frame_bytes.h"
#include "params/param_store.h"
#include "protocol/reply_collector.h"
#include "serial/rx_ring.h"
#include "support/fake_controls.h"

namespace travex {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::ReadAnswer;

const Bytes kCoefAnswer = Hex("AA 18 00 00 00 01 02 00 B8 0B 04 00 00 80 3F B9 0B 04 00 00 00 00 39 30");

class Collector : public ::testing::Test {
 protected:
  Collector() { store.owner = &controls; }

  void Arrive(const Bytes& bytes) {
    std::memcpy(ring.chunk, bytes.data(), bytes.size());
    ring.chunk_len = static_cast<uint16_t>(bytes.size());
    ring.PushChunk();
  }
  CollectorTickResult Tick() { return CollectorTick(tick_count, rx_len, ring, store, bulk); }
  // Ticks until the collector asks for the timer to stop (at most `limit` ticks).
  CollectorTickResult RunToStop(int limit = 40) {
    CollectorTickResult r;
    for (int i = 0; i < limit && !r.stop_timer; ++i) r = Tick();
    return r;
  }
  void StartRun() {
    bulk.bulk_read_active.store(1);
    bulk.bulk_waiting.store(1);
  }

  testing::FakeControls controls;
  CParamStore store;
  CRxRing ring;
  BulkFlags bulk;
  uint16_t tick_count = 0;
  uint16_t rx_len = 0;
};

TEST_F(Collector, ReplyInPiecesIsHandedOverWhenComplete) {
  StartRun();
  Arrive(Bytes(kCoefAnswer.begin(), kCoefAnswer.begin() + 2));  // length field not yet there
  CollectorTickResult r = Tick();
  EXPECT_FALSE(r.stop_timer);
  Arrive(Bytes(kCoefAnswer.begin() + 2, kCoefAnswer.begin() + 20));
  r = Tick();
  EXPECT_FALSE(r.stop_timer);
  EXPECT_EQ(20, rx_len);
  EXPECT_EQ(1, bulk.bulk_waiting.load());
  Arrive(Bytes(kCoefAnswer.begin() + 20, kCoefAnswer.end()));
  Arrive(Hex("AA BB"));  // behind the frame: ignored by the parser
  r = Tick();
  EXPECT_TRUE(r.stop_timer);
  EXPECT_TRUE(r.handed_over);
  EXPECT_TRUE(r.accepted);
  EXPECT_TRUE(r.was_bulk);
  EXPECT_FALSE(r.ended_run);
  EXPECT_EQ(3, tick_count);
  EXPECT_EQ(0, bulk.bulk_waiting.load());
  EXPECT_EQ(1, bulk.bulk_read_active.load());
  EXPECT_EQ(1.0f, store.image.coef[0].coef_a);
  EXPECT_EQ("读取成功", controls.panes[3]);
}

TEST_F(Collector, StaleLengthBytesAreNotUsedBeforeTheyArrive) {
  // An earlier reply left a small length at offsets 1 and 2.
  store.reply[1] = 1;
  store.reply[2] = 0;
  Arrive(Hex("AA"));
  EXPECT_FALSE(Tick().stop_timer);
  Arrive(Hex("18"));
  EXPECT_FALSE(Tick().stop_timer);
  Arrive(Bytes(kCoefAnswer.begin() + 2, kCoefAnswer.end()));
  const CollectorTickResult r = Tick();
  EXPECT_TRUE(r.handed_over);
  EXPECT_TRUE(r.accepted);
}

TEST_F(Collector, RejectedAnswerStillReleasesTheRun) {
  StartRun();
  Bytes bad = kCoefAnswer;
  bad.back() ^= 0xFF;
  Arrive(bad);
  const CollectorTickResult r = Tick();
  EXPECT_TRUE(r.handed_over);
  EXPECT_FALSE(r.accepted);
  EXPECT_TRUE(r.was_bulk);
  EXPECT_FALSE(r.ended_run);
  EXPECT_EQ(0, bulk.bulk_waiting.load());
  EXPECT_EQ(1, bulk.bulk_read_active.load());
  EXPECT_EQ("帧错误", controls.panes[3]);
}

TEST_F(Collector, NothingReceivedTimesOutInThe30thTick) {
  StartRun();
  bulk.bulk_write_active.store(1);
  for (int i = 1; i < 30; ++i) ASSERT_FALSE(Tick().stop_timer) << i;
  const CollectorTickResult r = Tick();
  EXPECT_TRUE(r.stop_timer);
  EXPECT_TRUE(r.timed_out);
  EXPECT_TRUE(r.was_bulk);
  EXPECT_TRUE(r.ended_run);
  EXPECT_EQ("超时未响应", controls.panes[3]);
  EXPECT_EQ(1, bulk.bulk_waiting.load());
  EXPECT_EQ(0, bulk.bulk_read_active.load());
  EXPECT_EQ(0, bulk.bulk_write_active.load());
}

TEST_F(Collector, TimeOutOutsideARunLeavesTheFlags) {
  bulk.bulk_read_active.store(1);
  const CollectorTickResult r = RunToStop();
  EXPECT_TRUE(r.timed_out);
  EXPECT_FALSE(r.was_bulk);
  EXPECT_FALSE(r.ended_run);
  EXPECT_EQ(1, bulk.bulk_read_active.load());
}

TEST_F(Collector, FrameCompletedInThe30thTickKeepsItsOutcome) {
  StartRun();
  for (int i = 1; i < 30; ++i) ASSERT_FALSE(Tick().stop_timer);
  Arrive(kCoefAnswer);
  const CollectorTickResult r = Tick();
  EXPECT_TRUE(r.handed_over);
  EXPECT_TRUE(r.accepted);
  EXPECT_FALSE(r.timed_out);
  EXPECT_FALSE(r.ended_run);
  EXPECT_EQ("读取成功", controls.panes[3]);
  EXPECT_EQ(1, bulk.bulk_read_active.load());
  EXPECT_EQ(0, bulk.bulk_waiting.load());
}

TEST_F(Collector, BadFirstByteStopsAndEndsAWaitingRun) {
  StartRun();
  Arrive(Hex("55 18 00"));
  const CollectorTickResult r = Tick();
  EXPECT_TRUE(r.stop_timer);
  EXPECT_TRUE(r.bad_start);
  EXPECT_FALSE(r.handed_over);
  EXPECT_TRUE(r.was_bulk);
  EXPECT_TRUE(r.ended_run);
  EXPECT_EQ("帧错误", controls.panes[3]);
  EXPECT_EQ(0, bulk.bulk_read_active.load());
  EXPECT_EQ(1, bulk.bulk_waiting.load());
}

TEST_F(Collector, BadFirstByteWithEnoughBytesIsStillHandedOver) {
  Bytes f = kCoefAnswer;
  f[0] = 0xAB;
  Arrive(f);
  const CollectorTickResult r = Tick();
  EXPECT_TRUE(r.handed_over);
  EXPECT_FALSE(r.bad_start);
  EXPECT_EQ("帧结构错误", controls.panes[3]);
}

TEST_F(Collector, OddLengthFields) {
  // Below 9 and reached: handed over, "无效帧".
  Arrive(Hex("AA 05 00 00 00 01"));
  CollectorTickResult r = Tick();
  EXPECT_TRUE(r.handed_over);
  EXPECT_EQ("无效帧", controls.panes[3]);

  // Above 512: the buffer fills and the collection times out.
  tick_count = 0;
  rx_len = 0;
  Bytes big(600, 0x00);
  big[0] = 0xAA;
  big[1] = 0x58;  // 600
  big[2] = 0x02;
  Arrive(big);
  r = RunToStop();
  EXPECT_TRUE(r.timed_out);
  EXPECT_FALSE(r.handed_over);
  EXPECT_EQ(512, rx_len);
  EXPECT_EQ("超时未响应", controls.panes[3]);
}

TEST_F(Collector, WriteAnswerFollowsTheRequestKind) {
  store.BuildWriteRequest(3000, 2);
  Arrive(Hex("AA 0A 00 00 00 02 00 00 C1 CC"));
  const CollectorTickResult r = Tick();
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ("写入成功", controls.panes[3]);
}

}  // namespace
}  // namespace travex
