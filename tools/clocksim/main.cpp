// clocksim: a simulated clock terminal on a pseudo-terminal, TCP or UDP port, or behind a
// simulated Hayes modem on a pseudo-terminal, for demos and manual tests. Prints the device
// path or the bound port on its first line, then serves until interrupted.
#include "src/CommandLine.h"

#include <clocksim/modem.h>
#include <clocksim/simulator.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool readPunches(const std::string& path, std::vector<clocksim::Punch>& out) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << "clocksim: cannot open " << path << "\n";
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    clocksim::Punch p;
    char d1 = 0, d2 = 0, c1 = 0;
    std::istringstream s(line);
    if (!(s >> p.year >> d1 >> p.month >> d2 >> p.day >> p.hour >> c1 >> p.minute >> p.clock >>
          p.reader >> p.card) ||
        d1 != '-' || d2 != '-' || c1 != ':') {
      std::cerr << "clocksim: " << path << ":" << number << ": not a punch line\n";
      return false;
    }
    out.push_back(p);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const clocksim::CommandLine c =
      clocksim::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (c.exitCode == 0) {
    std::cout << c.out;
    return 0;
  }
  if (c.exitCode > 0) {
    std::cerr << c.error << "\n";
    return c.exitCode;
  }
  using Link = clocksim::CommandLine::Link;

  // Block the stop signals before any thread starts, so only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    clocksim::Simulator sim(c.options);
    if (!c.punchFile.empty()) {
      std::vector<clocksim::Punch> list;
      if (!readPunches(c.punchFile, list)) return 1;
      sim.setPunches(std::move(list));
    } else {
      sim.generatePunches(c.punches, c.punchSeed);
    }
    clocksim::Modem modem(sim, c.modem);
    if (c.link == Link::Pty)
      std::cout << sim.openPty() << std::endl;
    else if (c.link == Link::Modem)
      std::cout << modem.openPty() << std::endl;
    else if (c.link == Link::Tcp)
      std::cout << sim.listenTcp(c.port) << std::endl;
    else
      std::cout << sim.listenUdp(c.port) << std::endl;
    int sig = 0;
    sigwait(&stopSignals, &sig);
    modem.stop();
    sim.stop();
  } catch (const std::exception& e) {
    std::cerr << "clocksim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
