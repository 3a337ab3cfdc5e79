// The command line of travex-cli: options and sub-commands (CLI11), then the command.
#pragma once

#include <stop_token>

namespace travex::cli {

// Parses argv and runs the command; returns the exit status. `stop` cancels the command.
int RunCommandLine(int argc, char** argv, std::stop_token stop);

}  // namespace travex::cli
