#include "hayes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

namespace clocksim {

namespace {

constexpr size_t kMaxLine = 255;

// Commands taken (with the highest value each accepts); everything else is an ERROR.
// X, L, M, &C, &D, &K and &W are accepted and change nothing on a simulated line.
const std::map<std::string, int>& accepted() {
  static const std::map<std::string, int> table = {
      {"E", 1}, {"V", 1}, {"Q", 1},  {"H", 1},  {"Z", 0},  {"O", 0},  {"X", 4},
      {"L", 3}, {"M", 3}, {"&F", 0}, {"&C", 1}, {"&D", 3}, {"&K", 6}, {"&W", 1}};
  return table;
}

const char* text(int code) {
  switch (code) {
    case 0:
      return "OK";
    case 1:
      return "CONNECT";
    case 3:
      return "NO CARRIER";
    case 4:
      return "ERROR";
    case 6:
      return "NO DIAL TONE";
    case 7:
      return "BUSY";
    case 8:
      return "NO ANSWER";
  }
  return "ERROR";
}

// Digits at s[i...], at most maxDigits; none gives 0 (the Hayes default).
int digitsAt(const std::string& s, size_t& i, size_t maxDigits = 3) {
  int v = 0;
  for (size_t n = 0;
       n < maxDigits && i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++n, ++i)
    v = v * 10 + (s[i] - '0');
  return v;
}

}  // namespace

Hayes::Hayes(ModemOptions options)
    : m_options(std::move(options)), m_echo(m_options.echo), m_verbose(m_options.verbose) {
  resetProfile(false);
}

void Hayes::resetProfile(bool factory) {
  m_echo = factory ? true : m_options.echo;
  m_verbose = factory ? true : m_options.verbose;
  m_quiet = false;
  m_registers.fill(0);
  m_registers[2] = '+', m_registers[3] = '\r', m_registers[4] = '\n', m_registers[5] = 8,
  m_registers[7] = 50;
}

bool Hayes::feed(unsigned char b, std::vector<ModemWrite>& out) {
  if (m_dataMode) {
    m_escape += static_cast<char>(b);
    if (m_escape.size() > 4) m_escape.erase(0, m_escape.size() - 4);
    if (m_escape != "+++\r") return true;
    m_escape.clear();
    m_dataMode = false;  // the call stays up until ATH
    result(Ok, out);
    return false;
  }
  if (m_echo) out.push_back({{}, std::string(1, static_cast<char>(b))});
  if (b == '\r') {
    const std::string line = std::move(m_line);
    const bool overflow = m_lineOverflow;
    m_line.clear();
    m_lineOverflow = false;
    if (overflow)
      result(Error, out);
    else
      execute(line, out);
  } else if (b == 8) {
    if (!m_line.empty()) m_line.pop_back();
  } else if (b != '\n') {
    if (m_line.size() < kMaxLine)
      m_line += static_cast<char>(b);
    else
      m_lineOverflow = true;
  }
  return false;
}

void Hayes::execute(const std::string& line, std::vector<ModemWrite>& out) {
  size_t at = std::string::npos;
  for (size_t i = 0; i + 1 < line.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(line[i])) == 'A' &&
        std::toupper(static_cast<unsigned char>(line[i + 1])) == 'T') {
      at = i;
      break;
    }
  if (at == std::string::npos) return;  // not a command line (a stray "+++", noise): no answer
  {
    std::lock_guard lock(m_mutex);
    m_commands.push_back(line.substr(at));
  }
  const std::string body = line.substr(at + 2);
  size_t i = 0;
  while (i < body.size()) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(body[i++])));
    if (c == ' ') continue;
    if (c == 'D') return dial(body.substr(i), out);  // the rest of the line is the number
    if (c == 'S') {
      const size_t start = i;
      const int reg = digitsAt(body, i);
      if (i == start || reg > 255 || i >= body.size()) return result(Error, out);
      if (body[i] == '?') {
        ++i;
        char v[8];
        std::snprintf(v, sizeof v, "%03d", m_registers[static_cast<size_t>(reg)]);
        info(v, out);
        continue;
      }
      if (body[i] != '=') return result(Error, out);
      ++i;
      const int value = digitsAt(body, i);
      if (value > 255) return result(Error, out);
      m_registers[static_cast<size_t>(reg)] = value;
      continue;
    }
    std::string key(1, c);
    if (c == '&') {
      if (i >= body.size()) return result(Error, out);
      key += static_cast<char>(std::toupper(static_cast<unsigned char>(body[i++])));
    }
    const auto it = accepted().find(key);
    if (it == accepted().end()) return result(Error, out);
    const int v = digitsAt(body, i);
    if (v > it->second) return result(Error, out);
    if (key == "E")
      m_echo = v == 1;
    else if (key == "V")
      m_verbose = v == 1;
    else if (key == "Q")
      m_quiet = v == 1;
    else if (key == "H" && v == 0)
      hangUp();
    else if (key == "Z") {
      hangUp();
      resetProfile(false);
    } else if (key == "&F")
      resetProfile(true);
    else if (key == "O") {
      bool up;
      {
        std::lock_guard lock(m_mutex);
        up = m_carrier;
      }
      if (!up) return result(NoCarrier, out);
      m_dataMode = true;
      return result(Connect, out);
    }
  }
  result(Ok, out);
}

