// travex-bench: starts the simulated logger and the tool's dialog offscreen, runs read-all and
// write-all at 115200 and at 9600 bit/s and prints for each run the requests, the total time,
// the time per step (median and worst) and the floor the 100 ms cadence sets; then the tool's
// CPU use while idle with the port open over 10 s, and its peak resident memory.
//
//   build/<dir>/bench/travex-bench            (TRAVEX_SIM overrides the logger binary)
#include <sys/resource.h>

#include <QApplication>
#include <QLabel>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/qt/config_dlg.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "serial/rx_ring.h"
#include "tests/support/sim_process.h"

namespace {

using travex::CConfigDlg;
using travex::CDialogCore;
using Clock = std::chrono::steady_clock;

// Seconds of the day of each parameter request the logger logged ("... hh:mm:ss.mmm RX 55 ...").
std::vector<double> RequestTimes(const std::string& log_path) {
  std::vector<double> times;
  std::ifstream in(log_path);
  for (std::string line; std::getline(in, line);) {
    if (line.find(" RX 55 ") == std::string::npos || line.size() < 23) continue;
    const int h = std::atoi(line.substr(11, 2).c_str());
    const int m = std::atoi(line.substr(14, 2).c_str());
    const double s = std::atof(line.substr(17, 6).c_str());
    double t = h * 3600.0 + m * 60.0 + s;
    if (!times.empty() && t < times.back()) t += 86400.0;  // past midnight
    times.push_back(t);
  }
  return times;
}

// Runs the Qt event loop until pred() holds or the time-out passes.
template <typename Pred>
bool Pump(Pred pred, std::chrono::seconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!pred()) {
    if (Clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct RunFigures {
  int requests = 0;
  double total = 0;
  double median = 0;
  double worst = 0;
};

RunFigures TimeRun(CConfigDlg& dlg, const std::string& log_path, bool write) {
  CDialogCore& core = dlg.core();
  const size_t before = RequestTimes(log_path).size();
  const auto start = Clock::now();
  if (write) {
    core.OnWriteAll();
  } else {
    core.OnReadAll();
  }
  if (!Pump([&] { return !core.RunInProgress(); }, std::chrono::seconds(300))) {
    std::fprintf(stderr, "run did not end\n");
  }
  RunFigures f;
  f.total = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<double> times = RequestTimes(log_path);
  times.erase(times.begin(), times.begin() + static_cast<long>(before));
  f.requests = static_cast<int>(times.size());
  std::vector<double> steps;
  for (size_t i = 1; i < times.size(); ++i) steps.push_back(times[i] - times[i - 1]);
  if (!steps.empty()) {
    std::sort(steps.begin(), steps.end());
    f.median = steps[steps.size() / 2];
    f.worst = steps.back();
  }
  return f;
}

void Print(const char* what, uint32_t baud, const RunFigures& f, const std::string& pane3) {
  std::printf("%-9s @ %6u bit/s: %3d requests, total %6.2f s, step median %.3f s, worst %.3f s,"
              " floor %.1f s  [pane 3: %s]\n",
              what, baud, f.requests, f.total, f.median, f.worst, f.requests * 0.1,
              pane3.c_str());
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (std::getenv("TRAVEX_SIM") == nullptr) setenv("TRAVEX_SIM", TRAVEX_SIM_DEFAULT, 1);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");

  int status = 0;
  for (uint32_t baud : {115200u, 9600u}) {
    travex::testing::SimProcess sim;
    // The first start makes the logger's directory; the second logs into it.
    if (sim.Start({"--no-pacing"})) sim.Stop();
    const std::string log_path = sim.Path("frames.log");
    if (!sim.Start({"--baud", std::to_string(baud), "--demo", "--log", log_path})) {
      std::fprintf(stderr, "cannot start the logger: %s\n", sim.error().c_str());
      return 1;
    }
    sim.ExportPortDir();

    travex::CComPort port;
    travex::CRxRing ring(&port);
    {
      CConfigDlg dlg(port, ring);
      dlg.hooks.message = [](std::string_view text, std::string_view, travex::MessageIcon) {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
      };
      dlg.hooks.yes_no = [](std::string_view, std::string_view) { return true; };
      dlg.show();
      dlg.SetText(travex::IDC_PORT, "COM" + std::to_string(sim.com_number()));
      dlg.core().OnTestBaud();
      if (!port.IsOpen() || port.baud_rate != baud) {
        std::fprintf(stderr, "the search did not find the logger at %u\n", baud);
        status = 1;
        continue;
      }
      const RunFigures read = TimeRun(dlg, log_path, false);
      Print("read-all", baud, read, dlg.Pane(3)->text().toStdString());
      const RunFigures write = TimeRun(dlg, log_path, true);
      Print("write-all", baud, write, dlg.Pane(3)->text().toStdString());

      if (baud == 115200u) {
        // Idle with the port open: the reader polls every 10 ms, nothing else runs.
        const double cpu_before = CpuSeconds();
        const auto wall_before = Clock::now();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        const double wall = std::chrono::duration<double>(Clock::now() - wall_before).count();
        const double cpu = CpuSeconds() - cpu_before;
        std::printf("idle 10 s, port open: CPU %.3f s of %.2f s = %.2f%% of one core\n", cpu,
                    wall, 100.0 * cpu / wall);
      }
      dlg.Shutdown();
    }
    port.Close();
    sim.Stop();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return status;
}
