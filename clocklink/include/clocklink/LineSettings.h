// Serial line settings as the clocks' records and the port test write them ("9600,n,8,1").
#pragma once

#include <string>

namespace clocklink {

struct LineSettings {
  int baud = 9600;
  char parity = 'n';  // n, e, o
  int dataBits = 8;   // 7 or 8
  int stopBits = 1;   // 1 or 2
};

// Parses "9600,n,8,1" (blanks allowed around parts). False for a speed the serial layer
// cannot set (termios has no 14400) or malformed text.
bool parseLineSettings(const std::string& text, LineSettings& out);

}  // namespace clocklink
