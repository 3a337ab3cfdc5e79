// travex-bench: the tool's dialog, offscreen, against the simulated logger pacing both directions
// at the line's rate (turnaround 0 unless TRAVEX_BENCH_TURNAROUND_MS says otherwise). For each
// of 115200, 9600 and 2400 bit/s it prints the time the baud search took to find the logger, and
// for read-all and write-all the requests, the bytes sent and received, the wire floor (bytes x 10
// / rate), the total time and the ratio total / floor; then the tool's CPU use while idle with
// the port open over 10 s, and its peak resident memory; last the search's times with their targets
// (remembered rate, unknown rate, a logger answering 400 ms late at every rate).
//
//   build/<dir>/bench/travex-bench            (TRAVEX_SIM overrides the logger binary,
//                                              TRAVEX_BENCH_RATES="115200 9600" picks rates,
//                                              TRAVEX_BENCH_PARTS="search" runs the search alone,
//                                              "runs" the rest alone)
#include <sys/resource.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "app/qt/config_dlg.h"
#include "bench/search_bench.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "session/line_exchanges.h"
#include "tests/support/sim_process.h"

namespace {

using travex::CConfigDlg;
using Clock = std::chrono::steady_clock;

// Counts what crosses the line, and how long the tool takes from an answer to the next request.
class ByteCounter : public travex::IFrameSink {
 public:
  void OnFrame(const travex::FrameRecord& frame) override {
    (frame.sent ? sent : received).fetch_add(frame.length);
    if (frame.sent) requests.fetch_add(1);
    std::lock_guard lock(mutex_);
    if (frame.sent && have_answer_) gaps_.push_back(frame.time - last_answer_);
    have_answer_ = !frame.sent;
    if (!frame.sent) last_answer_ = frame.time;
  }
  void Reset() {
    sent.store(0);
    received.store(0);
    requests.store(0);
    std::lock_guard lock(mutex_);
    gaps_.clear();
    have_answer_ = false;
  }
  // Median and worst time from an answer's last byte to the next request, in milliseconds.
  std::pair<double, double> Gaps() {
    std::lock_guard lock(mutex_);
    if (gaps_.empty()) return {0, 0};
    std::sort(gaps_.begin(), gaps_.end());
    auto ms = [](std::chrono::system_clock::duration d) {
      return std::chrono::duration<double, std::milli>(d).count();
    };
    return {ms(gaps_[gaps_.size() / 2]), ms(gaps_.back())};
  }
  std::atomic<long> sent{0};
  std::atomic<long> received{0};
  std::atomic<int> requests{0};

