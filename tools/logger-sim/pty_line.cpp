// Uses the kernel's termios2 (any bit rate through BOTHER); this file must not include
// <termios.h>, whose definitions clash with the kernel's.
#include "pty_line.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace travex::sim {
namespace {

uint32_t RateOfCode(tcflag_t code, speed_t other) {
  switch (code) {
    case BOTHER: return other;
    case B0: return 0;
    case B50: return 50;
    case B75: return 75;
    case B110: return 110;
    case B134: return 134;
    case B150: return 150;
    case B200: return 200;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B1800: return 1800;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    case B460800: return 460800;
    case B500000: return 500000;
    case B576000: return 576000;
    case B921600: return 921600;
    case B1000000: return 1000000;
    default: return 0xFFFFFFFFu;  // a rate no logger runs at
  }
}

}  // namespace

PtyLineState ReadPtyLine(int fd) {
  PtyLineState s;
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return s;
  s.valid = true;
  s.out_baud = RateOfCode(t.c_cflag & CBAUD, t.c_ospeed);
  const tcflag_t in_code = (t.c_cflag >> IBSHIFT) & CBAUD;
  s.in_baud = in_code == B0 ? s.out_baud : RateOfCode(in_code, t.c_ispeed);
  s.eight_n_one = (t.c_cflag & CSIZE) == CS8 && (t.c_cflag & (PARENB | CSTOPB)) == 0;
  s.raw = (t.c_iflag & (ISTRIP | INLCR | IGNCR | ICRNL | IXON | PARMRK)) == 0 &&
          (t.c_oflag & OPOST) == 0 &&
          (t.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN)) == 0;
  return s;
}

bool LineMatches(const PtyLineState& line, uint32_t baud) {
  return line.valid && line.out_baud == baud && line.in_baud == baud && line.eight_n_one &&
         line.raw;
}

bool InitPtyLine(int fd, uint32_t baud) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= CS8 | CREAD | CLOCAL | BOTHER;
  t.c_ispeed = baud;
  t.c_ospeed = baud;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace travex::sim
