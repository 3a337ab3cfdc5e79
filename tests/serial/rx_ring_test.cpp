#include "serial/rx_ring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "pty_helper.h"
#include "serial/com_port.h"

namespace travex {
namespace {

// Pushes `count` bytes counting up from `first` (mod 256), at most one chunk at a time.
void PushBytes(CRxRing& ring, size_t count, uint8_t first = 0) {
  uint8_t value = first;
  while (count > 0) {
    const size_t n = count < kChunkSize ? count : kChunkSize;
    for (size_t i = 0; i < n; ++i) ring.chunk[i] = value++;
    ring.chunk_len = static_cast<uint16_t>(n);
    ring.PushChunk();
    count -= n;
  }
}

TEST(RxRing, PopTakesWhatIsThereInOrder) {
  CRxRing ring;
  uint8_t out[64] = {};
  EXPECT_EQ(ring.Pop(out, 30), 0u);  // empty

  PushBytes(ring, 7, 1);
  EXPECT_EQ(ring.chunk_len, 0u);
  EXPECT_EQ(ring.Pop(out, 30), 7u);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[6], 7);
  EXPECT_EQ(ring.Used(), 0u);

  PushBytes(ring, 40, 0);
  EXPECT_EQ(ring.Pop(out, 30), 30u);
  EXPECT_EQ(out[29], 29);
  EXPECT_EQ(ring.Pop(out, 30), 10u);
  EXPECT_EQ(out[0], 30);
  EXPECT_EQ(out[9], 39);
  EXPECT_EQ(ring.Pop(out, 30), 0u);
}

TEST(RxRing, FullRingKeepsOldDataAndDropsNew) {
  CRxRing ring;
  EXPECT_EQ(ring.Capacity(), 2096u);
  PushBytes(ring, 3000, 0);
  EXPECT_EQ(ring.Used(), 2095u);
  EXPECT_NE(ring.chunk_len, 0u);  // the chunk that hit the limit was not taken completely

  std::vector<uint8_t> out(3000);
  ASSERT_EQ(ring.Pop(out.data(), 3000), 2095u);
  for (size_t i = 0; i < 2095; ++i) ASSERT_EQ(out[i], static_cast<uint8_t>(i)) << i;
  EXPECT_EQ(ring.Used(), 0u);
}

TEST(RxRing, CountsAndPopsAcrossTheEnd) {
  CRxRing ring;
  std::vector<uint8_t> out(2100);
  PushBytes(ring, 2090);
  ASSERT_EQ(ring.Pop(out.data(), 2090), 2090u);  // tail = 2090
  PushBytes(ring, 11, 100);                       // head = 5
  EXPECT_EQ(ring.Used(), 11u);
  ASSERT_EQ(ring.Pop(out.data(), 30), 11u);
  for (uint8_t i = 0; i < 11; ++i) EXPECT_EQ(out[i], 100 + i);
  EXPECT_EQ(ring.Used(), 0u);
}

TEST(RxRing, ClearEmptiesAndDropsChunksReadBeforeIt) {
  CRxRing ring;
  uint8_t out[64];
  PushBytes(ring, 20);
  ring.Clear();
  EXPECT_EQ(ring.Used(), 0u);
  EXPECT_EQ(ring.Pop(out, 30), 0u);

  // The reader took its generation, then read stale bytes; a Clear came before its push.
  const uint32_t before = ring.Generation();
  std::memcpy(ring.chunk, "stale", 5);
  ring.chunk_len = 5;
  ring.Clear();
  ring.PushChunk(before);
  EXPECT_EQ(ring.Used(), 0u);
  EXPECT_EQ(ring.chunk_len, 0u);

  std::memcpy(ring.chunk, "fresh", 5);
  ring.chunk_len = 5;
  ring.PushChunk(ring.Generation());
  ASSERT_EQ(ring.Pop(out, 30), 5u);
  EXPECT_EQ(std::memcmp(out, "fresh", 5), 0);
}

TEST(RxRing, ClearAlsoDiscardsTheLinkedPortsInput) {
  testing::Pty pty;
  ASSERT_TRUE(pty.ok());
  testing::PortDir dir;
  dir.Link(3, pty.slave_path);
  CComPort port;
  port.Configure(3, 8, 0, 0, 9600);
  ASSERT_NE(port.Open(), 0);
  CRxRing ring(&port);

  pty.MasterWrite("late reply");
  ASSERT_TRUE(testing::WaitFor([&] { return pty.SlaveWaiting() == 10; }));
  ring.Clear();
  uint8_t buf[64];
  EXPECT_EQ(port.Read(buf, sizeof buf), 0u);

  // With the port closed Clear only empties the ring.
  port.Close();
  ring.Clear();
  EXPECT_EQ(ring.Used(), 0u);
}

}  // namespace
}  // namespace travex