 private:
  std::mutex mutex_;
  bool have_answer_ = false;
  std::chrono::system_clock::time_point last_answer_;
  std::vector<std::chrono::system_clock::duration> gaps_;
};

// Runs the Qt event loop until pred() holds or the time-out passes.
template <typename Pred>
bool Pump(Pred pred, std::chrono::seconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!pred()) {
    if (Clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

bool TimeRun(CConfigDlg& dlg, ByteCounter& counter, uint32_t baud, bool write) {
  counter.Reset();
  const auto start = Clock::now();
  if (write) {
    dlg.core().OnWriteAll();
  } else {
    dlg.core().OnReadAll();
  }
  const bool ended = Pump([&] { return !dlg.core().RunInProgress(); }, std::chrono::seconds(600));
  const double total = Seconds(start);
  // What the run's end posted to the dialog is shown before pane 3 is read.
  QCoreApplication::processEvents();
  const long bytes = counter.sent.load() + counter.received.load();
  const double floor = static_cast<double>(bytes) * 10.0 / baud;
  const auto [gap_median, gap_worst] = counter.Gaps();
  std::printf("%-9s @ %6u bit/s: %3d requests, %6ld bytes sent, %6ld received, wire floor %7.3f s,"
              " total %7.3f s, ratio %5.2f; answer to next request median %.2f ms, worst %.2f ms"
              "  [pane 3: %s]\n",
              write ? "write-all" : "read-all", baud, counter.requests.load(), counter.sent.load(),
              counter.received.load(), floor, total, floor > 0 ? total / floor : 0.0, gap_median,
              gap_worst, dlg.Pane(3)->text().toStdString().c_str());
  std::fflush(stdout);
  if (!ended) std::fprintf(stderr, "run did not end\n");
  return ended;
}

double SearchSeconds(CConfigDlg& dlg) {
  const auto start = Clock::now();
  dlg.core().OnTestBaud();
  Pump([&] { return !dlg.core().SearchInProgress(); }, std::chrono::seconds(60));
  return Seconds(start);
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
  const char* turnaround = std::getenv("TRAVEX_BENCH_TURNAROUND_MS");
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");

  // What the dialog remembers and keeps goes to a folder of the bench's own: a rate remembered
  // by an earlier run would shorten the searches timed here.
  char home[] = "/tmp/travex-bench-XXXXXX";
  if (mkdtemp(home) != nullptr) {
    setenv("XDG_CONFIG_HOME", home, 1);
    setenv("XDG_DATA_HOME", home, 1);
  }
  const char* parts_env = std::getenv("TRAVEX_BENCH_PARTS");
  const std::string parts = " " + std::string(parts_env != nullptr ? parts_env : "runs search") + " ";
  const bool runs = parts.find(" runs ") != std::string::npos;

  int status = 0;
  // TRAVEX_BENCH_RATES="115200 9600" narrows the runs.
  const char* only = std::getenv("TRAVEX_BENCH_RATES");
  for (uint32_t baud : {115200u, 9600u, 2400u}) {
    if (!runs) break;
    if (only != nullptr && std::string(" ") .append(only).append(" ").find(" " + std::to_string(baud) + " ") == std::string::npos) {
      continue;
    }
    travex::testing::SimProcess sim;
    if (!sim.Start({"--baud", std::to_string(baud), "--demo", "--turnaround",
                    turnaround != nullptr ? turnaround : "0"})) {
      std::fprintf(stderr, "cannot start the logger: %s\n", sim.error().c_str());
      return 1;
    }
    sim.ExportPortDir();

    {
      CConfigDlg dlg;
      travex::CComPort& port = dlg.core().session().port();
      ByteCounter counter;
      dlg.core().SetFrameSink(&counter);
      dlg.hooks.message = [](std::string_view text, std::string_view, travex::MessageIcon) {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
      };
      dlg.hooks.yes_no = [](std::string_view, std::string_view) { return true; };
      dlg.show();
      dlg.SetText(travex::IDC_PORT, "COM" + std::to_string(sim.com_number()));
      const double search = SearchSeconds(dlg);
      std::printf("baud search: logger at %u found in %.3f s\n", baud, search);
      if (!port.IsOpen() || port.baud_rate != baud) {
        std::fprintf(stderr, "the search did not find the logger at %u\n", baud);
        status = 1;
        dlg.Shutdown();
        continue;
      }
      if (!TimeRun(dlg, counter, baud, false) || !TimeRun(dlg, counter, baud, true)) status = 1;

      if (baud == 115200u) {
        // Idle with the port open: the reader sleeps until bytes come, nothing else runs.
        const double cpu_before = CpuSeconds();
        const auto wall_before = Clock::now();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        const double wall = Seconds(wall_before);
        const double cpu = CpuSeconds() - cpu_before;
        std::printf("idle 10 s, port open: CPU %.3f s of %.2f s = %.2f%% of one core\n", cpu, wall,
                    100.0 * cpu / wall);
      }
      dlg.Shutdown();
      dlg.core().SetFrameSink(nullptr);
    }
    sim.Stop();
  }
  if (runs) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  }
  if (parts.find(" search ") != std::string::npos && !travex::bench::RunSearchBench()) status = 1;
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return status;
}
