#include "serial/reader_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "pty_helper.h"
#include "serial/com_port.h"
#include "serial/rx_ring.h"

namespace travex {
namespace {

using testing::WaitFor;

class ReaderThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    dir.Link(9, pty.slave_path);
    port.Configure(9, 8, 0, 0, 19200);
  }

  std::string PopAll() {
    uint8_t buf[512];
    const uint16_t n = ring.Pop(buf, sizeof buf);
    return std::string(reinterpret_cast<const char*>(buf), n);
  }

  testing::Pty pty;
  testing::PortDir dir;
  CComPort port;
  CRxRing ring{&port};
};

TEST_F(ReaderThreadTest, MovesBytesFromTheOpenPortIntoTheRing) {
  ASSERT_NE(port.Open(), 0);
  CReaderThread reader(port, ring);
  EXPECT_TRUE(reader.IsRunning());
  pty.MasterWrite("\xAA\x05hello");
  ASSERT_TRUE(WaitFor([&] { return ring.Used() == 7; }));
  EXPECT_EQ(PopAll(), "\xAA\x05hello");

  // A larger reply than one chunk arrives whole, in order.
  std::string big;
  for (int i = 0; i < 1500; ++i) big.push_back(static_cast<char>('a' + i % 26));
  pty.MasterWrite(big);
  std::string got;
  ASSERT_TRUE(WaitFor([&] {
    got += PopAll();
    return got.size() >= big.size();
  }));
  EXPECT_EQ(got, big);
}

TEST_F(ReaderThreadTest, LeavesTheRingAloneWhileThePortIsClosed) {
  CReaderThread reader(port, ring);
  pty.MasterWrite("nobody listens");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(ring.Used(), 0u);

  ASSERT_NE(port.Open(), 0);  // the open discards what came before
  pty.MasterWrite("ok");
  ASSERT_TRUE(WaitFor([&] { return ring.Used() == 2; }));
  port.Close();
  pty.MasterWrite("after close");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(PopAll(), "ok");
}

TEST_F(ReaderThreadTest, StopsAndJoinsPromptly) {
  ASSERT_NE(port.Open(), 0);
  CReaderThread reader;
  EXPECT_FALSE(reader.IsRunning());
  reader.Stop();  // not running: nothing to do
  ASSERT_TRUE(reader.Start(port, ring));
  EXPECT_FALSE(reader.Start(port, ring));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto start = std::chrono::steady_clock::now();
  reader.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(reader.IsRunning());
  // Restartable, and the destructor joins.
  EXPECT_TRUE(reader.Start(port, ring));
}

TEST_F(ReaderThreadTest, ClearWhileReadingNeverLetsAnOldByteLeadTheNextReply) {
  ASSERT_NE(port.Open(), 0);
  CReaderThread reader(port, ring);
  for (int round = 0; round < 20; ++round) {
    pty.MasterWrite("xxxxxxxx");  // the end of an earlier reply, still arriving
    // Wait until the old bytes have reached the driver or the ring (a pty delivers them late).
    ASSERT_TRUE(WaitFor([&] { return ring.Used() + pty.SlaveWaiting() == 8; }));
    ring.Clear();
    pty.MasterWrite("\xAA" "reply");
    std::string got;
    ASSERT_TRUE(WaitFor([&] {
      got += PopAll();
      return got.size() >= 6;
    }));
    EXPECT_EQ(got, "\xAA" "reply") << "round " << round;
  }
}

TEST(RingAndPort, ClearOnALinkedClosedPortIsHarmless) {
  CComPort port;
  CRxRing ring{&port};
  ring.Clear();
  EXPECT_EQ(ring.Used(), 0u);
  EXPECT_FALSE(port.IsOpen());
}

// A port whose loss another thread found (a write or a purge), not the reader's own wait.
class PortLostElsewhere : public CComPort {
 public:
  bool IsLost() const override { return lost.load() || CComPort::IsLost(); }
  std::atomic<bool> lost{false};
};

TEST(ReaderThreadLoss, ALossFoundByAnotherThreadIsToldOncePerOpen) {
  testing::Pty pty;
  testing::PortDir dir;
  ASSERT_TRUE(pty.ok());
  dir.Link(9, pty.slave_path);
  PortLostElsewhere port;
  port.Configure(9, 8, 0, 0, 19200);
  CRxRing ring{&port};
  ASSERT_NE(port.Open(), 0);
  std::atomic<int> told{0};
  std::atomic<uint32_t> told_open{0};
  CReaderThread reader;
  reader.Start(port, ring, [&](uint32_t open_count) {
    told_open = open_count;
    ++told;
  });
  port.lost = true;
  ASSERT_TRUE(WaitFor([&] { return told.load() == 1; }));
  EXPECT_EQ(told_open.load(), port.OpenCount());
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // more waits, no more news
  EXPECT_EQ(told.load(), 1);
}

}  // namespace
}  // namespace travex
