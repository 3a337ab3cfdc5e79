// Running one command's job on every port at once: one thread per port, one result line per
// logger and, for several, a summary that names each failure with its reason.
#pragma once

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/logger_link.h"
#include "cli/port_list.h"

namespace travex::cli {

// What one port's job ended with.
struct PortReport {
  Outcome outcome;
  std::string line;                   // the result line on success (the port is put before it)
  std::vector<std::string> warnings;  // printed whatever the outcome
  std::string data;                   // printed after every port has finished, in port order
};

// The job of port `index` of the command's ports.
using PortJob = std::function<PortReport(CLoggerLink& link, size_t index, std::stop_token stop)>;

// How the ports' data reach standard output: each report's data in port order, unless the
// command joins them itself. Commands whose output is data put the summary on standard error.
struct DataOutput {
  std::function<std::string(const std::vector<PortReport>&)> join;
  bool data_command = false;
};

// Runs the job on every usable port at once, after connecting to its logger; a port that
// cannot be used gets its problem as its result. The exit status is the highest of the
// ports' (so a cancel or a failure outweighs a difference).
int RunOnPorts(CommandEnv& env, const std::string& verb, const std::vector<PortRef>& ports,
               const PortOptions& options, const PortJob& job, const DataOutput& output = {});

// The summary of several ports: "write: 3 loggers, 1 ok, 2 failed: COM9 (no such port ...);
// COM5 (the logger did not answer ...)". Only the first line of a reason is repeated.
std::string SummaryLine(const std::string& verb, const std::vector<PortRef>& ports,
                        const std::vector<Outcome>& outcomes);

}  // namespace travex::cli