void Hayes::dial(const std::string& dialString, std::vector<ModemWrite>& out) {
  std::string number;
  for (char c : dialString)
    if (!std::strchr(" TtPp;", c))
      number += c;  // T/P choose tone or pulse; ';' stays in command mode
  {
    std::lock_guard lock(m_mutex);
    if (m_carrier) return result(Error, out);  // a call is up already: ATO returns to it
    m_dialled.push_back(number);
  }
  const auto& script = m_options.script;
  const DialOutcome outcome =
      script.empty() ? DialOutcome::Connect : script[std::min(m_attempts, script.size() - 1)];
  ++m_attempts;
  Code code = Ok;
  switch (outcome) {
    case DialOutcome::Silence:
      return;
    case DialOutcome::Connect: {
      std::lock_guard lock(m_mutex);
      m_carrier = true;
      ++m_calls;
      m_dataMode = true;
      m_escape.clear();
      code = Connect;
      break;
    }
    case DialOutcome::Busy:
      code = Busy;
      break;
    case DialOutcome::NoCarrier:
      code = NoCarrier;
      break;
    case DialOutcome::NoAnswer:
      code = NoAnswer;
      break;
    case DialOutcome::NoDialTone:
      code = NoDialTone;
      break;
  }
  result(code, out, m_options.dialDelay, true);
}

void Hayes::result(Code code, std::vector<ModemWrite>& out, std::chrono::milliseconds pause,
                   bool split) {
  if (m_quiet) return;
  std::string t = m_verbose ? text(code) : std::to_string(static_cast<int>(code));
  if (m_verbose && code == Connect && !m_options.connectSpeed.empty())
    t += " " + m_options.connectSpeed;
  const std::string pre = m_verbose ? "\r\n" : "", post = m_verbose ? "\r\n" : "\r";
  const size_t k = m_options.splitAt;
  if (split && k > 0 && k < t.size()) {
    out.push_back({pause, pre + t.substr(0, k)});
    out.push_back({m_options.splitPause, t.substr(k) + post});
  } else {
    out.push_back({pause, pre + t + post});
  }
}

// An information line (an S-register value), ahead of the OK.
void Hayes::info(const std::string& text, std::vector<ModemWrite>& out) {
  if (m_quiet) return;
  out.push_back({{}, m_verbose ? "\r\n" + text + "\r\n" : text + "\r\n"});
}

void Hayes::hangUp() {
  std::lock_guard lock(m_mutex);
  if (m_carrier) ++m_hangUps;
  m_carrier = false;
  m_dataMode = false;
}

void Hayes::dtrDropped() {
  hangUp();
  m_line.clear();
  m_lineOverflow = false;
  m_escape.clear();
}

std::vector<std::string> Hayes::commands() const {
  std::lock_guard lock(m_mutex);
  return m_commands;
}

std::vector<std::string> Hayes::dialledNumbers() const {
  std::lock_guard lock(m_mutex);
  return m_dialled;
}

bool Hayes::online() const {
  std::lock_guard lock(m_mutex);
  return m_carrier;
}

size_t Hayes::hangUps() const {
  std::lock_guard lock(m_mutex);
  return m_hangUps;
}

size_t Hayes::calls() const {
  std::lock_guard lock(m_mutex);
  return m_calls;
}

}  // namespace clocksim
