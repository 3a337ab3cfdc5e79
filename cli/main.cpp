// travex-cli: the command line for scripted provisioning of data loggers.
#include <csignal>

#include "cli/cli_app.h"
#include "cli/signals.h"

int main(int argc, char** argv) {
  // A reader that goes away (travex-cli ports | head) ends the output, not the process.
  std::signal(SIGPIPE, SIG_IGN);
  travex::cli::CSignalWatcher signals;  // before any other thread
  return travex::cli::RunCommandLine(argc, argv, signals.token());
}
