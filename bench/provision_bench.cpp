// travex-bench-provision: provisioning a batch of loggers at once. Eight simulated loggers (paced
// at the line's rate) get the same parameter file by one `travex-cli write` with eight ports,
// and one logger alone by the same command with one port, at 115200 and at 9600 bit/s. Each
// logger is on its own line, so the batch should take about as long as one logger: it may take
// at most 1.3 times as long. Prints the times and the ratio; exits 1 when a ratio is above it.
//
//   build/<dir>/bench/travex-bench-provision   (TRAVEX_CLI and TRAVEX_SIM override the programs)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "paramfile/param_file.h"
#include "params/param_image.h"
#include "tests/support/cli_process.h"
#include "tests/support/sim_process.h"

namespace {

constexpr int kLoggers = 8;
constexpr double kAllowedRatio = 1.3;

// Every channel set up, texts at their usual lengths: the write requests have their full size.
travex::ParamImage ProvisioningImage() {
  travex::ParamImage image{};
  image.base = {9600, 0, 0, 1000, 500, 3, 60, 30, 1704067200};
  for (int c = 0; c < travex::kChannelCount; ++c) {
    travex::Arg1Block& a = image.arg1[c];
    a.alarm_value = 10.0f + static_cast<float>(c);
    std::snprintf(a.alarm_text, sizeof a.alarm_text, "ALARM%02d", c);
    std::snprintf(a.normal_text, sizeof a.normal_text, "NORMAL%02d", c);
    for (int k = 0; k < travex::kGearCount; ++k) {
      a.gears[k].value = static_cast<float>(k);
      std::snprintf(a.gears[k].text, sizeof a.gears[k].text, "GEAR%d-%02d", k + 1, c);
    }
    travex::Arg2Block& b = image.arg2[c];
    b = {static_cast<uint8_t>(c + 1), 1, 3, 1, static_cast<uint16_t>(c * 2), 2, 0, {}, {}};
    std::snprintf(b.name, sizeof b.name, "Channel %02d sensor", c + 1);
    std::snprintf(b.unit, sizeof b.unit, "kPa");
    image.coef[c] = {1.0f, 0.0f};
  }
  return image;
}

struct Timed {
  double seconds = 0;
  int status = -1;
  std::string err;
};

Timed Write(const std::vector<std::string>& coms, uint32_t rate, const std::string& file,
            const std::string& port_dir) {
  std::string ports;
  for (const std::string& com : coms) ports += (ports.empty() ? "" : ",") + com;
  const auto start = std::chrono::steady_clock::now();
  const travex::testing::CliResult r = travex::testing::RunCli(
      {"--quiet", "write", "--port", ports, "--baud", std::to_string(rate), file}, port_dir);
  Timed timed;
  timed.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  timed.status = r.status;
  timed.err = r.err;
  return timed;
}

}  // namespace

int main() {
  if (std::getenv("TRAVEX_SIM") == nullptr) setenv("TRAVEX_SIM", TRAVEX_SIM_DEFAULT, 1);
  if (std::getenv("TRAVEX_CLI") == nullptr) setenv("TRAVEX_CLI", TRAVEX_CLI_DEFAULT, 1);

  const char* tmp = std::getenv("TMPDIR");
  std::string base =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/travex-bench-provision-XXXXXX";
  if (mkdtemp(base.data()) == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  const std::string port_dir = base + "/ports";
  const std::string file = base + "/batch.ini";
  std::filesystem::create_directory(port_dir);
  std::string error;
  if (!travex::SaveParamFile(file, ProvisioningImage(), &error)) {
    std::fprintf(stderr, "cannot write %s: %s\n", file.c_str(), error.c_str());
    return 2;
  }

  std::printf("write-all of one file, %d paced simulated loggers in parallel against one alone\n",
              kLoggers);
  std::printf("%8s  %10s  %10s  %6s\n", "bit/s", "1 logger", "8 loggers", "ratio");
  bool within = true;
  for (const uint32_t rate : {115200u, 9600u}) {
    std::vector<std::unique_ptr<travex::testing::SimProcess>> sims;
    std::vector<std::string> coms;
    for (int i = 0; i < kLoggers; ++i) {
      sims.push_back(std::make_unique<travex::testing::SimProcess>());
      if (!sims.back()->Start({"--baud", std::to_string(rate), "--port-dir", port_dir})) {
        std::fprintf(stderr, "simulated logger: %s\n", sims.back()->error().c_str());
        return 2;
      }
      coms.push_back("COM" + std::to_string(sims.back()->com_number()));
    }
    const Timed one = Write({coms[0]}, rate, file, port_dir);
    const Timed all = Write(coms, rate, file, port_dir);
    if (one.status != 0 || all.status != 0) {
      std::fprintf(stderr, "travex-cli failed (%d, %d):\n%s%s", one.status, all.status,
                   one.err.c_str(), all.err.c_str());
      return 2;
    }
    const double ratio = all.seconds / one.seconds;
    within = within && ratio <= kAllowedRatio;
    std::printf("%8u  %9.2fs  %9.2fs  %6.2f%s\n", rate, one.seconds, all.seconds, ratio,
                ratio <= kAllowedRatio ? "" : "  (above 1.3)");
  }
  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);
  std::printf("%s\n", within ? "ok: the batch takes at most 1.3 times one logger's time"
                             : "FAILED: the batch takes more than 1.3 times one logger's time");
  return within ? 0 : 1;
}
