// travex-bench-server-line: read-all and write-all at 115200 bit/s over RFC 2217 through
// ser2net on the loopback interface, against the same simulated logger (paced at the line's
// rate) opened directly. The server adds a hop, not a slower line: it may take at most 1.3
// times as long. Prints the times and the ratios; exits 1 when a ratio is above it.
//
//   build/<dir>/bench/travex-bench-server-line   (TRAVEX_SIM overrides the simulator)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "session/logger_session.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/sim_process.h"

namespace {

constexpr double kAllowedRatio = 1.3;
constexpr uint32_t kRate = 115200;

struct Times {
  double read = 0;
  double write = 0;
  bool ok = false;
};

double Seconds(travex::CLoggerSession& session, travex::BulkRun run, bool* ok) {
  const auto start = std::chrono::steady_clock::now();
  *ok = session.RunNow(run, {}).Succeeded() && *ok;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Times Measure(const travex::PortTarget& target) {
  travex::CLoggerSession session;
  session.Start();
  Times times;
  const travex::SearchOutcome found = session.SearchNow(target, {});
  if (found.result.status != travex::SearchStatus::kFound || found.result.baud != kRate) {
    return times;
  }
  times.ok = true;
  times.read = Seconds(session, travex::BulkRun::kRead, &times.ok);
  times.write = Seconds(session, travex::BulkRun::kWrite, &times.ok);
  return times;
}

}  // namespace

int main() {
  if (std::getenv("TRAVEX_SIM") == nullptr) setenv("TRAVEX_SIM", TRAVEX_SIM_DEFAULT, 1);
  if (!travex::testing::Ser2NetProcess::Available()) {
    std::fprintf(stderr, "ser2net is not installed\n");
    return 1;
  }
  travex::testing::SimProcess sim;
  if (!sim.Start({"--baud", std::to_string(kRate), "--demo"})) {
    std::fprintf(stderr, "cannot start the logger: %s\n", sim.error().c_str());
    return 1;
  }
  sim.ExportPortDir();
  const Times direct = Measure(static_cast<uint8_t>(sim.com_number()));

  travex::testing::Ser2NetProcess server;
  if (!server.Start(sim.device(), travex::testing::Ser2NetProcess::kRfc2217, 9600)) {
    std::fprintf(stderr, "cannot start ser2net: %s\n", server.error().c_str());
    return 1;
  }
  const Times served = Measure(travex::PortTarget::Address(server.Address()));
  if (!direct.ok || !served.ok) {
    std::fprintf(stderr, "a run failed (direct %s, through the server %s)\n",
                 direct.ok ? "ok" : "failed", served.ok ? "ok" : "failed");
    return 1;
  }
  const double read_ratio = served.read / direct.read;
  const double write_ratio = served.write / direct.write;
  std::printf("%-10s %10s %10s\n", "", "direct", "rfc2217");
  std::printf("%-10s %9.2fs %9.2fs  ratio %.2f\n", "read-all", direct.read, served.read,
              read_ratio);
  std::printf("%-10s %9.2fs %9.2fs  ratio %.2f\n", "write-all", direct.write, served.write,
              write_ratio);
  std::printf("goal: ratio <= %.1f\n", kAllowedRatio);
  return read_ratio <= kAllowedRatio && write_ratio <= kAllowedRatio ? 0 : 1;
}
