// End-to-end set-up of the dialog tests: the simulated logger on a pseudo-terminal and the core
// with in-memory controls and platform, connected through a real port, ring and reader thread.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "params/param_image.h"
#include "tests/app/dialog_test_util.h"
#include "tests/support/sim_process.h"
#include "support/image_compare.h"

namespace travex::testing {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Lines of the logger's frame log.
inline std::vector<std::string> LogLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Parameter requests the logger received (of one command, 0 for any).
inline int CountRequests(const std::string& log_path, int command = 0) {
  int n = 0;
  for (const std::string& line : LogLines(log_path)) {
    const size_t at = line.find(" RX 55 ");
    if (at == std::string::npos) continue;
    if (command == 0) {
      ++n;
      continue;
    }
    // Bytes: 55 LL LL 00 00 CC: the command is the sixth.
    std::istringstream bytes(line.substr(at + 4));
    std::string b;
    for (int i = 0; i < 6 && bytes >> b; ++i) {
    }
    if (std::stoi(b, nullptr, 16) == command) ++n;
  }
  return n;
}

inline bool ReadImageFile(const std::string& path, ParamImage* image) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() != kImageBytes) return false;
  DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), image);
  return true;
}

inline void WriteImageFile(const std::string& path, const ParamImage& image) {
  uint8_t bytes[kImageBytes];
  EncodeImage(image, bytes);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// The progress texts pane 3 showed, of a read run ("读取") or a write run ("写入").
inline std::vector<std::string> ProgressHistory(const FakeControls& c, const std::string& verb) {
  std::vector<std::string> out;
  for (const std::string& text : c.pane_history[3]) {
    if (text == verb + "基础参数" || text.rfind(verb + "参数", 0) == 0) out.push_back(text);
  }
  return out;
}

// Compares every field that travels between tool and logger. The clock is left out (the
// logger's keeps ticking).
inline void ExpectSameTravellingFields(const ParamImage& a, const ParamImage& b, bool coefficients) {
  EXPECT_EQ(FieldDifferences(a, b, {.clock = false, .coefficients = coefficients}),
            std::vector<std::string>());
}

// The logger and the dialog, with the port opened directly at the logger's rate (what a
// successful search leaves), unless the test searches itself.
class DialogE2E : public ::testing::Test {
 protected:
  void StartLogger(std::vector<std::string> args, bool open_port = true,
                   uint32_t baud = 115200) {
    args.insert(args.end(), {"--log", sim.Path("frames.log"), "--state", sim.Path("state.bin")});
    if (!has_baud(args)) args.insert(args.end(), {"--baud", std::to_string(baud)});
    ASSERT_TRUE(sim.Start(args)) << sim.error();
    sim.ExportPortDir();
    rig.core.port_map_roots.port_dir = sim.port_dir();
    rig.core.InitDialog();
    rig.controls.controls[IDC_PORT].text = "COM" + std::to_string(sim.com_number());
    if (open_port) {
      rig.port.Configure(static_cast<uint8_t>(sim.com_number()), 8, 0, 0, baud);
      ASSERT_NE(rig.port.Open(), 0) << rig.port.LastError();
    }
  }

  // Gives the logger this image when it next starts (its --state file).
  void PrepareLoggerImage(const ParamImage& image) {
    if (sim.port_dir() == "/ports") {  // no directory yet: one start makes it
      ASSERT_TRUE(sim.Start({"--no-pacing"})) << sim.error();
      sim.Stop();
    }
    WriteImageFile(sim.Path("state.bin"), image);
  }

  std::string LogPath() const { return sim.Path("frames.log"); }

  // Stops the logger and reads the image it saved.
  ParamImage LoggerImage() {
    const int status = sim.Stop();
    ParamImage image{};
    EXPECT_TRUE(ReadImageFile(sim.Path("state.bin"), &image)) << "logger exit status " << status;
    return image;
  }

  // Runs the emulated event loop until the answer is in and handled.
  bool CollectReply(std::chrono::milliseconds timeout = seconds(10)) { return rig.Settle(timeout); }

  // Runs the event loop until no run is in progress any more.
  bool FinishRuns(std::chrono::milliseconds timeout = seconds(60)) {
    const bool ended = rig.platform.RunUntil([this] { return !rig.core.RunInProgress(); }, timeout);
    return rig.Settle() && ended;
  }

  static bool has_baud(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
      if (a == "--baud") return true;
    }
    return false;
  }

  SimProcess sim;  // outlives the rig: the port closes before the logger goes
  DialogRig rig;
};

}  // namespace travex::testing
