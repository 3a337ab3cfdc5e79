#include "cli/port_jobs.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "cli/cli_texts.h"
#include "cli/rate_memory.h"

namespace travex::cli {
namespace {

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// The job on one port: its report, with the port closed and its lock released.
PortReport ServePort(CommandEnv& env, const PortRef& port, const ConnectOptions& connect,
                     const PortJob& job, size_t index) {
  PortReport report;
  if (!port.problem.ok()) {
    report.outcome = port.problem;
    return report;
  }
  std::unique_ptr<CPortTrace> sink;
  if (env.trace != nullptr) sink = std::make_unique<CPortTrace>(*env.trace, port.name);
  CLoggerLink link(port, sink.get(), env.board, index, env.history);
  ConnectOptions options = connect;
  if (options.baud == 0) options.remembered_rate = RememberedRate(env.state_folder, port.name);
  report.outcome = link.Connect(options, env.stop);
  if (report.outcome.ok() && options.baud == 0) RememberRate(env.state_folder, port.name, link.baud());
  if (report.outcome.ok()) report = job(link, index, env.stop);
  // Said once for the session, whatever the job made of it.
  if (const std::string problem = link.HistoryProblem(); !problem.empty()) {
    report.warnings.push_back(HistoryProblemText(problem));
  }
  return report;
}

}  // namespace

std::string SummaryLine(const std::string& verb, const std::vector<PortRef>& ports,
                        const std::vector<Outcome>& outcomes) {
  size_t ok = 0;
  std::vector<std::string> different;  // for diff and --verify
  std::vector<std::string> failed;
  for (size_t i = 0; i < ports.size(); ++i) {
    const Outcome& o = outcomes[i];
    if (o.ok()) {
      ++ok;
    } else if (o.code == kExitDifferent) {
      different.push_back(ports[i].name);
    } else {
      failed.push_back(ports[i].name +
                       (o.message.empty() ? "" : " (" + FirstLine(o.message) + ")"));
    }
  }
  const auto listed = [](const std::vector<std::string>& group, const char* what,
                         const char* separator) {
    if (group.empty()) return std::string();
    std::string text = ", " + std::to_string(group.size()) + " " + what + ":";
    for (size_t k = 0; k < group.size(); ++k) text += (k == 0 ? " " : separator) + group[k];
    return text;
  };
  return verb + ": " + std::to_string(ports.size()) + " loggers, " + std::to_string(ok) + " ok" +
         listed(different, "different", ", ") + listed(failed, "failed", "; ");
}

int RunOnPorts(CommandEnv& env, const std::string& verb, const std::vector<PortRef>& ports,
               const PortOptions& options, const PortJob& job, const DataOutput& output) {
  std::vector<std::string> names;
  for (const PortRef& p : ports) names.push_back(p.name);
  env.board->Start(names);

  std::vector<PortReport> reports(ports.size());
  const ConnectOptions connect{options.baud, options.address};
  {
    std::vector<std::jthread> threads;
    threads.reserve(ports.size());
    for (size_t i = 0; i < ports.size(); ++i) {
      threads.emplace_back([&, i] {
        const PortRef& port = ports[i];
        PortReport report = ServePort(env, port, connect, job, i);
        env.board->SetDone(i);
        const std::string label = port.Label() + ": ";
        for (const std::string& w : report.warnings)
          env.board->PrintErr(label + "warning: " + w + "\n");
        if (!report.outcome.ok() && !report.outcome.message.empty()) {
          env.board->PrintErr(label + report.outcome.message + "\n");
        } else if (report.outcome.ok() && !report.line.empty() && !env.quiet) {
          env.board->PrintOut(label + report.line + "\n");
        }
        reports[i] = std::move(report);
      });
    }
  }  // every thread joined
  env.board->Finish();

  if (output.join) {
    env.board->PrintOut(output.join(reports));
  } else {
    for (const PortReport& r : reports) env.board->PrintOut(r.data);
  }
  int code = kExitOk;
  std::vector<Outcome> outcomes;
  for (const PortReport& r : reports) {
    code = std::max(code, r.outcome.code);
    outcomes.push_back(r.outcome);
  }
  if (ports.size() > 1 && !env.quiet) {
    const std::string summary = SummaryLine(verb, ports, outcomes) + "\n";
    if (output.data_command) {
      env.board->PrintErr(summary);
    } else {
      env.board->PrintOut(summary);
    }
  }
  return code;
}

}  // namespace travex::cli
