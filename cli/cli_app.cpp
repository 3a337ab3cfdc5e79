#include "cli/cli_app.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/rate_memory.h"
#include "paramfile/history.h"
#include "params/value_lists.h"
#include "travex_version.h"

namespace travex::cli {
namespace {

constexpr const char* kDescription =
    "travex-cli: reads and writes the settings of data loggers on serial lines, for scripts.";

constexpr const char* kFooter =
    "Ports: COM3 is port 3 of the port map: the device behind the link com3 in the port\n"
    "directory ($TRAVEX_PORT_DIR, default ~/.config/travex/ports). Numbers without a link go,\n"
    "in order, to the serial devices present (on-board UARTs, then USB adapters); 'travex-cli\n"
    "ports' lists them. A device path (/dev/ttyUSB0) may be given instead when it stands for a\n"
    "COM number. To pin a number to an adapter:\n"
    "  ln -s /dev/ttyUSB0 ~/.config/travex/ports/com3\n"
    "Several ports (--port COM3,COM4 or --port repeated) are served in parallel.\n"
    "\n"
    "Exit status: 0 ok; 1 differences (diff, write --verify); 2 usage; 3 file cannot be read\n"
    "or written, damaged or refused; 4 port unknown or cannot be opened; 5 the logger did not\n"
    "answer, timed out, was disconnected or rejected a request; 6 the logger reports another\n"
    "address than --address; 130 interrupted. With several ports: the highest of them.";

// Each command's help ends with examples.
void Examples(CLI::App* command, const char* lines) {
  command->footer(std::string("Examples:\n") + lines);
}

// The first argument the parser could not place, or empty. An unknown option is the likelier
// cause of whatever else went wrong, so it is told first.
std::string UnknownArgument(const CLI::App& app) {
  const std::vector<std::string> left = app.remaining(true);
  if (left.empty()) return {};
  const std::string& first = left.front();
  if (first.size() > 1 && first[0] == '-') return first + ": unknown option";
  if (app.get_subcommands().empty()) return first + ": unknown command";
  return first + ": unexpected argument";
}

void AddPortOptions(CLI::App* command, PortOptions* ports, bool required, bool connect) {
  CLI::Option* port =
      command
          ->add_option("-p,--port", ports->ports,
                       "logger's port: COM3, /dev/ttyUSB0; repeat it or separate with commas "
                       "for several loggers in parallel (travex-cli --help tells the names)")
          ->delimiter(',')
          ->allow_extra_args(false)
          ->type_name("PORT");
  if (required) port->required();
  if (!connect) return;
  command
      ->add_option("--baud", ports->baud,
                   "open the port at this rate instead of searching the logger's rate")
      ->type_name("RATE");
  command
      ->add_option("--address", ports->address,
                   "go on only when the logger reports this address (" + LinkAddressesText() + ")")
      ->check(CLI::Range(static_cast<unsigned>(kMinLinkAddress),
                         static_cast<unsigned>(kMaxLinkAddress)))
      ->type_name("A");
}

}  // namespace

int RunCommandLine(int argc, char** argv, std::stop_token stop) {
  CLI::App app{kDescription, "travex-cli"};
  app.set_version_flag("--version", std::string("travex-cli ") + kVersionString);
  app.require_subcommand(1);
  app.footer(kFooter);
  bool quiet = false;
  std::string trace_path;
  app.add_flag("-q,--quiet", quiet,
               "print only errors, warnings and data (no result lines, "
               "no progress bar)");
  app.add_option("--trace", trace_path,
                 "append every frame sent and received, on every port, to FILE")
      ->type_name("FILE");

  PortOptions ports;
  bool json = false;
  std::string output;
  WriteOptions write;
  std::vector<std::string> files;
  std::string value;
  DiffOptions diff;
  bool device_time = false;

  CLI::App* ports_cmd = app.add_subcommand("ports", "list the serial ports with their devices");
  ports_cmd->add_flag("--json", json, "as JSON");
  Examples(ports_cmd, "  travex-cli ports\n  travex-cli ports --json");

  std::string history_port;
  CLI::App* history = app.add_subcommand(
      "history", "list the settings kept of every read-all and write-all, newest first");
  history->add_option("-p,--port", history_port, "only this port's, e.g. COM3")->type_name("PORT");
  history->add_flag("--json", json, "as JSON");
  Examples(history, "  travex-cli history\n  travex-cli history --port COM3 --json");

  CLI::App* search = app.add_subcommand(
      "search", "find the logger's baud rate and address, and its firmware version");
  AddPortOptions(search, &ports, true, false);
  Examples(search, "  travex-cli search --port COM3\n  travex-cli search --port /dev/ttyUSB0");

  CLI::App* read = app.add_subcommand("read", "read all settings into a parameter file");
  AddPortOptions(read, &ports, true, true);
  read->add_option("-o,--output", output,
                   "the file (.ini or .json); with several ports a folder or a name with "
                   "{port}; default: TRAVEXyyyymmdd_hhmm_COMn.ini here, with _2, _3 ... "
                   "rather than replacing a file")
      ->type_name("FILE");
  Examples(read,
           "  travex-cli read --port COM3 -o master.ini\n"
           "  travex-cli read --port COM3,COM4 -o backups/    (one file per logger)");

  CLI::App* write_cmd = app.add_subcommand("write", "write all settings from a parameter file");
  AddPortOptions(write_cmd, &ports, true, true);
  write_cmd->add_option("FILE", write.file, "parameter file, .ini or .json")->required();
  write_cmd
      ->add_option("--clock", write.clock,
                   "the clock to write: keep (the file's), now (this PC's local time) or "
                   "YYYY-MM-DDTHH:MM:SS; default: keep")
      ->type_name("WHEN");
  write_cmd->add_flag("--backup", write.backup,
                      "read the logger in full first and keep its settings in the history");
  write_cmd->add_flag("--verify", write.verify,
                      "read everything back and fail if the logger holds anything else");
  Examples(write_cmd,
           "  travex-cli write --port COM3 master.ini --clock now --verify\n"
           "  travex-cli write --port COM4,COM5 --baud 9600 master.json");

  CLI::App* show = app.add_subcommand("show", "every setting by name, from a file or a logger");
  show->add_option("FILE", files, "parameter file, .ini or .json")->expected(0, 1);
  AddPortOptions(show, &ports, false, true);
  show->add_flag("--json", json, "as JSON");
  Examples(show, "  travex-cli show master.ini\n  travex-cli show --port COM3 --json");

  CLI::App* diff_cmd = app.add_subcommand(
      "diff",
      "the settings in which exactly two sources differ: two files, or a file and --port "
      "(each logger compared with the file)");
  diff_cmd->add_option("FILES", files, "two parameter files, or one with --port")
      ->expected(1, 2)
      ->required();
  AddPortOptions(diff_cmd, &ports, false, true);
  diff_cmd->add_flag("--device-time", device_time, "compare the clock too");
  diff_cmd->add_flag("--hidden-bytes", diff.hidden_bytes,
                     "also texts that differ only in bytes behind their end");
  Examples(diff_cmd,
           "  travex-cli diff old.ini new.json\n"
           "  travex-cli diff master.ini --port COM3 && echo unchanged");

  CLI::App* convert = app.add_subcommand("convert", "INI to JSON or JSON to INI");
  std::string convert_in;
  std::string convert_out;
  convert->add_option("IN", convert_in, "file to read, .ini or .json")->required();
  convert->add_option("OUT", convert_out, "file to write, .json or .ini")->required();
  Examples(convert, "  travex-cli convert master.ini master.json");

  CLI::App* set_time = app.add_subcommand("set-time", "set the logger's clock only");
  AddPortOptions(set_time, &ports, true, true);
  set_time->add_option("WHEN", value, "now, or YYYY-MM-DDTHH:MM:SS")->required();
  Examples(set_time,
           "  travex-cli set-time --port COM3 now\n"
           "  travex-cli set-time --port COM3 2030-01-02T03:04:05");
  CLI::App* set_address = app.add_subcommand("set-address", "give the logger a new address");
  AddPortOptions(set_address, &ports, true, true);
  set_address->add_option("ADDRESS", value, LinkAddressesText())->required();
  Examples(set_address, "  travex-cli set-address --port COM3 7");
  CLI::App* set_baud = app.add_subcommand("set-baud", "give the logger a new baud rate");
  AddPortOptions(set_baud, &ports, true, true);
  set_baud->add_option("RATE", value, LinkSetRatesText())->required();
  Examples(set_baud, "  travex-cli set-baud --port COM3 4800");

  for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    command->fallthrough();
  }

