#include "cli/command_parts.h"

#include <algorithm>

#include "cli/param_io.h"

namespace travex::cli {

int Fail(CommandEnv& env, const Outcome& outcome) {
  env.board->PrintErr("travex-cli: " + outcome.message + "\n");
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

std::string CountText(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool ReadLoggerInto(CLoggerLink& link, const std::string& no_version_warning, PortReport* report,
                    bool* coefficients, std::stop_token stop) {
  link.SetImage(DefaultImage());
  report->outcome = link.RunAll(BulkRun::kRead, coefficients, stop);
  if (!report->outcome.ok()) return false;
  if (!*coefficients) report->warnings.push_back(no_version_warning);
  return true;
}

void AlignUnread(const ParamImage& reference, bool coefficients, ParamImage* read) {
  read->base.reserved = reference.base.reserved;
  if (!coefficients) std::copy(std::begin(reference.coef), std::end(reference.coef), read->coef);
}

}  // namespace travex::cli
