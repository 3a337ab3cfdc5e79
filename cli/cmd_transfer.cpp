// travex-cli search, read and write: finding loggers and moving whole images.
#include "cli/clock_choice.h"
#include "cli/cli_texts.h"
#include "cli/command_parts.h"
#include "cli/output_names.h"
#include "cli/param_io.h"
#include "params/block_table.h"

namespace travex::cli {
namespace {

std::string BlocksText(uint16_t fw_version) {
  return CountText(RunStepCount(fw_version), "block", "blocks");
}

// Reads the written image back and compares it with what was sent: a failure names every
// field the logger holds otherwise.
Outcome VerifyWrite(CLoggerLink& link, const ParamImage& sent, bool coefficients,
                    std::stop_token stop) {
  link.SetImage(DefaultImage());
  bool read_coefficients = false;
  Outcome outcome = link.RunAll(BulkRun::kRead, &read_coefficients, stop);
  if (!outcome.ok()) {
    outcome.message = "written, but the read-back failed: " + outcome.message;
    return outcome;
  }
  ParamImage back = link.Image();
  AlignUnread(sent, coefficients && read_coefficients, &back);
  DiffOptions diff;
  diff.device_time = false;
  const std::vector<FieldChange> changes = DiffImages(sent, back, diff);
  if (changes.empty()) return {};
  outcome = Failure(kExitDifferent,
                    "verify failed: the logger holds " + CountText(changes.size(), "field", "fields") +
                        " other than sent (sent -> held):\n" + Indent(FormatChanges(changes)));
  outcome.message.pop_back();
  return outcome;
}

// Reads the whole logger and keeps its image in the history before anything is written: no
// write without the backup asked for.
Outcome KeepBackup(CLoggerLink& link, std::string* path, std::stop_token stop) {
  bool coefficients = false;
  Outcome outcome = link.RunAll(BulkRun::kRead, &coefficients, stop);
  if (!outcome.ok()) {
    outcome.message = "nothing written: the backup read failed: " + outcome.message;
    return outcome;
  }
  *path = link.HistoryPath(HistoryKind::kRead);
  if (path->empty()) {
    return Failure(kExitFile, "nothing written: the backup could not be kept: " +
                                  link.HistoryProblem());
  }
  return {};
}

}  // namespace

int CmdSearch(CommandEnv& env, const PortOptions& ports) {
  std::vector<PortRef> refs;
  if (Outcome o = ResolvePorts(ports.ports, &refs); !o.ok()) return Fail(env, o);
  return RunOnPorts(env, "search", refs, ports,
                    [](CLoggerLink& link, size_t, std::stop_token stop) {
                      PortReport report;
                      report.outcome = link.ReadVersion(stop);
                      report.line = std::to_string(link.baud()) + " bit/s, address " +
                                    std::to_string(link.address()) + ", firmware " +
                                    VersionText(link.FirmwareVersion());
                      return report;
                    });
}

int CmdRead(CommandEnv& env, const PortOptions& options, const std::string& output) {
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  std::vector<OutputTarget> targets;
  if (Outcome o = PlanOutputs(output, ports, &targets); !o.ok()) return Fail(env, o);
  return RunOnPorts(
      env, "read", ports, options, [&](CLoggerLink& link, size_t index, std::stop_token stop) {
        PortReport report;
        bool coefficients = false;
        if (!ReadLoggerInto(link,
                            "the logger reports no firmware version: its coefficients were not "
                            "read; the file holds the defaults (A 1, B 0)",
                            &report, &coefficients, stop)) {
          return report;
        }
        std::string written;
        report.outcome = SaveToTarget(targets[index], link.Image(), &written);
        const uint16_t version = link.FirmwareVersion();
        report.line = "read " + BlocksText(version) + " into " + written + " (firmware " +
                      VersionText(version) + ")";
        return report;
      });
}

int CmdWrite(CommandEnv& env, const PortOptions& options, const WriteOptions& write) {
  ClockChoice clock;
  if (std::string why; !ParseClock(write.clock, true, &clock, &why)) {
    return Fail(env, Failure(kExitUsage, "--clock " + write.clock + ": " + why));
  }
  ParamImage image{};
  if (Outcome o = LoadImageFile(write.file, &image); !o.ok()) return Fail(env, o);
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  return RunOnPorts(
      env, "write", ports, options, [&](CLoggerLink& link, size_t, std::stop_token stop) {
        PortReport report;
        ParamImage sent = image;
        if (clock.kind == ClockChoice::kNow) sent.base.device_time = LocalClockNow();
        if (clock.kind == ClockChoice::kFixed) sent.base.device_time = clock.seconds;
        std::string backup;
        if (write.backup) {
          report.outcome = KeepBackup(link, &backup, stop);
          if (!report.outcome.ok()) return report;
        }
        link.SetImage(sent);
        // The version decides whether the coefficients go too; asking for it alone leaves
        // the image to be sent as it is.
        report.outcome = link.ReadVersion(stop);
        if (!report.outcome.ok()) return report;
        bool coefficients = false;
        report.outcome = link.RunAll(BulkRun::kWrite, &coefficients, stop);
        if (!report.outcome.ok()) return report;
        if (!coefficients) {
          report.warnings.push_back(
              "the logger reports no firmware version: the coefficients were not written");
        }
        const uint16_t version = link.FirmwareVersion();
        report.line = "wrote " + BlocksText(version) + " from " + write.file + " (firmware " +
                      VersionText(version) + ")";
        // The read-all's image, kept again as what the logger held before this write.
        if (const std::string before = link.HistoryPath(HistoryKind::kBefore); !before.empty()) {
          backup = before;
        }
        if (!backup.empty()) report.line += "; the previous settings are kept in " + backup;
        if (!write.verify) return report;
        report.outcome = VerifyWrite(link, sent, coefficients, stop);
        if (report.outcome.ok()) report.line += ", verified";
        return report;
      });
}

}  // namespace travex::cli
