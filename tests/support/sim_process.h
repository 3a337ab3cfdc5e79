// SimProcess: runs the simulated logger (travex-logger-sim) as a child process for end-to-end
// tests, each instance on its own private port directory.
//
//   travex::testing::SimProcess sim;
//   ASSERT_TRUE(sim.Start({"--baud", "19200", "--no-pacing"})) << sim.error();
//   sim.ExportPortDir();                  // CComPort now finds the logger as COM sim.com_number()
//   CComPort port;
//   port.Configure(sim.com_number(), 8, 0, 0, 19200);
//   ...
//   EXPECT_EQ(sim.Stop(), 0);             // SIGTERM; optional, the destructor stops it too
//
// - The binary is taken from $TRAVEX_SIM (tests/CMakeLists.txt sets it for every test program).
// - The constructor creates a fresh directory under $TMPDIR (default /tmp): <dir>/ports is passed
//   as --port-dir, and Path("name") gives <dir>/name for --state and --log files. Start waits up to
//   30 s for the logger's "COMn <device>" line; on failure it returns false and error() says why.
// - Stop sends SIGTERM, reaps the child (SIGKILL after 30 s) and returns its exit status (0 on a
//   clean stop, -1 when it died of a signal). Start may be called again after Stop: the same
//   directory is used, so a restart finds its --state file again.
// - Kill ends the child with SIGKILL, as a crash would: its link and lock file stay behind.
// - The destructor stops the child and removes the directory.
// - ExportPortDir sets TRAVEX_PORT_DIR for this process (the port map reads it when a port is
//   opened). Call it before the test starts threads of its own; setenv is not thread-safe.
// - The child gets SIGTERM if the thread that started it ends, so a crashed test leaves no logger
//   behind: start it from the test's own thread.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace travex::testing {

class SimProcess {
 public:
  SimProcess() { MakeBaseDir(); }
  ~SimProcess() {
    Stop();
    if (!base_dir_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(base_dir_, ignored);
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  static std::string Binary() {
    const char* path = std::getenv("TRAVEX_SIM");
    return path != nullptr ? path : "";
  }

  bool Start(const std::vector<std::string>& args = {}) {
    if (pid_ > 0) return Fail("already running");
    const std::string binary = Binary();
    if (binary.empty()) return Fail("TRAVEX_SIM is not set");
    if (base_dir_.empty()) return false;  // error() tells why

    std::vector<std::string> all = {binary, "--port-dir", port_dir()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return Fail(std::string("pipe: ") + std::strerror(errno));
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
      close(out[0]);
      close(out[1]);
      return Fail(std::string("fork: ") + std::strerror(errno));
    }
    if (pid == 0) {
      // Only async-signal-safe calls between fork and exec.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(126);
      dup2(out[1], STDOUT_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    pid_ = pid;
    const bool ready = ReadReadyLine(out[0]);
    close(out[0]);
    if (!ready) {
      const int status = Stop();
      error_ += " (exit status " + std::to_string(status) + ")";
      return false;
    }
    return true;
  }

  int Stop() {
    if (pid_ <= 0) return exit_status_;
    kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    pid_t rc = 0;
    while ((rc = waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (rc == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit_status_;
  }

  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    exit_status_ = -1;
  }

  void ExportPortDir() const { setenv("TRAVEX_PORT_DIR", port_dir().c_str(), 1); }

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  unsigned com_number() const { return com_number_; }
  const std::string& device() const { return device_; }
  std::string port_dir() const { return base_dir_ + "/ports"; }
  std::string link_path() const { return port_dir() + "/com" + std::to_string(com_number_); }
  std::string Path(const std::string& name) const { return base_dir_ + "/" + name; }
  const std::string& error() const { return error_; }

 private:
  bool Fail(std::string why) {
    error_ = std::move(why);
    return false;
  }

  bool MakeBaseDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") +
                          "/travex-sim-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      return Fail(std::string("mkdtemp: ") + std::strerror(errno));
    }
    base_dir_ = pattern;
    return true;
  }

  bool ReadReadyLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.empty() || line.back() != '\n') {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return Fail("no ready line within 30 s");
      struct pollfd p = {fd, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
        return Fail(std::string("poll: ") + std::strerror(errno));
      }
      char c = 0;
      const ssize_t n = read(fd, &c, 1);
      if (n == 0) return Fail("the logger ended before it was ready: '" + line + "'");
      if (n == 1) line += c;
    }
    char device[256] = {};
    unsigned number = 0;
    if (std::sscanf(line.c_str(), "COM%u %255s", &number, device) != 2) {
      return Fail("unexpected ready line '" + line + "'");
    }
    com_number_ = number;
    device_ = device;
    return true;
  }

  pid_t pid_ = -1;
  int exit_status_ = -1;
  unsigned com_number_ = 0;
  std::string device_;
  std::string base_dir_;
  std::string error_;
};

}  // namespace travex::testing
