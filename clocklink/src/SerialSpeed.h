// Line speeds outside the termios table (14400 and the like). Linux takes any speed through
// termios2 and BOTHER; that lives in its own file because <asm/termbits.h> and <termios.h>
// declare the same structures and cannot share a translation unit.
#pragma once

namespace clocklink::detail {

// Sets both speeds of the open terminal `fd` to `baud` bit/s. 0 on success, else the errno;
// a driver that can only come within more than 2% of the speed refuses it (EINVAL), since a
// clock would hear noise.
int setOtherLineSpeed(int fd, int baud);

}  // namespace clocklink::detail
