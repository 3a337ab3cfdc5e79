// Ser2NetProcess: a serial device server for the tests. It runs `ser2net` on the loopback
// interface in front of a device (the simulated logger's pseudo-terminal), as an RFC 2217 or a
// raw TCP accepter, from a configuration file it writes into its own directory.
//
//   SimProcess sim;  ...  sim.Start({...});
//   Ser2NetProcess server;
//   if (!Ser2NetProcess::Available()) GTEST_SKIP() << "ser2net is not installed";
//   ASSERT_TRUE(server.Start(sim.device(), Ser2NetProcess::kRfc2217, 9600)) << server.error();
//   session.SearchNow(PortTarget::Address(server.Address()), {});
//
// Start waits until the server listens. Kill ends it at once (SIGKILL), as a server that
// crashes or loses power; the destructor stops it and removes the directory. Start it from the
// test's own thread: the server gets SIGTERM when that thread ends.
#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace travex::testing {

class Ser2NetProcess {
 public:
  enum Mode { kRfc2217, kRawTcp };

  Ser2NetProcess() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") +
                          "/travex-ser2net-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
  }
  ~Ser2NetProcess() {
    Kill();
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  Ser2NetProcess(const Ser2NetProcess&) = delete;
  Ser2NetProcess& operator=(const Ser2NetProcess&) = delete;

  // The program, or empty when it is not installed (/usr/sbin is not on every user's PATH).
  static std::string Binary() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/sbin/ser2net"}) {
      if (access(path, X_OK) == 0) return path;
    }
    return {};
  }
  static bool Available() { return !Binary().empty(); }

  // `baud` is the line's rate until a client sets another (RFC 2217), or for good (raw TCP).
  bool Start(const std::string& device, Mode mode, unsigned baud) {
    if (dir_.empty()) return Fail("no directory");
    mode_ = mode;
    baud_ = baud;
    port_ = FreePort();
    if (port_ == 0) return Fail("no free TCP port");
    const std::string config = dir_ + "/ser2net.yaml";
    {
      std::ofstream out(config);
      out << "%YAML 1.1\n---\nconnection: &logger\n"
          << "  accepter: " << (mode == kRfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
          << "127.0.0.1," << port_ << "\n"
          << "  connector: serialdev," << device << "," << baud << "n81,local\n"
          << "  options:\n    kickolduser: true\n    mdns: false\n"
          // The server's own batching of serial input (waiting for a pause before it sends)
          // is its configuration, not the client's doing: off, as on a tuned device server.
          << "    chardelay: false\n";
    }
    const std::string binary = Binary();
    const std::string pid_file = dir_ + "/ser2net.pid";
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return Fail("fork failed");
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(126);
      // -n: stay in the foreground; -u: no UUCP lock files (the tests may run as any user).
      execl(binary.c_str(), binary.c_str(), "-n", "-u", "-c", config.c_str(), "-P",
            pid_file.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    pid_ = pid;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Listening()) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return Fail("ser2net ended at once (config " + config + ")");
      }
      if (std::chrono::steady_clock::now() > deadline) {
        Kill();
        return Fail("ser2net does not listen on port " + std::to_string(port_));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  // "rfc2217://127.0.0.1:PORT" or "tcp://127.0.0.1:PORT?baud=RATE".
  std::string Address() const {
    const std::string host = "127.0.0.1:" + std::to_string(port_);
    return mode_ == kRfc2217 ? "rfc2217://" + host
                             : "tcp://" + host + "?baud=" + std::to_string(baud_);
  }
  const std::string& error() const { return error_; }

  // A loopback port nothing listens on now.
  static unsigned FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    unsigned port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
  }

 private:
  bool Fail(std::string why) {
    error_ = std::move(why);
    return false;
  }
  // Whether the port is in the kernel's list of listening sockets (nothing is connected).
  bool Listening() const {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char local[16];
    std::snprintf(local, sizeof local, ":%04X ", port_);
    while (std::getline(table, line)) {
      // "  0: 0100007F:1F90 00000000:0000 0A ..." : state 0A is LISTEN.
      if (line.find(local) != std::string::npos && line.find(" 0A ") != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  std::string dir_;
  std::string error_;
  Mode mode_ = kRfc2217;
  unsigned baud_ = 0;
  unsigned port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace travex::testing
