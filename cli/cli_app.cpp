#include "cli/cli_app.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "travex_version.h"

namespace travex::cli {
namespace {

constexpr const char* kDescription =
    "travex-cli: reads and writes the settings of data loggers on serial lines, for scripts.\n"
    "Ports are COM names of the port map (COM3) or device paths (/dev/ttyUSB0); several\n"
    "(--port COM3,COM4 or --port repeated) are served in parallel.";

constexpr const char* kFooter =
    "Exit status: 0 ok; 1 differences (diff, write --verify); 2 usage; 3 file cannot be read\n"
    "or written, damaged or refused; 4 port unknown or cannot be opened; 5 the logger did not\n"
    "answer, timed out, was disconnected or rejected a request; 6 the logger reports another\n"
    "address than --address; 130 interrupted. With several ports: the highest of them.";

void AddPortOptions(CLI::App* command, PortOptions* ports, bool required, bool connect) {
  CLI::Option* port =
      command
          ->add_option("-p,--port", ports->ports,
                       "logger's port: COM3, /dev/ttyUSB0; repeat it or separate with commas "
                       "for several loggers in parallel")
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
                   "go on only when the logger reports this address (1 to 255)")
      ->check(CLI::Range(1u, 255u))
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

  CLI::App* search = app.add_subcommand(
      "search", "find the logger's baud rate and address, and its firmware version");
  AddPortOptions(search, &ports, true, false);

  CLI::App* read = app.add_subcommand("read", "read all settings into a parameter file");
  AddPortOptions(read, &ports, true, true);
  read->add_option("-o,--output", output,
                   "the file (.ini or .json); with several ports a folder or a name with "
                   "{port}; default: TRAVEXyyyymmdd_hhmm.ini here")
      ->type_name("FILE");

  CLI::App* write_cmd = app.add_subcommand("write", "write all settings from a parameter file");
  AddPortOptions(write_cmd, &ports, true, true);
  write_cmd->add_option("FILE", write.file, "parameter file, .ini or .json")->required();
  write_cmd
      ->add_option("--clock", write.clock,
                   "the clock to write: keep (the file's), now (this PC's local time) or "
                   "YYYY-MM-DDTHH:MM:SS")
      ->type_name("WHEN");
  write_cmd->add_flag("--verify", write.verify,
                      "read everything back and fail if the logger holds anything else");

  CLI::App* show = app.add_subcommand("show", "every setting by name, from a file or a logger");
  show->add_option("FILE", files, "parameter file, .ini or .json")->expected(0, 1);
  AddPortOptions(show, &ports, false, true);
  show->add_flag("--json", json, "as JSON");

  CLI::App* diff_cmd =
      app.add_subcommand("diff", "the settings in which two files, or a file and loggers, differ");
  diff_cmd->add_option("FILES", files, "one or two parameter files")->expected(1, 2)->required();
  AddPortOptions(diff_cmd, &ports, false, true);
  diff_cmd->add_flag("--device-time", device_time, "compare the clock too");
  diff_cmd->add_flag("--hidden-bytes", diff.hidden_bytes,
                     "also texts that differ only in bytes behind their end");

  CLI::App* convert = app.add_subcommand("convert", "INI to JSON or JSON to INI");
  std::string convert_in;
  std::string convert_out;
  convert->add_option("IN", convert_in, "file to read, .ini or .json")->required();
  convert->add_option("OUT", convert_out, "file to write, .json or .ini")->required();

  CLI::App* set_time = app.add_subcommand("set-time", "set the logger's clock only");
  AddPortOptions(set_time, &ports, true, true);
  set_time->add_option("WHEN", value, "now, or YYYY-MM-DDTHH:MM:SS")->required();
  CLI::App* set_address = app.add_subcommand("set-address", "give the logger a new address");
  AddPortOptions(set_address, &ports, true, true);
  set_address->add_option("ADDRESS", value, "1 to 255")->required();
  CLI::App* set_baud = app.add_subcommand("set-baud", "give the logger a new baud rate");
  AddPortOptions(set_baud, &ports, true, true);
  set_baud->add_option("RATE", value, "2400, 4800 or 9600 (or the codes 1 to 3)")->required();

  for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    command->fallthrough();
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "travex-cli: %s\n", e.what());
    return kExitUsage;
  }

  const auto usage = [](const std::string& text) {
    std::fprintf(stderr, "travex-cli: %s\nRun with --help for more information.\n", text.c_str());
    return kExitUsage;
  };
  if (ports.baud != 0 && !ValidLinkRate(ports.baud)) {
    return usage("--baud " + std::to_string(ports.baud) +
                 ": not one of the rates 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, "
                 "115200");
  }
  if (show->parsed() && files.empty() == ports.ports.empty()) {
    return usage("show takes either a FILE or --port");
  }
  if (diff_cmd->parsed() && (files.size() == 2) != ports.ports.empty()) {
    return usage("diff takes two files, or one file and --port");
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
  diff.device_time = device_time;

  try {
    if (ports_cmd->parsed()) return CmdPorts(env, json);
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
