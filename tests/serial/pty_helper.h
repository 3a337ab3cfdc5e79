// Test helpers: a pseudo-terminal pair, a temporary port directory and waiting for a condition.
#pragma once

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace travex::testing {

// Polls pred every 5 ms; generous time-out for a loaded machine.
template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Master and slave of one pseudo-terminal. The test keeps its own slave descriptor open, so
// the terminal lives on while the port under test opens and closes it.
class Pty {
 public:
  Pty() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    slave_path = name;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    MakeRaw(slave);
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return master >= 0 && slave >= 0; }

  static void MakeRaw(int fd) {
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }

  // Bytes waiting on the slave side (the queue the port under test reads from).
  int SlaveWaiting() const {
    int n = 0;
    ioctl(slave, FIONREAD, &n);
    return n;
  }

  void MasterWrite(const std::string& bytes) const {
    [[maybe_unused]] ssize_t n = write(master, bytes.data(), bytes.size());
  }

  // Reads from the master until `size` bytes arrived or the time-out passed.
  std::string MasterRead(size_t size) const {
    std::string got;
    WaitFor([&] {
      char buf[4096];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) got.append(buf, static_cast<size_t>(n));
      return got.size() >= size;
    });
    return got;
  }

  int master = -1;
  int slave = -1;
  std::string slave_path;
};

// A temporary port directory that TRAVEX_PORT_DIR points to while the object lives.
class PortDir {
 public:
  PortDir() {
    char tmpl[] = "/tmp/travex-ports-XXXXXX";
    if (mkdtemp(tmpl) != nullptr) path = tmpl;
    const char* old = std::getenv("TRAVEX_PORT_DIR");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    setenv("TRAVEX_PORT_DIR", path.c_str(), 1);
  }
  ~PortDir() {
    if (had_old_) {
      setenv("TRAVEX_PORT_DIR", old_.c_str(), 1);
    } else {
      unsetenv("TRAVEX_PORT_DIR");
    }
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  PortDir(const PortDir&) = delete;
  PortDir& operator=(const PortDir&) = delete;

  // Makes comN a link to target.
  void Link(unsigned number, const std::string& target) const {
    std::error_code ec;
    std::filesystem::create_symlink(target, path + "/com" + std::to_string(number), ec);
  }

  std::string path;

 private:
  bool had_old_ = false;
  std::string old_;
};

}  // namespace travex::testing
