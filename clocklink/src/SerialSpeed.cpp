#include "SerialSpeed.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cstdlib>
#include <sys/ioctl.h>

namespace clocklink::detail {

int setOtherLineSpeed(int fd, int baud) {
  if (baud <= 0) return EINVAL;
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = static_cast<speed_t>(baud);
  t.c_ospeed = static_cast<speed_t>(baud);
  if (::ioctl(fd, TCSETS2, &t) != 0) return errno;
  // The driver keeps the speed it could make: read it back.
  termios2 got{};
  if (::ioctl(fd, TCGETS2, &got) != 0) return errno;
  const long off = std::labs(static_cast<long>(got.c_ospeed) - baud);
  if (off * 50 > baud) return EINVAL;
  return 0;
}

}  // namespace clocklink::detail
