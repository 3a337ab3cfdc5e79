// travex-cli set-time, set-address and set-baud: one setting of the logger alone.
#include <charconv>

#include "cli/cli_texts.h"
#include "cli/clock_choice.h"
#include "cli/command_parts.h"
#include "params/field_table.h"
#include "params/value_lists.h"

namespace travex::cli {
namespace {

// A whole number written in digits only; false for anything else.
bool ParseDigits(const std::string& text, int64_t* value) {
  constexpr size_t kMaxDigits = 9;
  if (text.empty() || text.size() > kMaxDigits) return false;
  if (text.find_first_not_of("0123456789") != std::string::npos) return false;
  std::from_chars(text.data(), text.data() + text.size(), *value);
  return true;
}

}  // namespace

bool ValidLinkRate(uint32_t baud) { return LinkCodeOfBaud(baud) != 0; }

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
  int64_t address = 0;
  if (!ParseDigits(value, &address) || address < kMinLinkAddress || address > kMaxLinkAddress) {
    return Fail(env, Failure(kExitUsage, value + ": the address must be " + LinkAddressesText()));
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  const LinkRequest request{LinkRequest::Action::kSetAddress, static_cast<uint8_t>(address)};
  return RunOnPorts(
      env, "set-address", ports, options, [&](CLoggerLink& link, size_t, std::stop_token stop) {
        PortReport report;
        report.outcome = link.LinkSet(request, stop);
        if (report.outcome.ok() && link.address() != address) {
          report.outcome = Failure(
              kExitNoAnswer, "the logger answered with address " + std::to_string(link.address()));
        }
        report.line = "address set to " + std::to_string(address);
        return report;
      });
}

int CmdSetBaud(CommandEnv& env, const PortOptions& options, const std::string& value) {
  int64_t number = 0;
  const uint8_t code = ParseDigits(value, &number) ? LinkSetBaudCode(number) : 0;
  if (code == 0) {
    return Fail(env, Failure(kExitUsage, value + ": the baud rate must be " + LinkSetRatesText()));
  }
  std::vector<PortRef> ports;
  if (Outcome o = ResolvePorts(options.ports, &ports); !o.ok()) return Fail(env, o);
  const LinkRequest request{LinkRequest::Action::kSetBaud, code};
  return RunOnPorts(env, "set-baud", ports, options,
                    [&](CLoggerLink& link, size_t, std::stop_token stop) {
                      PortReport report;
                      report.outcome = link.LinkSet(request, stop);
                      report.line = "baud rate set to " + std::to_string(BaudOfLinkCode(code)) +
                                    " bit/s; the logger answers at that rate from now on";
                      return report;
                    });
}

}  // namespace travex::cli
