#include "CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace clocksim {
namespace {

// Whole decimal number within [low, high]; no sign, blanks or trailing text.
bool wholeNumber(const std::string& text, unsigned long long low, unsigned long long high,
                 unsigned long long& out) {
  if (text.empty() || text.size() > 19) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || v < low || v > high) return false;
  out = v;
  return true;
}

bool serialSpeed(unsigned long long baud) {
  for (unsigned long long s : {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
    if (baud == s) return true;
  return false;
}

// A comma-separated list of names, each turned into its value by the table; false for an
// empty list or an unknown name.
template <typename T, size_t N>
bool parseNames(const std::string& text, const std::pair<const char*, T> (&table)[N],
                std::vector<T>& out) {
  std::stringstream s(text);
  std::string name;
  while (std::getline(s, name, ',')) {
    bool known = false;
    for (const auto& [word, value] : table)
      if (name == word) {
        out.push_back(value);
        known = true;
      }
    if (!known) return false;
  }
  return !out.empty();
}

const std::pair<const char*, Fault> kFaultNames[] = {{"flip", Fault::FlipByte},
                                                     {"drop", Fault::DropBodyByte},
                                                     {"check", Fault::CorruptCheck},
                                                     {"silence", Fault::Silence},
                                                     {"close", Fault::Close}};

const std::pair<const char*, DialOutcome> kDialNames[] = {
    {"connect", DialOutcome::Connect},         {"busy", DialOutcome::Busy},
    {"no-carrier", DialOutcome::NoCarrier},    {"no-answer", DialOutcome::NoAnswer},
    {"no-dial-tone", DialOutcome::NoDialTone}, {"silence", DialOutcome::Silence}};

CommandLine refused(CommandLine c, const std::string& line) {
  c.exitCode = 2;
  c.error = "clocksim: " + line;
  return c;
}

}  // namespace

std::string usageText() {
  return "usage: clocksim [--model N] (--pty | --tcp PORT | --udp PORT | --modem SCRIPT) "
         "[options]\n"
         "Serves one simulated clock terminal until interrupted; prints the device path or the\n"
         "bound port on its first line.\n"
         "\n"
         "  --model N          clock model (default 0): 0 Vireo, 1 Corvin, 2 Pexel, 3 Vireo "
         "Touch,\n"
         "                     4 Solvar II, 5 Solvar I, 6 QLM-400\n"
         "  --pty              serve on a new pseudo-terminal (use its path as VELTA_COM<n>)\n"
         "  --tcp PORT         serve on 127.0.0.1:PORT, 0 = any free port\n"
         "  --udp PORT         serial-over-Ethernet unit on 127.0.0.1:PORT, 0 = any free port\n"
         "  --modem SCRIPT     behind a Hayes modem on a pseudo-terminal; SCRIPT is the dial\n"
         "                     outcome per attempt, the last repeating, e.g. busy,connect:\n"
         "                     connect, busy, no-carrier, no-answer, no-dial-tone, silence\n"
         "  --clock N          clock number 0-255 (default 1)\n"
         "  --punches N        stored punches, generated (default 0)\n"
         "  --punch-seed S     seed of the generated punches (default 1)\n"
         "  --punches-file F   stored punches from F, one a line:\n"
         "                     YYYY-MM-DD HH:MM CLOCK READER CARD  (# starts a comment)\n"
         "  --baud B           pace the clock's output at B baud, a serial speed 110-115200\n"
         "                     (default: unpaced)\n"
         "  --answer-at B      pty: hear the host only when it set line speed B (default: any)\n"
         "  --fault-rate R     chance 0-1 per byte sent of one injected fault (default 0)\n"
         "  --faults LIST      fault kinds to draw from: flip,drop,check,silence,close (default "
         "all)\n"
         "  --seed S           seed of the fault injection (default 1)\n"
         "  --no-udp-ack       the UDP unit does not acknowledge data datagrams\n"
         "  --gateway          expect and answer a serial gateway's \"connect\" line first\n"
         "  --modem-numeric    the modem answers with numeric result codes\n"
         "  --modem-no-echo    the modem does not echo commands\n"
         "  --modem-split N    split each dial result after N characters (default 0: whole)\n"
         "  --dial-delay MS    ringing time before the dial result (default 0)\n"
         "  --help             this text\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine c;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      c.exitCode = 0;
      c.out = usageText();
      return c;
    }
    if (a == "--pty") {
      c.link = CommandLine::Link::Pty;
      continue;
    }
    if (a == "--no-udp-ack") {
      c.options.udpAcknowledge = false;
      continue;
    }
    if (a == "--gateway") {
      c.options.serialGateway = true;
      continue;
    }
    if (a == "--modem-numeric") {
      c.modem.verbose = false;
      continue;
    }
    if (a == "--modem-no-echo") {
      c.modem.echo = false;
      continue;
    }
    static const char* const withValue[] = {
        "--model",       "--clock",      "--tcp",     "--udp",        "--modem",
        "--modem-split", "--dial-delay", "--punches", "--punch-seed", "--punches-file",
        "--baud",        "--fault-rate", "--seed",    "--faults",     "--answer-at"};
    bool known = false;
    for (const char* o : withValue) known = known || a == o;
    if (!known) return refused(c, "unknown option: " + a);
    if (i + 1 >= args.size()) return refused(c, a + " needs a value");
    const std::string& v = args[++i];
    const auto bad = [&](const char* range) {
      return refused(c, "bad value for " + a + ": '" + v + "' (" + range + ")");
    };
    unsigned long long n = 0;
    if (a == "--model") {
      if (!wholeNumber(v, 0, 6, n)) return bad("a model 0-6");
      c.options.model = static_cast<int>(n);
    } else if (a == "--clock") {
      if (!wholeNumber(v, 0, 255, n)) return bad("0-255");
      c.options.clockNumber = static_cast<int>(n);
    } else if (a == "--tcp" || a == "--udp") {
      if (!wholeNumber(v, 0, 65535, n)) return bad("a port 0-65535");
      c.link = a == "--tcp" ? CommandLine::Link::Tcp : CommandLine::Link::Udp;
      c.port = static_cast<uint16_t>(n);
    } else if (a == "--modem") {
      c.modem.script.clear();
      if (!parseNames(v, kDialNames, c.modem.script))
        return bad("connect, busy, no-carrier, no-answer, no-dial-tone, silence");
      c.link = CommandLine::Link::Modem;
    } else if (a == "--modem-split") {
      if (!wholeNumber(v, 0, 1000, n)) return bad("0-1000");
      c.modem.splitAt = static_cast<size_t>(n);
    } else if (a == "--dial-delay") {
      if (!wholeNumber(v, 0, 3600000, n)) return bad("milliseconds, 0-3600000");
      c.modem.dialDelay = std::chrono::milliseconds(n);
    } else if (a == "--punches") {
      if (!wholeNumber(v, 0, 10000000, n)) return bad("0-10000000");
      c.punches = static_cast<size_t>(n);
    } else if (a == "--punch-seed" || a == "--seed") {
      if (!wholeNumber(v, 0, UINT32_MAX, n)) return bad("0-4294967295");
      (a == "--seed" ? c.options.seed : c.punchSeed) = static_cast<uint32_t>(n);
    } else if (a == "--punches-file") {
      if (v.empty()) return bad("a file name");
      c.punchFile = v;
    } else if (a == "--baud") {
      if (!wholeNumber(v, 1, 115200, n) || !serialSpeed(n))
        return bad("a serial speed: 110, 300, ... 9600, 19200, 38400, 57600, 115200");
      c.options.baud = static_cast<int>(n);
    } else if (a == "--answer-at") {
      // Any speed a host can set, 14400 included.
      if (!wholeNumber(v, 50, 4000000, n)) return bad("a line speed of 50 to 4000000 bit/s");
      c.options.answerOnlyAtBaud = static_cast<int>(n);
    } else if (a == "--fault-rate") {
      char* end = nullptr;
      const double r = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !std::isfinite(r) || r < 0 || r > 1) return bad("0-1");
      c.options.faultRate = r;
    } else if (a == "--faults") {
      c.options.faults.clear();
      if (!parseNames(v, kFaultNames, c.options.faults))
        return bad("flip, drop, check, silence, close");
    }
  }
  if (c.link == CommandLine::Link::None)
    return refused(c, "no link chosen: --pty, --tcp PORT, --udp PORT or --modem SCRIPT");
  return c;
}

}  // namespace clocksim
