// Exit status of travex-cli, and the outcome of one command on one port.
#pragma once

#include <string>

namespace travex::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitDifferent = 1,    // diff found differences, or --verify found the logger differs
  kExitUsage = 2,        // the command line cannot be used
  kExitFile = 3,         // a parameter file or the trace file cannot be read or written
  kExitPort = 4,         // a port is unknown or cannot be opened
  kExitNoAnswer = 5,     // the logger did not answer, timed out, was disconnected or rejected
  kExitWrongLogger = 6,  // the logger reports another address than --address asks for
  kExitCancelled = 130,  // interrupted (SIGINT, SIGTERM, SIGHUP)
};

struct Outcome {
  int code = kExitOk;
  std::string message;  // why it failed; empty on success
  bool ok() const { return code == kExitOk; }
};

inline Outcome Failure(int code, std::string message) { return {code, std::move(message)}; }

}  // namespace travex::cli
