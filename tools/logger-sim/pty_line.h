// What the tool's side of the pseudo-terminal is set to. On Linux the termios requests on the
// master side act on the slave's settings, so the logger "hears" the line the way the tool
// configured it.
#pragma once

#include <cstdint>

namespace travex::sim {

struct PtyLineState {
  bool valid = false;      // the settings could be read
  uint32_t out_baud = 0;   // output (transmit) rate of the tool's side, bit/s
  uint32_t in_baud = 0;    // input rate; equals out_baud when the input rate follows it
  bool eight_n_one = false;  // 8 data bits, no parity, one stop bit
  bool raw = false;          // no echo, no canonical mode, no signals, no byte translation
};

// Reads the settings of the terminal behind fd (the master, or a slave descriptor).
PtyLineState ReadPtyLine(int fd);

// True when a logger running at `baud` understands the tool: same rate both ways, 8-N-1, raw.
bool LineMatches(const PtyLineState& line, uint32_t baud);

// Puts the slave side into a plain raw state at `baud` once at start, so that nothing is
// echoed or translated before the tool first configures the port.
bool InitPtyLine(int fd, uint32_t baud);

}  // namespace travex::sim
