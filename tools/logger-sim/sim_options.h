// Command line of the simulated logger.
#pragma once

#include <cstdint>
#include <string>

namespace travex::sim {

struct SimOptions {
  std::string port_dir;        // empty: the tool's own port directory
  unsigned com_number = 0;     // 0: the first free number
  uint32_t baud = 9600;        // one of the nine link rates
  uint8_t address = 1;         // 1..255
  uint16_t fw_version = 0x0102;
  std::string state_file;      // empty: the image lives in memory only
  bool demo = false;
  std::string log_file;        // empty: no frame log
  bool pacing = true;          // take in requests and send replies at the line's byte rate
  uint32_t turnaround_ms = 0;  // from a request's last byte to its reply's first byte
  bool hold_clock = false;     // the device clock does not run (reads give the same image)

  // Fault injection. 0 disables the count-based faults.
  bool silent_after_set = false;
  uint32_t silent_after = 0;   // answer this many parameter requests, then none
  uint32_t bad_crc_reply = 0;  // 1-based number of the reply whose CRC is spoiled
  uint32_t bad_start_reply = 0;
  bool split = false;
  uint32_t split_ms = 0;       // gap between the two parts of every reply
  uint32_t split_at = 0;       // bytes in the first part; 0: half the reply
  bool overlong_text = false;  // read answers carry texts longer than their fields

  bool show_help = false;
  bool show_version = false;
};

// Parses argv[1..argc-1]. On failure returns false and describes the problem in *error.
bool ParseOptions(int argc, char** argv, SimOptions* options, std::string* error);

// The usage text printed by --help.
std::string UsageText();

}  // namespace travex::sim
