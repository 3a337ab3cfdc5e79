// travex-cli show, diff and convert: images from files and loggers, for people and for scripts.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/cli_texts.h"
#include "cli/command_parts.h"
#include "cli/param_io.h"
#include "paramfile/image_json.h"

namespace travex::cli {
namespace {

// The image as `show` prints it: a table of fields, or the JSON document.
Outcome RenderImage(const ParamImage& image, bool json, std::string* text) {
  if (!json) {
    *text = ShowImage(image);
    return {};
  }
  const JsonResult result = ImageToJson(image, text);
  if (!result.ok) return Failure(kExitFile, JsonRefusalText(result));
  *text += "\n";
  return {};
}

// Several ports' documents as one: an object by COM name.
std::string JoinDocuments(const std::vector<PortRef>& ports,
                          const std::vector<PortReport>& reports) {
  if (std::all_of(reports.begin(), reports.end(),
                  [](const PortReport& r) { return r.data.empty(); })) {
    return {};
  }
  std::string text = "{";
  const char* separator = "\n";
  for (size_t i = 0; i < reports.size(); ++i) {
    if (reports[i].data.empty()) continue;
    text += separator + nlohmann::json(ports[i].name).dump() + ": " + reports[i].data;
    while (text.back() == '\n') text.pop_back();
    separator = ",\n";
  }
  return text + "\n}\n";
}

}  // namespace

int CmdShow(CommandEnv& env, const PortOptions& options, const std::string& file, bool json) {
  if (!file.empty()) {
    ParamImage image{};
    if (Outcome o = LoadImageFile(file, &image); !o.ok()) return Fail(env, o);
    std::string text;
    if (Outcome o = RenderImage(image, json, &text); !o.ok()) return Fail(env, o);
    env.board->PrintOut(text);
    return kExitOk;
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  const bool several = ports.size() > 1;
  DataOutput output;
  output.data_command = true;
  if (json && several) {
    output.join = [&ports](const std::vector<PortReport>& reports) {
      return JoinDocuments(ports, reports);
    };
  }
  return RunOnPorts(
      env, "show", ports, options,
      [&](CLoggerLink& link, size_t, std::stop_token stop) {
        PortReport report;
        bool coefficients = false;
        if (!ReadLoggerInto(link,
                            "the logger reports no firmware version: the coefficients shown are "
                            "defaults",
                            &report, &coefficients, stop)) {
          return report;
        }
        report.outcome = RenderImage(link.Image(), json, &report.data);
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
        bool coefficients = false;
        if (!ReadLoggerInto(link,
                            "the logger reports no firmware version: the coefficients were not "
                            "compared",
                            &report, &coefficients, stop)) {
          return report;
        }
        ParamImage held = link.Image();
        AlignUnread(before, coefficients, &held);
        const std::vector<FieldChange> changes = DiffImages(before, held, diff);
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

}  // namespace travex::cli
