// Line settings of a terminal device through the kernel's termios2 interface, which takes any
// bit rate (14400 and 56000 included), not only the classic Bnnn constants. Kept apart from
// <termios.h>: the kernel's termios header and the C library's one cannot meet in one file.
#pragma once

#include <cstdint>

namespace travex {

struct LineSettings {
  uint32_t baud_rate = 0;
  uint8_t byte_size = 8;    // 5..8
  uint8_t parity_mode = 0;  // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t stop_bits = 0;    // 0 one, 1 one and a half, 2 two
};

// Puts fd into raw binary mode with the given character format and rate: no echo, no canonical
// mode, no signals, no software flow control, no byte translation, receiver on, carrier
// ignored. Hardware flow control, hang-up on close and the modem lines stay as the driver had
// them. Returns 0, or the errno why the device or the values were refused (EINVAL for values
// outside the ranges above or a rate of 0).
int ApplyLineSettings(int fd, const LineSettings& settings);

// Output bit rate of the terminal behind fd. On the master side of a pseudo-terminal this is
// the rate the slave side set. False when fd is not a terminal.
bool ReadLineSpeed(int fd, uint32_t& baud_rate);

// Discards the driver's input queue (input true), output queue (output true) or both.
// Returns 0 or errno.
int FlushQueues(int fd, bool input, bool output);

}  // namespace travex
