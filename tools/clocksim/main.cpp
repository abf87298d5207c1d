// clocksim: a simulated clock terminal on a pseudo-terminal, TCP or UDP port, or behind a
// simulated Hayes modem on a pseudo-terminal, for demos and manual tests. Prints the device
// path or the bound port on its first line, then serves until interrupted.
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

int usage() {
  std::cerr
      << "usage: clocksim --model N (--pty | --tcp PORT | --udp PORT | --modem SCRIPT) [--clock "
         "N]\n"
         "                [--punches N [--punch-seed S] | --punches-file F] [--baud B]\n"
         "                [--answer-at B]  (pty: hear the host only at line speed B)\n"
         "                [--fault-rate R] [--seed S] [--faults flip,drop,check,silence,close]\n"
         "                [--no-udp-ack] [--gateway]\n"
         "                [--modem-numeric] [--modem-no-echo] [--modem-split N] [--dial-delay MS]\n"
         "modem script: dial outcomes, one per attempt, the last repeating:\n"
         "  connect,busy,no-carrier,no-answer,no-dial-tone,silence  (e.g. busy,connect)\n"
         "punch file lines: YYYY-MM-DD HH:MM CLOCK READER CARD  (# starts a comment)\n";
  return 2;
}

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

bool parseScript(const std::string& text, std::vector<clocksim::DialOutcome>& out) {
  using clocksim::DialOutcome;
  std::stringstream s(text);
  std::string k;
  while (std::getline(s, k, ',')) {
    if (k == "connect")
      out.push_back(DialOutcome::Connect);
    else if (k == "busy")
      out.push_back(DialOutcome::Busy);
    else if (k == "no-carrier")
      out.push_back(DialOutcome::NoCarrier);
    else if (k == "no-answer")
      out.push_back(DialOutcome::NoAnswer);
    else if (k == "no-dial-tone")
      out.push_back(DialOutcome::NoDialTone);
    else if (k == "silence")
      out.push_back(DialOutcome::Silence);
    else
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  clocksim::Options o;
  clocksim::ModemOptions mo;
  enum { None, Pty, Tcp, Udp, ModemPty } link = None;
  long port = 0, punches = -1;
  uint32_t punchSeed = 1;
  std::string punchFile;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--pty")
      link = Pty;
    else if (a == "--no-udp-ack")
      o.udpAcknowledge = false;
    else if (a == "--gateway")
      o.serialGateway = true;
    else if (a == "--modem-numeric")
      mo.verbose = false;
    else if (a == "--modem-no-echo")
      mo.echo = false;
    else if (!(v = next()))
      return usage();
    else if (a == "--model")
      o.model = std::atoi(v);
    else if (a == "--clock")
      o.clockNumber = std::atoi(v);
    else if (a == "--tcp")
      link = Tcp, port = std::atol(v);
    else if (a == "--udp")
      link = Udp, port = std::atol(v);
    else if (a == "--modem") {
      link = ModemPty;
      if (!parseScript(v, mo.script)) return usage();
    } else if (a == "--modem-split")
      mo.splitAt = static_cast<size_t>(std::atol(v));
    else if (a == "--dial-delay")
      mo.dialDelay = std::chrono::milliseconds(std::atol(v));
    else if (a == "--punches")
      punches = std::atol(v);
    else if (a == "--punch-seed")
      punchSeed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
    else if (a == "--punches-file")
      punchFile = v;
    else if (a == "--baud")
      o.baud = std::atoi(v);
    else if (a == "--answer-at")
      o.answerOnlyAtBaud = std::atoi(v);
    else if (a == "--fault-rate")
      o.faultRate = std::atof(v);
    else if (a == "--seed")
      o.seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
    else if (a == "--faults") {
      std::stringstream s(v);
      std::string k;
      while (std::getline(s, k, ',')) {
        if (k == "flip")
          o.faults.push_back(clocksim::Fault::FlipByte);
        else if (k == "drop")
          o.faults.push_back(clocksim::Fault::DropBodyByte);
        else if (k == "check")
          o.faults.push_back(clocksim::Fault::CorruptCheck);
        else if (k == "silence")
          o.faults.push_back(clocksim::Fault::Silence);
        else if (k == "close")
          o.faults.push_back(clocksim::Fault::Close);
        else
          return usage();
      }
    } else
      return usage();
  }
  if (link == None || o.model < 0 || o.model > 6 || port < 0 || port > 65535) return usage();

  // Block the stop signals before any thread starts, so only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    clocksim::Simulator sim(o);
    if (!punchFile.empty()) {
      std::vector<clocksim::Punch> list;
      if (!readPunches(punchFile, list)) return 1;
      sim.setPunches(std::move(list));
    } else if (punches >= 0) {
      sim.generatePunches(static_cast<size_t>(punches), punchSeed);
    }
    clocksim::Modem modem(sim, mo);
    if (link == Pty)
      std::cout << sim.openPty() << std::endl;
    else if (link == ModemPty)
      std::cout << modem.openPty() << std::endl;
    else if (link == Tcp)
      std::cout << sim.listenTcp(static_cast<uint16_t>(port)) << std::endl;
    else
      std::cout << sim.listenUdp(static_cast<uint16_t>(port)) << std::endl;
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
