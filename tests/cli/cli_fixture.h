// The command-line tests' fixture: travex-cli as a child process against simulated loggers on
// a private port directory, with the history and the remembered rates in the test's folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "paramfile/demo_image.h"
#include "paramfile/image_report.h"
#include "paramfile/param_file.h"
#include "paramfile/temp_folder.h"
#include "support/cli_process.h"
#include "support/ser2net_process.h"
#include "support/sim_process.h"

namespace travex {

using testing::ReadWholeFile;
using testing::Ser2NetProcess;
using testing::SimProcess;
using testing::WriteWholeFile;

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    std::filesystem::create_directory(Ports());
    // For the test's own ports (a holder of a busy port); before any thread starts.
    setenv("TRAVEX_PORT_DIR", Ports().c_str(), 1);
    // The history and the remembered rates stay in the test's folder.
    setenv("XDG_DATA_HOME", File("data").c_str(), 1);
    setenv("XDG_STATE_HOME", File("state-home").c_str(), 1);
    std::string error;
    ASSERT_TRUE(SaveParamFile(File("demo.ini"), testing::DemoImage(), &error)) << error;
  }

  std::string Ports() const { return dir.File("ports"); }
  std::string File(const std::string& name) const { return dir.File(name); }

  // Starts a logger on the shared port directory; its COM name.
  std::string Start(SimProcess& sim, std::vector<std::string> args) {
    args.insert(args.end(), {"--port-dir", Ports()});
    if (!sim.Start(args)) {
      ADD_FAILURE() << sim.error();
      return "COM0";
    }
    return "COM" + std::to_string(sim.com_number());
  }

  testing::CliResult Cli(const std::vector<std::string>& args, int interrupt_ms = 0) {
    return testing::RunCli(args, Ports(), interrupt_ms);
  }

  // The image a stopped logger saved in its --state file.
  static ParamImage StateImage(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    ParamImage image{};
    EXPECT_EQ(bytes.size(), kImageBytes);
    if (bytes.size() == kImageBytes)
      DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), &image);
    return image;
  }

  static std::string Differences(const ParamImage& a, const ParamImage& b) {
    DiffOptions options;
    options.device_time = false;
    return FormatChanges(DiffImages(a, b, options));
  }

  testing::TempFolder dir;
};

}  // namespace travex
