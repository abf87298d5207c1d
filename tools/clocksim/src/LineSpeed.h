// The line speed a host set on the slave side of the simulator's pseudo-terminal, in bit/s,
// whatever the speed (termios2 carries speeds outside the termios table, such as 14400).
// Its own file: <asm/termbits.h> and <termios.h> cannot share a translation unit.
#pragma once

namespace clocksim {

// -1 when the speed cannot be read.
int lineSpeedOf(int fd);

}  // namespace clocksim
