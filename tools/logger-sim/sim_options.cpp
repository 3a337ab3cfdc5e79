#include "sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "params/value_lists.h"

namespace travex::sim {
namespace {

// Strict unsigned number: decimal, or hexadecimal with 0x; nothing else around it.
bool ParseNumber(std::string_view text, uint64_t max, uint64_t* value) {
  if (text.empty() || text.size() > 20 || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
    return false;
  }
  char buffer[24];
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = 0;
  errno = 0;
  char* end = nullptr;
  const int base = (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 16 : 10;
  const unsigned long long v = std::strtoull(buffer, &end, base);
  if (errno != 0 || end == buffer || *end != 0 || v > max) return false;
  *value = v;
  return true;
}

// The link rates as the options name them: "2400 4800 ... 115200".
std::string LinkRatesText() {
  std::string text;
  for (const ValueEntry& rate : kBaudRateList) {
    if (!text.empty()) text += ' ';
    text += rate.text;
  }
  return text;
}

}  // namespace

std::string UsageText() {
  return "usage: travex-logger-sim [options]\n"
         "Plays the data logger on a pseudo-terminal registered as a COM port.\n"
         "\n"
         "  --port-dir DIR      port directory for the comN link (default: the tool's own)\n"
         "  --com N             COM number 1..64 (default: the first free one)\n"
         "  --baud RATE         link rate: " + LinkRatesText() + "\n"
         "                      (default 9600)\n"
         "  --address A         device address 1..255 (default 1)\n"
         "  --fw VERSION        firmware version reported as item 9: 0x0102 (hex with 0x) or a\n"
         "                      decimal number; 0 for none (default 0x0102)\n"
         "  --state FILE        load the parameter image from FILE when it exists; save it after\n"
         "                      every accepted write and at exit\n"
         "  --demo              start from a demonstration image (a --state file that exists\n"
         "                      takes precedence)\n"
         "  --log FILE          append every frame received and sent to FILE\n"
         "  --no-pacing         take in requests and send replies at once instead of at the\n"
         "                      line's rate (10 bit times a byte)\n"
         "  --turnaround MS     time from the last byte of a request to the first byte of its\n"
         "                      reply, as a real logger takes to answer (default 0)\n"
         "  --hold-clock        the device clock stands still at the image's time (or the\n"
         "                      time last written), so that every read gives the same image\n"
         "\n"
         "Fault injection (replies are counted from 1, link and parameter replies alike):\n"
         "  --silent-after N    answer only the first N parameter requests\n"
         "  --bad-crc K         spoil the CRC of the K-th reply\n"
         "  --bad-start K       spoil the start byte of the K-th reply (CRC kept valid)\n"
         "  --split MS          send every reply in two parts MS milliseconds apart\n"
         "  --split-at BYTES    size of the first part (default: half the reply)\n"
         "  --delay MS          answer MS milliseconds late: the same setting as --turnaround\n"
         "  --overlong-text     read answers carry every text twice as long as its field\n"
         "\n"
         "When ready it prints one line \"COMn <device>\". SIGINT or SIGTERM ends it.\n"
         "\n"
         "While it runs it holds a lock on .comN.lock beside its link. A link to a\n"
         "pseudo-terminal whose lock nobody holds was left by a logger that died and is replaced\n"
         "(the terminal it names is never opened); links to anything else are the user's and are\n"
         "never touched.\n"
         "\n"
         "--help prints this text, --version the version.\n";
}

bool ParseOptions(int argc, char** argv, SimOptions* options, std::string* error) {
  SimOptions o;
  bool turnaround_given = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view value;
    bool has_inline_value = false;
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string_view::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      has_inline_value = true;
    }
    auto take_value = [&](std::string_view* out) {
      if (has_inline_value) {
        *out = value;
        return true;
      }
      if (i + 1 >= argc) {
        *error = std::string(arg) + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    auto take_number = [&](uint64_t max, uint64_t* out) {
      std::string_view text;
      if (!take_value(&text)) return false;
      if (!ParseNumber(text, max, out)) {
        *error = "bad value for " + std::string(arg) + ": '" + std::string(text) + "'";
        return false;
      }
      return true;
    };
    auto no_value = [&]() {
      if (has_inline_value) {
        *error = std::string(arg) + " takes no value";
        return false;
      }
      return true;
    };

    uint64_t n = 0;
    if (arg == "--help" || arg == "-h") {
      o.show_help = true;
    } else if (arg == "--version") {
      o.show_version = true;
    } else if (arg == "--port-dir") {
      std::string_view text;
      if (!take_value(&text)) return false;
      if (text.empty()) {
        *error = "--port-dir needs a directory";
        return false;
      }
      o.port_dir = std::string(text);
    } else if (arg == "--com") {
      if (!take_number(64, &n)) return false;
      if (n == 0) {
        *error = "--com must be 1..64";
        return false;
      }
      o.com_number = static_cast<unsigned>(n);
    } else if (arg == "--baud") {
      if (!take_number(0xFFFFFFFFu, &n)) return false;
      if (LinkCodeOfBaud(static_cast<uint32_t>(n)) == 0) {
        *error = "--baud must be one of the link rates " + LinkRatesText();
        return false;
      }
      o.baud = static_cast<uint32_t>(n);
    } else if (arg == "--address") {
      if (!take_number(255, &n)) return false;
      if (n == 0) {
        *error = "--address must be 1..255";
        return false;
      }
      o.address = static_cast<uint8_t>(n);
    } else if (arg == "--fw") {
      if (!take_number(0xFFFF, &n)) return false;
      o.fw_version = static_cast<uint16_t>(n);
    } else if (arg == "--state") {
      std::string_view text;
      if (!take_value(&text)) return false;
      o.state_file = std::string(text);
    } else if (arg == "--log") {
      std::string_view text;
      if (!take_value(&text)) return false;
      o.log_file = std::string(text);
    } else if (arg == "--demo") {
      if (!no_value()) return false;
      o.demo = true;
    } else if (arg == "--no-pacing") {
      if (!no_value()) return false;
      o.pacing = false;
    } else if (arg == "--silent-after") {
      if (!take_number(0xFFFFFFFFu, &n)) return false;
      o.silent_after_set = true;
      o.silent_after = static_cast<uint32_t>(n);
    } else if (arg == "--bad-crc" || arg == "--bad-start") {
      if (!take_number(0xFFFFFFFFu, &n)) return false;
      if (n == 0) {
        *error = std::string(arg) + " counts replies from 1";
        return false;
      }
      (arg == "--bad-crc" ? o.bad_crc_reply : o.bad_start_reply) = static_cast<uint32_t>(n);
    } else if (arg == "--split") {
      if (!take_number(600000, &n)) return false;
      o.split = true;
      o.split_ms = static_cast<uint32_t>(n);
    } else if (arg == "--split-at") {
      if (!take_number(65535, &n)) return false;
      if (n == 0) {
        *error = "--split-at must be at least 1";
        return false;
      }
      o.split_at = static_cast<uint32_t>(n);
    } else if (arg == "--turnaround" || arg == "--delay") {
      if (!take_number(600000, &n)) return false;
      if (turnaround_given && o.turnaround_ms != n) {
        *error = "--turnaround and --delay set the same time; give it once";
        return false;
      }
      turnaround_given = true;
      o.turnaround_ms = static_cast<uint32_t>(n);
    } else if (arg == "--hold-clock") {
      if (!no_value()) return false;
      o.hold_clock = true;
    } else if (arg == "--overlong-text") {
      if (!no_value()) return false;
      o.overlong_text = true;
    } else {
      *error = "unknown option '" + std::string(argv[i]) + "'";
      return false;
    }
  }
  if (o.split_at != 0 && !o.split) {
    *error = "--split-at needs --split";
    return false;
  }
  *options = o;
  return true;
}

}  // namespace travex::sim
