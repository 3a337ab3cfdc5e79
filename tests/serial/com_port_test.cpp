#include "serial/com_port.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "pty_helper.h"
#include "serial/line_settings.h"
#include "serial/port_lock.h"

namespace travex {
namespace {

using testing::PortDir;
using testing::Pty;
using testing::WaitFor;

constexpr uint8_t kPort = 5;

class ComPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    dir.Link(kPort, pty.slave_path);
    port.Configure(kPort, 8, 0, 0, 9600);
  }

  std::string ReadAll(size_t size) {
    std::string got;
    WaitFor([&] {
      uint8_t buf[1024];
      const size_t n = port.Read(buf, sizeof buf);
      got.append(reinterpret_cast<const char*>(buf), n);
      return got.size() >= size;
    });
    return got;
  }

  Pty pty;
  PortDir dir;
  CComPort port;
};

TEST_F(ComPortTest, BytesCrossInBothDirections) {
  ASSERT_NE(port.Open(), 0) << std::strerror(port.LastError());
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.LastDevice(), pty.slave_path);

  const uint8_t request[] = {0xFD, 0xFD, 0xFD, 0x00, 0x0A, 0x0D, 0xFF};
  EXPECT_NE(port.Write(request, sizeof request), 0);
  EXPECT_EQ(pty.MasterRead(sizeof request),
            std::string(reinterpret_cast<const char*>(request), sizeof request));

  // Binary bytes come back untranslated (no CR/LF mapping, no flow-control characters eaten).
  const std::string reply("\xAA\x0D\x0A\x11\x13\x00\x7F", 7);
  pty.MasterWrite(reply);
  EXPECT_EQ(ReadAll(reply.size()), reply);
}

TEST_F(ComPortTest, ReadTakesOnlyWhatIsWaitingAndNeverBlocks) {
  ASSERT_NE(port.Open(), 0);
  uint8_t buf[1024];

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Read(buf, sizeof buf), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  pty.MasterWrite("abc");
  ASSERT_TRUE(WaitFor([&] { return pty.SlaveWaiting() == 3; }));
  EXPECT_EQ(port.Read(buf, sizeof buf), 3u);
  EXPECT_EQ(std::memcmp(buf, "abc", 3), 0);
  EXPECT_EQ(port.Read(buf, sizeof buf), 0u);

  // Never more than asked for.
  pty.MasterWrite("12345");
  ASSERT_TRUE(WaitFor([&] { return pty.SlaveWaiting() == 5; }));
  EXPECT_EQ(port.Read(buf, 2), 2u);
  EXPECT_EQ(port.Read(buf, sizeof buf), 3u);
  EXPECT_EQ(std::memcmp(buf, "345", 3), 0);
}

