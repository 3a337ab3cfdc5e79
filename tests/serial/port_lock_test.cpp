// UUCP lock files and the holder named when a port is busy: other programs' locks are read in
// both of their forms and honoured even when ours cannot be written, a stale lock goes to
// exactly one taker, and the holder is the process that locked the device.
#include "serial/port_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "pty_helper.h"
#include "serial/com_port.h"

namespace travex {
namespace {

using testing::PortDir;
using testing::Pty;

constexpr const char* kDevice = "/dev/ttyUSB7";

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A process id that belonged to a process that is gone.
pid_t DeadPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

// Runs `body` in a child process as a user that is not root (nobody, when started as root);
// the child's exit status is body's result.
template <typename Body>
int InChildWithoutRoot(Body body) {
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PortLockTest : public ::testing::Test {
 protected:
  std::string LockPath() const { return dir.path + "/" + LockFileName(kDevice); }
  PortDir dir;
};

TEST_F(PortLockTest, AnUnpaddedTextLockIsALiveHolderNotABinaryInt) {
  // Four bytes of blanks, digits and a newline, as long as a binary int. Process 1 is alive.
  WriteFile(LockPath(), "  1\n");
  CPortLock lock;
  PortHolder holder;
  EXPECT_FALSE(lock.Acquire(kDevice, dir.path, &holder));
  EXPECT_EQ(holder.pid, 1);
  EXPECT_TRUE(LockedByOther(kDevice, dir.path, &holder));
}

TEST_F(PortLockTest, ALockFolderWeCannotWriteStillKeepsUsFromALiveHoldersLine) {
  ASSERT_EQ(chmod(dir.path.c_str(), 0755), 0);
  WriteFile(LockPath(), "  1\n");
  ASSERT_EQ(chmod(dir.path.c_str(), 0555), 0);
  const std::string folder = dir.path;
  EXPECT_EQ(InChildWithoutRoot([&] {
              CPortLock lock;
              PortHolder holder;
              return lock.Acquire(kDevice, folder, &holder) ? 1 : holder.pid == 1 ? 0 : 2;
            }),
            0);
  chmod(dir.path.c_str(), 0755);
}

TEST_F(PortLockTest, AStaleLockGoesToExactlyOneOfSeveralTakers) {
  constexpr int kTakers = 4;
  for (int round = 0; round < 10; ++round) {
    WriteFile(LockPath(), "  " + std::to_string(DeadPid()) + "\n");
    int results[2];
    int release[2];
    ASSERT_EQ(pipe(results), 0);
    ASSERT_EQ(pipe(release), 0);
    std::vector<pid_t> takers;
    for (int i = 0; i < kTakers; ++i) {
      const pid_t child = fork();
      if (child == 0) {
        close(results[0]);
        close(release[1]);
        CPortLock lock;
        const char held = lock.Acquire(kDevice, dir.path, nullptr) ? 'y' : 'n';
        [[maybe_unused]] ssize_t n = write(results[1], &held, 1);
        char done = 0;
        n = read(release[0], &done, 1);  // hold it until every taker has answered
        lock.Release();
        _exit(0);
      }
      takers.push_back(child);
    }
    close(results[1]);
    close(release[0]);
    int holders = 0;
    for (int i = 0; i < kTakers; ++i) {
      char held = 0;
      ASSERT_EQ(read(results[0], &held, 1), 1);
      holders += held == 'y' ? 1 : 0;
    }
    long named = 0;
    std::ifstream(LockPath()) >> named;
    close(release[1]);
    for (pid_t child : takers) waitpid(child, nullptr, 0);
    close(results[0]);
    EXPECT_EQ(holders, 1) << "round " << round;
    EXPECT_NE(std::find(takers.begin(), takers.end(), named), takers.end()) << "round " << round;
  }
}

TEST(PortBusy, TheHolderNamedIsTheProcessThatLockedTheDeviceNotOneThatHasItOpen) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  PortDir dir;
  dir.Link(5, pty.slave_path);
  // First a program that merely has the device open (as a logger's own side does), then one
  // that holds its flock.
  auto start = [&](bool lock) {
    const pid_t child = fork();
    if (child == 0) {
      const int fd = open(pty.slave_path.c_str(), O_RDWR | O_NOCTTY);
      if (fd >= 0 && lock) flock(fd, LOCK_EX);
      pause();
      _exit(0);
    }
    return child;
  };
  const pid_t user = start(false);
  const pid_t holder = start(true);
  ASSERT_TRUE(testing::WaitFor([&] { return FindFlockHolder(pty.slave_path).pid == holder; }));
  CComPort port;
  port.SetLockDirectory(dir.path);
  port.Configure(5, 8, 0, 0, 9600);
  EXPECT_EQ(port.Open(), 0);
  EXPECT_EQ(port.LastError(), EBUSY);
  EXPECT_EQ(port.LastHolder().pid, holder) << "named " << port.LastHolder().pid << ", user " << user;
  for (pid_t child : {user, holder}) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
}

}  // namespace
}  // namespace travex
