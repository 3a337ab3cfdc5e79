#include "bench/search_bench.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "params/value_lists.h"
#include "session/logger_session.h"
#include "tests/support/sim_process.h"

namespace travex::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Timed {
  bool found = false;
  double seconds = 0;
};

// One search for a logger at `baud` answering `turnaround_ms` late, with `remembered` tried
// first.
Timed TimeSearch(uint32_t baud, unsigned turnaround_ms, uint32_t remembered) {
  testing::SimProcess sim;
  if (!sim.Start({"--baud", std::to_string(baud), "--turnaround", std::to_string(turnaround_ms)})) {
    std::fprintf(stderr, "cannot start the logger: %s\n", sim.error().c_str());
    return {};
  }
  sim.ExportPortDir();
  CLoggerSession session;
  session.SetLockDirectory(sim.port_dir());
  session.Start();
  const auto start = Clock::now();
  const SearchOutcome outcome =
      session.SearchNow(static_cast<uint8_t>(sim.com_number()), {}, remembered);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  session.Shutdown();
  return {outcome.result.status == SearchStatus::kFound && outcome.result.baud == baud, seconds};
}

bool Report(const char* what, const Timed& timed, double target) {
  const bool met = timed.found && (target <= 0 || timed.seconds <= target);
  if (target > 0) {
    std::printf("search: %-52s %6.3f s  (target <= %.1f s) %s\n", what, timed.seconds, target,
                met ? "ok" : "MISSED");
  } else {
    std::printf("search: %-52s %6.3f s  (target: found) %s\n", what, timed.seconds,
                met ? "ok" : "NOT FOUND");
  }
  return met;
}

}  // namespace

bool RunSearchBench() {
  bool ok = true;
  ok &= Report("logger at the remembered rate 115200", TimeSearch(115200, 0, 115200), 0.2);
  ok &= Report("logger at 115200, none remembered, answering in 100 ms", TimeSearch(115200, 100, 0),
               1.5);
  for (const ValueEntry& rate : kBaudRateList) {
    const std::string what = "logger at " + std::string(rate.text) + ", turnaround 400 ms";
    ok &= Report(what.c_str(), TimeSearch(rate.code, 400, 0), 0);
  }
  return ok;
}

}  // namespace travex::bench