TEST_F(ComPortTest, ClosedPortNeitherReadsNorWrites) {
  uint8_t buf[16] = {1, 2, 3};
  EXPECT_EQ(port.Read(buf, sizeof buf), 0u);
  EXPECT_EQ(port.Write(buf, 3), 0);

  ASSERT_NE(port.Open(), 0);
  port.Close();
  pty.MasterWrite("x");
  EXPECT_EQ(port.Read(buf, sizeof buf), 0u);
  EXPECT_EQ(port.Write(buf, 3), 0);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(ComPortTest, CloseIsHarmlessWhenNotOpenAndNeverClosesAForeignDescriptor) {
  EXPECT_EQ(port.Close(), 0);
  EXPECT_EQ(port.Close(), 0);
  EXPECT_NE(fcntl(0, F_GETFD), -1) << "standard input was closed";

  ASSERT_NE(port.Open(), 0);
  EXPECT_NE(port.Close(), 0);
  // The number the port used is free again and now belongs to someone else.
  const int other = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  EXPECT_EQ(port.Close(), 0);
  EXPECT_NE(fcntl(other, F_GETFD), -1) << "a stale close hit a foreign descriptor";
  close(other);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(ComPortTest, OpenIsExclusiveAndCloseReleasesIt) {
  ASSERT_NE(port.Open(), 0);
  int excl = 0;
  ASSERT_EQ(ioctl(pty.slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 1);

  CComPort second;
  second.Configure(kPort, 8, 0, 0, 9600);
  EXPECT_EQ(second.Open(), 0);
  EXPECT_EQ(second.LastError(), EBUSY);
  EXPECT_FALSE(second.IsOpen());

  port.Close();
  ASSERT_EQ(ioctl(pty.slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 0) << "exclusive mode outlived Close";
  EXPECT_NE(second.Open(), 0) << std::strerror(second.LastError());
  second.Close();
  EXPECT_NE(port.Open(), 0);
}

TEST_F(ComPortTest, LockFilesOfTerminalProgramsAreHonouredTakenAndReleased) {
  const std::string lock = dir.path + "/" + LockFileName(pty.slave_path);
  port.SetLockDirectory(dir.path);
  auto write_lock = [&](pid_t pid) {
    FILE* f = std::fopen(lock.c_str(), "w");
    std::fprintf(f, "%10d\n", static_cast<int>(pid));
    std::fclose(f);
  };
  // A live program holds the line: busy, and it is named.
  write_lock(getppid());
  EXPECT_EQ(port.Open(), 0);
  EXPECT_EQ(port.LastError(), EBUSY);
  EXPECT_EQ(port.LastHolder().pid, getppid());

  // Its program is gone: the stale lock is taken over, ours while open, removed on close.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  write_lock(child);
  ASSERT_NE(port.Open(), 0) << std::strerror(port.LastError());
  std::ifstream held(lock);
  int pid = 0;
  held >> pid;
  EXPECT_EQ(pid, getpid());
  port.Close();
  EXPECT_FALSE(std::filesystem::exists(lock));
}

TEST_F(ComPortTest, EveryRateOfTheSearchIsSetExactly) {
  for (uint32_t rate : {2400u, 4800u, 9600u, 14400u, 19200u, 38400u, 56000u, 57600u, 115200u}) {
    port.Close();
    port.Configure(kPort, 8, 0, 0, rate);
    ASSERT_NE(port.Open(), 0) << rate << ": " << std::strerror(port.LastError());
    uint32_t seen = 0;
    ASSERT_TRUE(ReadLineSpeed(pty.master, seen));
    EXPECT_EQ(seen, rate);
  }
}

TEST_F(ComPortTest, OpenMakesTheLineRawAndKeepsHardwareFlowControl) {
  termios tio{};
  ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
  tio.c_lflag |= ICANON | ECHO | ISIG;
  tio.c_iflag |= IXON | IXOFF | ICRNL | INLCR;
  tio.c_oflag |= OPOST | ONLCR;
  tio.c_cflag |= CRTSCTS | PARENB | CSTOPB;
  ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &tio), 0);

  ASSERT_NE(port.Open(), 0);
  ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_NE(tio.c_cflag & CRTSCTS, 0u) << "hardware flow control was not left as it was";
}

TEST_F(ComPortTest, BytesQueuedBeforeOpenAreGone) {
  pty.MasterWrite("stale");
  ASSERT_TRUE(WaitFor([&] { return pty.SlaveWaiting() == 5; }));
  ASSERT_NE(port.Open(), 0);
  uint8_t buf[64];
  EXPECT_EQ(port.Read(buf, sizeof buf), 0u);
  pty.MasterWrite("new");
  EXPECT_EQ(ReadAll(3), "new");
}

TEST_F(ComPortTest, FlushInputDropsWhatTheDriverHolds) {
  ASSERT_NE(port.Open(), 0);
  pty.MasterWrite("old");
  ASSERT_TRUE(WaitFor([&] { return pty.SlaveWaiting() == 3; }));
  port.FlushInput();
  uint8_t buf[16];
  EXPECT_EQ(port.Read(buf, sizeof buf), 0u);
}

TEST_F(ComPortTest, WriteGivesUpAfterAboutOneSecond) {
  ASSERT_NE(port.Open(), 0);
  ASSERT_EQ(ioctl(pty.slave, TCXONC, TCOOFF), 0);  // output stopped: nothing can leave
  const uint8_t bytes[8] = {};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Write(bytes, sizeof bytes), 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  EXPECT_LT(elapsed, std::chrono::seconds(30));
  ASSERT_EQ(ioctl(pty.slave, TCXONC, TCOON), 0);
  EXPECT_NE(port.Write(bytes, sizeof bytes), 0);
}

TEST_F(ComPortTest, RefusedLineSettingsLeaveThePortClosed) {
  // Not a terminal at all.
  dir.Link(6, "/dev/null");
  CComPort null_port;
  null_port.Configure(6, 8, 0, 0, 9600);
  EXPECT_EQ(null_port.Open(), 0);
  EXPECT_EQ(null_port.LastError(), ENOTTY);
  EXPECT_TRUE(null_port.LastOpenRefusedSettings());
  EXPECT_FALSE(null_port.IsOpen());

  // A terminal, but a character format no line has: it must be closed again, not held.
  port.Configure(kPort, 9, 0, 0, 9600);
  EXPECT_EQ(port.Open(), 0);
  EXPECT_EQ(port.LastError(), EINVAL);
  EXPECT_TRUE(port.LastOpenRefusedSettings());
  EXPECT_FALSE(port.IsOpen());
  int excl = 1;
  ASSERT_EQ(ioctl(pty.slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 0);
  CComPort other;
  other.Configure(kPort, 8, 0, 0, 9600);
  EXPECT_NE(other.Open(), 0);
}

TEST_F(ComPortTest, PortsThatNameNoDeviceFailWithAClearReason) {
  dir.Link(7, dir.path + "/unplugged-adapter");
  port.Configure(7, 8, 0, 0, 9600);
  EXPECT_EQ(port.Open(), 0);
  EXPECT_EQ(port.LastError(), ENOENT);
  EXPECT_FALSE(port.LastOpenRefusedSettings());
  EXPECT_EQ(port.LastDevice(), dir.path + "/com7");

  for (uint8_t number : {uint8_t{0}, uint8_t{65}, uint8_t{255}}) {
    port.Configure(number, 8, 0, 0, 9600);
    EXPECT_EQ(port.Open(), 0);
    EXPECT_EQ(port.LastError(), ENODEV);
    EXPECT_TRUE(port.LastDevice().empty());
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST_F(ComPortTest, CloseAndReopenRacingReadsAndWritesStayClean) {
  ASSERT_NE(port.Open(), 0);
  std::atomic<bool> done{false};
  std::thread reader([&] {
    uint8_t buf[1024];
    while (!done.load()) {
      port.Read(buf, sizeof buf);
      std::this_thread::yield();
    }
  });
  std::thread writer([&] {
    const uint8_t frame[7] = {0xFD, 0xFD, 0xFD, 1, 2, 3, 4};
    while (!done.load()) {
      port.Write(frame, sizeof frame);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  for (int i = 0; i < 100; ++i) {
    pty.MasterWrite("data");
    char drain[4096];
    [[maybe_unused]] ssize_t n = read(pty.master, drain, sizeof drain);
    port.Close();
    port.Configure(kPort, 8, 0, 0, i % 2 == 0 ? 9600 : 115200);
    EXPECT_NE(port.Open(), 0);
  }
  done.store(true);
  reader.join();
  writer.join();
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace travex
