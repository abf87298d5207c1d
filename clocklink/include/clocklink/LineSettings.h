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

// Parses "9600,n,8,1" (blanks allowed around parts). Any speed from 50 to 4000000 bit/s is
// taken (speeds outside the termios table, such as 14400, are set through termios2); false
// for another speed or malformed text.
bool parseLineSettings(const std::string& text, LineSettings& out);

// Why the last open of a serial port failed, so the host can say it in its own language.
enum class SerialFailure {
  None,
  Settings,       // the settings text is refused (parseLineSettings)
  NoPort,         // no device for that port number
  System,         // open() failed: `error` holds the errno
  InUse,          // held by another process (flock)
  NotTerminal,    // the device is no terminal
  DeviceRefused,  // the device does not take the settings or speed (`error`: errno)
};

struct SerialOpenFailure {
  SerialFailure kind = SerialFailure::None;
  std::string device;    // the device path ("" for Settings and NoPort)
  std::string settings;  // the settings text asked for
  int error = 0;         // errno, for System and DeviceRefused
};

}  // namespace clocklink