  const auto usage = [](const std::string& text) {
    std::fprintf(stderr, "travex-cli: %s\nRun with --help for more information.\n", text.c_str());
    return kExitUsage;
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() != 0) {
      if (const std::string unknown = UnknownArgument(app); !unknown.empty()) {
        return usage(unknown);
      }
    }
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "travex-cli: %s\n", e.what());
    return kExitUsage;
  }

  if (ports.baud != 0 && !ValidLinkRate(ports.baud)) {
    return usage("--baud " + std::to_string(ports.baud) + ": not one of the rates " +
                 LinkRatesText());
  }
  if (show->parsed() && files.empty() == ports.ports.empty()) {
    return usage("show takes either a FILE or --port");
  }
  if (diff_cmd->parsed() && (files.size() == 2) != ports.ports.empty()) {
    return usage("diff takes exactly two sources: two files, or one file and --port");
  }

  CProgressBoard board(stdout, stderr, !quiet && isatty(STDERR_FILENO) != 0);
  CTraceFile trace;
  if (!trace_path.empty()) {
    std::string error;
    if (!trace.Open(trace_path, &error)) {
      std::fprintf(stderr, "travex-cli: --trace %s: %s\n", trace_path.c_str(), error.c_str());
      return kExitFile;
    }
  }
  CommandEnv env;
  env.quiet = quiet;
  env.stop = stop;
  env.board = &board;
  env.trace = trace.IsOpen() ? &trace : nullptr;
  env.state_folder = DefaultStateFolder();
  env.history.folder = DefaultHistoryFolder();
  diff.device_time = device_time;

  try {
    if (ports_cmd->parsed()) return CmdPorts(env, json);
    if (history->parsed()) return CmdHistory(env, history_port, json);
    if (search->parsed()) return CmdSearch(env, ports);
    if (read->parsed()) return CmdRead(env, ports, output);
    if (write_cmd->parsed()) return CmdWrite(env, ports, write);
    if (show->parsed()) return CmdShow(env, ports, files.empty() ? "" : files[0], json);
    if (diff_cmd->parsed()) return CmdDiff(env, ports, files, diff);
    if (convert->parsed()) return CmdConvert(env, convert_in, convert_out);
    if (set_time->parsed()) return CmdSetTime(env, ports, value);
    if (set_address->parsed()) return CmdSetAddress(env, ports, value);
    if (set_baud->parsed()) return CmdSetBaud(env, ports, value);
  } catch (const std::exception& e) {
    // Nothing below throws by design; a library that does (out of memory) ends here.
    std::fprintf(stderr, "travex-cli: %s\n", e.what());
    return kExitFile;
  }
  return kExitUsage;
}

}  // namespace travex::cli
