// The only file that includes the kernel's termios definitions (see line_settings.h).
#include "serial/line_settings.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace travex {

namespace {

int IoctlRetry(int fd, unsigned long request, void* arg) {
  int rc;
  do {
    rc = ioctl(fd, request, arg);
  } while (rc < 0 && errno == EINTR);
  return rc < 0 ? errno : 0;
}

}  // namespace

int ApplyLineSettings(int fd, const LineSettings& s) {
  if (s.baud_rate == 0 || s.byte_size < 5 || s.byte_size > 8 || s.parity_mode > 4 ||
      s.stop_bits > 2) {
    return EINVAL;
  }
  struct termios2 tio {};
  if (int err = IoctlRetry(fd, TCGETS2, &tio); err != 0) return err;

  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR |
                                        IGNCR | ICRNL | IUCLC | IXON | IXANY | IXOFF | IMAXBEL);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON |
                                        ISIG | IEXTEN | NOFLSH | TOSTOP);

  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  switch (s.byte_size) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
  }
  if (s.parity_mode != 0) {
    tio.c_cflag |= PARENB;
    if (s.parity_mode == 1 || s.parity_mode == 3) tio.c_cflag |= PARODD;
    if (s.parity_mode >= 3) tio.c_cflag |= CMSPAR;
    tio.c_iflag |= INPCK;
  }
  // One and a half stop bits is what the hardware makes of CSTOPB with five data bits.
  if (s.stop_bits != 0) tio.c_cflag |= CSTOPB;
  tio.c_cflag |= CREAD | CLOCAL;

  // Any rate: BOTHER with the number itself, input rate equal to output rate.
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = s.baud_rate;
  tio.c_ospeed = s.baud_rate;

  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return IoctlRetry(fd, TCSETS2, &tio);
}

bool ReadLineSpeed(int fd, uint32_t& baud_rate) {
  struct termios2 tio {};
  if (IoctlRetry(fd, TCGETS2, &tio) != 0) return false;
  baud_rate = tio.c_ospeed;
  return true;
}

int FlushQueues(int fd, bool input, bool output) {
  if (!input && !output) return 0;
  const long selector = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
  int rc;
  do {
    rc = ioctl(fd, TCFLSH, selector);
  } while (rc < 0 && errno == EINTR);
  return rc < 0 ? errno : 0;
}

}  // namespace travex
