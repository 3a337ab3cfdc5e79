// travex-logger-sim: the data logger on a pseudo-terminal. Options, start-up and shut-down; the
// line itself is line_loop's.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "line_loop.h"
#include "logger_device.h"
#include "pty_line.h"
#include "pty_port.h"
#include "serial/port_map.h"
#include "sim_image.h"
#include "sim_log.h"
#include "sim_options.h"
#include "travex_version.h"

namespace travex::sim {
namespace {

int Main(int argc, char** argv) {
  SimOptions options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "travex-logger-sim: %s\n(--help lists the options)\n", error.c_str());
    return 2;
  }
  if (options.show_help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.show_version) {
    std::printf("travex-logger-sim %s\n", kVersionString);
    return 0;
  }

  // Signals arrive through a descriptor in the poll loop; a closed stdout must not kill us.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
  const int signal_fd = signalfd(-1, &stop_signals, SFD_CLOEXEC);
  if (signal_fd < 0) {
    std::fprintf(stderr, "travex-logger-sim: signalfd: %s\n", std::strerror(errno));
    return 1;
  }
  std::signal(SIGPIPE, SIG_IGN);

  ParamImage image{};
  bool loaded = false;
  if (!options.state_file.empty()) {
    switch (LoadState(options.state_file, &image, &error)) {
      case StateLoad::kLoaded:
        loaded = true;
        break;
      case StateLoad::kMissing:
        break;
      case StateLoad::kFailed:
        std::fprintf(stderr, "travex-logger-sim: cannot load state: %s\n", error.c_str());
        close(signal_fd);
        return 1;
    }
  }
  if (!loaded) image = options.demo ? DemoImage() : FactoryImage();

  FrameLog log;
  if (!options.log_file.empty() && !log.Open(options.log_file, &error)) {
    std::fprintf(stderr, "travex-logger-sim: cannot open log: %s\n", error.c_str());
    close(signal_fd);
    return 1;
  }

  PtyPort port;
  const std::string dir = options.port_dir.empty() ? PortDirectory() : options.port_dir;
  if (!port.Open(&error) || !port.Register(dir, options.com_number, &error)) {
    std::fprintf(stderr, "travex-logger-sim: %s\n", error.c_str());
    close(signal_fd);
    return 1;
  }
  InitPtyLine(port.slave_fd(), options.baud);

  LoggerDevice device(options.baud, options.address, options.fw_version, image);
  device.set_overlong_text(options.overlong_text);
  device.set_clock_held(options.hold_clock);
  log.Note("COM" + std::to_string(port.com_number()) + " " + port.device() + " at " +
           std::to_string(options.baud) + " bit/s, address " + std::to_string(options.address));
  std::printf("COM%u %s\n", port.com_number(), port.device().c_str());
  std::fflush(stdout);

  // The reply buffers are large: keep them off the stack.
  auto simulator = std::make_unique<Simulator>(options, device, port, log);
  const int code = simulator->Run(signal_fd);
  simulator.reset();

  port.Unregister();
  if (!options.state_file.empty() &&
      !SaveState(options.state_file, device.CurrentImage(), &error)) {
    std::fprintf(stderr, "travex-logger-sim: cannot save state: %s\n", error.c_str());
  }
  port.Close();
  close(signal_fd);
  return code;
}

}  // namespace
}  // namespace travex::sim

int main(int argc, char** argv) { return travex::sim::Main(argc, argv); }
