// The commands of travex-cli. Each returns the process's exit status (exit_codes.h) and prints
// its results: data and result lines on standard output, errors and warnings on standard
// error, each naming the port and its device. Commands on ports run on every port at once,
// one thread per port, and print one result line per logger and, for several, a summary.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "cli/progress.h"
#include "cli/trace_file.h"
#include "paramfile/history.h"
#include "paramfile/image_report.h"

namespace travex::cli {

struct CommandEnv {
  bool quiet = false;
  std::stop_token stop;             // cancels every exchange at once
  CProgressBoard* board = nullptr;  // output and progress
  CTraceFile* trace = nullptr;      // nullptr: no --trace
  std::string state_folder;         // where the searches' rates are remembered (empty: nowhere)
  HistoryPlace history;             // where whole images are kept
};

struct PortOptions {
  std::vector<std::string> ports;  // as given: "COM3", "COM3,COM4", "/dev/ttyUSB0"
  uint32_t baud = 0;               // --baud; 0: search
  unsigned address = 0;            // --address; 0: any
};

struct WriteOptions {
  std::string file;
  std::string clock = "keep";  // keep, now, or "YYYY-MM-DD[T ]HH:MM:SS"
  bool verify = false;
  bool backup = false;  // read the logger in full first and keep that image
};

// Checks a --baud value: one of the nine link rates.
bool ValidLinkRate(uint32_t baud);

int CmdPorts(CommandEnv& env, bool json);
// The history's files, newest first; `port` empty: every port's.
int CmdHistory(CommandEnv& env, const std::string& port, bool json);
int CmdSearch(CommandEnv& env, const PortOptions& ports);
// output: a file, a folder or a pattern with {port}; empty: the proposed name in the current
// folder.
int CmdRead(CommandEnv& env, const PortOptions& ports, const std::string& output);
int CmdWrite(CommandEnv& env, const PortOptions& ports, const WriteOptions& options);
// A file (ports empty) or the loggers.
int CmdShow(CommandEnv& env, const PortOptions& ports, const std::string& file, bool json);
// Two files, or one file and the loggers.
int CmdDiff(CommandEnv& env, const PortOptions& ports, const std::vector<std::string>& files,
            const DiffOptions& options);
int CmdConvert(CommandEnv& env, const std::string& in, const std::string& out);
int CmdSetTime(CommandEnv& env, const PortOptions& ports, const std::string& value);
int CmdSetAddress(CommandEnv& env, const PortOptions& ports, const std::string& value);
int CmdSetBaud(CommandEnv& env, const PortOptions& ports, const std::string& value);

}  // namespace travex::cli
