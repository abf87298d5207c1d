#include "LineSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace clocksim {

int lineSpeedOf(int fd) {
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) != 0) return -1;
  return static_cast<int>(t.c_ospeed);
}

}  // namespace clocksim
