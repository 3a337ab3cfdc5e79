#include "cli/commands.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/cli_texts.h"
#include "cli/clock_choice.h"
#include "cli/logger_link.h"
#include "cli/output_names.h"
#include "cli/param_io.h"
#include "cli/port_jobs.h"
#include "cli/port_list.h"
#include "paramfile/image_json.h"
#include "paramfile/param_file.h"
#include "params/calendar.h"
#include "params/field_table.h"
#include "protocol/link_codec.h"
#include "serial/port_info.h"
#include "serial/port_map.h"

namespace travex::cli {
namespace {

void PrintError(CommandEnv& env, const std::string& text) {
  env.board->PrintErr("travex-cli: " + text + "\n");
}

int Fail(CommandEnv& env, const Outcome& outcome) {
  PrintError(env, outcome.message);
  return outcome.code;
}

std::string Indent(const std::string& lines) {
  std::string out;
  size_t start = 0;
  while (start < lines.size()) {
    const size_t end = lines.find('\n', start);
    out += "  " + lines.substr(start, end - start) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

// A read-all into a fresh image. Without a firmware version the coefficients are not read
// and keep the defaults (1.0, 0.0), as an imported file without them has them.
Outcome ReadLogger(CLoggerLink& link, CParamStore& store, bool* coefficients,
                   std::stop_token stop) {
  store.image = DefaultImage();
  return link.RunAll(store, BulkRun::kRead, coefficients, stop);
}

// ReadLogger into a port's report: false when the read failed (the outcome says why); a logger
// without a firmware version adds `no_version_warning`, and *coefficients tells which it was.
bool ReadLoggerInto(CLoggerLink& link, CParamStore& store, const std::string& no_version_warning,
                    PortReport* report, bool* coefficients, std::stop_token stop) {
  report->outcome = ReadLogger(link, store, coefficients, stop);
  if (!report->outcome.ok()) return false;
  if (!*coefficients) report->warnings.push_back(no_version_warning);
  return true;
}

// Fields that a read-all cannot bring back are taken from the reference: the reserved byte
// (no item carries it) and, when they were not read, the coefficients.
void AlignUnread(const ParamImage& reference, bool coefficients, ParamImage* read) {
  read->base.reserved = reference.base.reserved;
  if (!coefficients) std::copy(std::begin(reference.coef), std::end(reference.coef), read->coef);
}

std::string CountText(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

bool ValidLinkRate(uint32_t baud) { return CodeOfBaud(baud) != 0; }

int CmdPorts(CommandEnv& env, bool json) {
  const std::vector<ComPortEntry> entries = ListComPorts(1, kMaxComNumber);
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  std::string table;
  bool locked_out = false;
  for (const ComPortEntry& e : entries) {
    const SerialPortInfo info = DescribeSerialPort(e.device);
    locked_out = locked_out || !info.accessible;
    const std::string name = "COM" + std::to_string(e.number);
    if (json) {
      nlohmann::ordered_json item = {{"port", name},
                                     {"device", e.device},
                                     {"driver", info.driver},
                                     {"usb", info.usb},
                                     {"accessible", info.accessible}};
      if (info.usb) {
        item["vendor_id"] = info.vendor_id;
        item["product_id"] = info.product_id;
        item["manufacturer"] = info.manufacturer;
        item["product"] = info.product;
        item["serial"] = info.serial;
      }
      list.push_back(std::move(item));
      continue;
    }
    std::string what = info.driver.empty() ? "-" : info.driver;
    if (info.usb) {
      what += "  " + info.vendor_id + ":" + info.product_id;
      if (!info.manufacturer.empty()) what += " " + info.manufacturer;
      if (!info.product.empty()) what += " " + info.product;
      if (!info.serial.empty()) what += ", S/N " + info.serial;
    }
    char line[512];
    std::snprintf(line, sizeof line, "%-6s %-16s %-7s %s\n", name.c_str(), e.device.c_str(),
                  info.accessible ? "yes" : "no", what.c_str());
    table += line;
  }
  if (json) {
    env.board->PrintOut(list.dump(2) + "\n");
  } else if (entries.empty()) {
    if (!env.quiet)
      env.board->PrintErr("no serial ports (port directory " + PortDirectory() + ")\n");
  } else {
    char heading[128];
    std::snprintf(heading, sizeof heading, "%-6s %-16s %-7s %s\n", "PORT", "DEVICE", "ACCESS",
                  "DRIVER  USB ADAPTER");
    env.board->PrintOut(heading + table);
    if (locked_out && !env.quiet) {
      env.board->PrintErr(
          "ports without access: add the user to the dialout group "
          "(sudo usermod -aG dialout $USER) and log in again\n");
    }
  }
  return kExitOk;
}

int CmdSearch(CommandEnv& env, const PortOptions& ports) {
  std::vector<PortRef> refs;
  if (Outcome o = ResolvePorts(ports.ports, &refs); !o.ok()) return Fail(env, o);
  return RunOnPorts(env, "search", refs, ports,
                    [](CLoggerLink& link, size_t, std::stop_token stop) {
                      PortReport report;
                      CParamStore store;
                      report.outcome = link.ReadVersion(store, stop);
                      report.line = std::to_string(link.baud()) + " bit/s, address " +
                                    std::to_string(link.address()) + ", firmware " +
                                    VersionText(store.fw_version);
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
        CParamStore store;
        bool coefficients = false;
        if (!ReadLoggerInto(link, store,
                            "the logger reports no firmware version: its coefficients were not "
                            "read; the file holds the defaults (A 1, B 0)",
                            &report, &coefficients, stop)) {
          return report;
        }
        std::string written;
        report.outcome = SaveToTarget(targets[index], store.image, &written);
        report.line = "read " + CountText(BulkStepCount(store.fw_version), "block", "blocks") +
                      " into " + written + " (firmware " + VersionText(store.fw_version) + ")";
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
        CParamStore store;
        store.image = image;
        // The version decides whether the coefficients go too; asking only for item 9 leaves the
        // file's settings in the store untouched.
        report.outcome = link.ReadVersion(store, stop);
        if (!report.outcome.ok()) return report;
        if (clock.kind == ClockChoice::kNow) store.image.base.device_time = LocalClockNow();
        if (clock.kind == ClockChoice::kFixed) store.image.base.device_time = clock.seconds;
        const ParamImage sent = store.image;
        bool coefficients = false;
        report.outcome = link.RunAll(store, BulkRun::kWrite, &coefficients, stop);
        if (!report.outcome.ok()) return report;
        if (!coefficients) {
          report.warnings.push_back(
              "the logger reports no firmware version: the coefficients were not written");
        }
        report.line = "wrote " + CountText(BulkStepCount(store.fw_version), "block", "blocks") +
                      " from " + write.file + " (firmware " + VersionText(store.fw_version) + ")";
        if (!write.verify) return report;

        CParamStore back;
        bool read_coefficients = false;
        report.outcome = ReadLogger(link, back, &read_coefficients, stop);
        if (!report.outcome.ok()) {
          report.outcome.message = "written, but the read-back failed: " + report.outcome.message;
          return report;
        }
        AlignUnread(sent, coefficients && read_coefficients, &back.image);
        DiffOptions diff;
        diff.device_time = false;
        const std::vector<FieldChange> changes = DiffImages(sent, back.image, diff);
        if (!changes.empty()) {
          report.outcome = Failure(
              kExitDifferent,
              "verify failed: the logger holds " + CountText(changes.size(), "field", "fields") +
                  " other than sent (sent -> held):\n" + Indent(FormatChanges(changes)));
          report.outcome.message.pop_back();
          return report;
        }
        report.line += ", verified";
        return report;
      });
}

int CmdShow(CommandEnv& env, const PortOptions& options, const std::string& file, bool json) {
  const auto render = [json](const ParamImage& image, std::string* text) -> Outcome {
    if (!json) {
      *text = ShowImage(image);
      return {};
    }
    const JsonResult result = ImageToJson(image, text);
    if (!result.ok) return Failure(kExitFile, JsonRefusalText(result));
    *text += "\n";
    return {};
  };
  if (!file.empty()) {
    ParamImage image{};
    if (Outcome o = LoadImageFile(file, &image); !o.ok()) return Fail(env, o);
    std::string text;
    if (Outcome o = render(image, &text); !o.ok()) return Fail(env, o);
    env.board->PrintOut(text);
    return kExitOk;
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  const bool several = ports.size() > 1;
  DataOutput output;
  output.data_command = true;
  if (json && several) {
    // One document: the ports' documents by COM name.
    output.join = [&ports](const std::vector<PortReport>& reports) {
      std::string text = "{";
      const char* separator = "\n";
      if (std::all_of(reports.begin(), reports.end(),
                      [](const PortReport& r) { return r.data.empty(); })) {
        return std::string();
      }
      for (size_t i = 0; i < reports.size(); ++i) {
        if (reports[i].data.empty()) continue;
        text += separator + nlohmann::json(ports[i].name).dump() + ": " + reports[i].data;
        while (text.back() == '\n') text.pop_back();
        separator = ",\n";
      }
      return text + "\n}\n";
    };
  }
  return RunOnPorts(
      env, "show", ports, options,
      [&](CLoggerLink& link, size_t, std::stop_token stop) {
        PortReport report;
        CParamStore store;
        bool coefficients = false;
        if (!ReadLoggerInto(link, store,
                            "the logger reports no firmware version: the coefficients shown are "
                            "defaults",
                            &report, &coefficients, stop)) {
          return report;
        }
        report.outcome = render(store.image, &report.data);
        // Several tables are told apart by a heading; several documents go into one object.
        if (several && !json) report.data = "# " + link.port().Label() + "\n" + report.data + "\n";
        return report;
      },
      output);
}

int CmdDiff(CommandEnv& env, const PortOptions& options, const std::vector<std::string>& files,
            const DiffOptions& diff) {
  ParamImage before{};
  if (Outcome o = LoadImageFile(files[0], &before); !o.ok()) return Fail(env, o);
  if (files.size() == 2) {
    ParamImage after{};
    if (Outcome o = LoadImageFile(files[1], &after); !o.ok()) return Fail(env, o);
    const std::vector<FieldChange> changes = DiffImages(before, after, diff);
    env.board->PrintOut(FormatChanges(changes));
    return changes.empty() ? kExitOk : kExitDifferent;
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  const bool several = ports.size() > 1;
  DataOutput output;
  output.data_command = true;
  return RunOnPorts(
      env, "diff", ports, options,
      [&](CLoggerLink& link, size_t, std::stop_token stop) {
        PortReport report;
        CParamStore store;
        bool coefficients = false;
        if (!ReadLoggerInto(link, store,
                            "the logger reports no firmware version: the coefficients were not "
                            "compared",
                            &report, &coefficients, stop)) {
          return report;
        }
        AlignUnread(before, coefficients, &store.image);
        const std::vector<FieldChange> changes = DiffImages(before, store.image, diff);
        const std::string text = FormatChanges(changes);
        if (several) {
          report.data =
              link.port().Label() + ": " +
              (changes.empty() ? std::string("equal\n")
                               : CountText(changes.size(), "field differs", "fields differ") +
                                     "\n" + Indent(text));
        } else {
          report.data = text;
        }
        if (!changes.empty()) report.outcome = {kExitDifferent, ""};
        return report;
      },
      output);
}

int CmdConvert(CommandEnv& env, const std::string& in, const std::string& out) {
  FileFormat format = FileFormat::kIni;
  if (Outcome o = FormatOfName(out, &format); !o.ok()) return Fail(env, o);
  ParamImage image{};
  if (Outcome o = LoadImageFile(in, &image); !o.ok()) return Fail(env, o);
  if (Outcome o = SaveImageFile(out, image); !o.ok()) return Fail(env, o);
  if (!env.quiet) env.board->PrintOut("converted " + in + " into " + out + "\n");
  return kExitOk;
}

int CmdSetTime(CommandEnv& env, const PortOptions& options, const std::string& value) {
  ClockChoice clock;
  if (std::string why; !ParseClock(value, false, &clock, &why)) {
    return Fail(env, Failure(kExitUsage, value + ": " + why));
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  return RunOnPorts(
      env, "set-time", ports, options, [&](CLoggerLink& link, size_t, std::stop_token stop) {
        PortReport report;
        const uint32_t seconds = clock.kind == ClockChoice::kNow ? LocalClockNow() : clock.seconds;
        report.outcome = link.WriteClock(seconds, stop);
        report.line = "clock set to " + FormatDeviceTime(seconds);
        return report;
      });
}

int CmdSetAddress(CommandEnv& env, const PortOptions& options, const std::string& value) {
  unsigned address = 0;
  const bool digits = !value.empty() && value.size() <= 3 &&
                      value.find_first_not_of("0123456789") == std::string::npos;
  if (digits) address = static_cast<unsigned>(std::stoul(value));
  if (address < 1 || address > 255) {
    return Fail(env, Failure(kExitUsage, value + ": the address must be 1 to 255"));
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  return RunOnPorts(
      env, "set-address", ports, options, [&](CLoggerLink& link, size_t, std::stop_token stop) {
        PortReport report;
        uint8_t frame[kLinkFrameSize];
        CLinkCodec().BuildSetAddress(frame, static_cast<uint8_t>(address));
        report.outcome = link.LinkSet(frame, stop);
        if (report.outcome.ok() && link.address() != address) {
          report.outcome = Failure(
              kExitNoAnswer, "the logger answered with address " + std::to_string(link.address()));
        }
        report.line = "address set to " + std::to_string(address);
        return report;
      });
}

int CmdSetBaud(CommandEnv& env, const PortOptions& options, const std::string& value) {
  // As the dialog's "设置": the rate or its code, and only the three lowest rates.
  static const std::pair<const char*, uint8_t> kAccepted[] = {{"2400", 1}, {"4800", 2}, {"9600", 3},
                                                              {"1", 1},    {"2", 2},    {"3", 3}};
  uint8_t code = 0;
  for (const auto& [text, c] : kAccepted) {
    if (value == text) code = c;
  }
  if (code == 0) {
    return Fail(env, Failure(kExitUsage, value + ": the baud rate must be 2400, 4800 or 9600 "
                                                 "(or the codes 1 to 3)"));
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  return RunOnPorts(env, "set-baud", ports, options,
                    [&](CLoggerLink& link, size_t, std::stop_token stop) {
                      PortReport report;
                      uint8_t frame[kLinkFrameSize];
                      CLinkCodec().BuildSetBaud(frame, code);
                      report.outcome = link.LinkSet(frame, stop);
                      report.line = "baud rate set to " + std::to_string(BaudOfCode(code)) +
                                    " bit/s; the logger answers at that rate from now on";
                      return report;
                    });
}

}  // namespace travex::cli
