// The clocksim program's command line: options, their checks and the usage text, kept apart
// from main() so every accepted and refused form can be tested without starting a server.
#pragma once

#include <clocksim/modem.h>
#include <clocksim/simulator.h>

#include <cstdint>
#include <string>
#include <vector>

namespace clocksim {

struct CommandLine {
  enum class Link { None, Pty, Tcp, Udp, Modem };

  Options options;
  ModemOptions modem;
  Link link = Link::None;
  uint16_t port = 0;  // --tcp / --udp; 0 = any free port
  size_t punches = 0;
  uint32_t punchSeed = 1;
  std::string punchFile;

  // -1: go on and serve; 0: done (--help), `out` holds the text for stdout;
  // 2: refused, `error` holds one line for stderr naming the bad argument.
  int exitCode = -1;
  std::string out;
  std::string error;
};

std::string usageText();
CommandLine parseCommandLine(const std::vector<std::string>& args);

}  // namespace clocksim
