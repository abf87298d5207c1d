#include "clocklink/ClsModem.h"

#include "FComm.h"
#include "ReadAll.h"
#include "clocklink/EventPump.h"
#include "clocklink/Tornikel.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace clocklink {
namespace {

// One flag for the whole library: the line is up and is to be hung up later.
bool g_cortarModem = false;

// Longest dialling reply kept; a modem chattering for the whole time-out
// must not grow it without end, and the words sought are short.
constexpr size_t kReplyKeep = 4096;

std::string trimBlanks(const std::string& s) {
  auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  auto e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

bool hasControl(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

// Leading decimal number of a text after blanks, as a speed "9600 " reads.
long leadingNumber(const std::string& s) {
  std::string t = trimBlanks(s);
  long v = 0;
  for (size_t i = 0; i < t.size() && t[i] >= '0' && t[i] <= '9' && v < 100000000; ++i)
    v = v * 10 + (t[i] - '0');
  return v;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  std::string d = dir;
  std::replace(d.begin(), d.end(), '\\', '/');
  if (!d.empty() && d.back() != '/') d.push_back('/');
  return d + name;
}

std::string bufferText(const std::string& buffer) {
  std::string t = trimBlanks(buffer);
  if (!t.empty()) t.pop_back();  // the provider's terminating NUL
  return t;
}

}  // namespace

std::vector<std::string> splitModemItems(const std::string& text) {
  std::vector<std::string> items;
  size_t i = 0;
  const size_t n = text.size();
  auto isEnd = [&](size_t k) { return text[k] == ',' || text[k] == '\n' || text[k] == '\r'; };
  while (i < n) {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string item;
    if (i < n && text[i] == '"') {
      size_t close = text.find('"', i + 1);
      size_t lineEnd = text.find_first_of("\r\n", i + 1);
      // A quote left open ends with its line.
      if (close == std::string::npos || (lineEnd != std::string::npos && lineEnd < close))
        close = lineEnd == std::string::npos ? n : lineEnd;
      item = text.substr(i + 1, close - i - 1);
      i = close < n && text[close] == '"' ? close + 1 : close;
      while (i < n && !isEnd(i)) ++i;  // anything after the closing quote
    } else {
      size_t start = i;
      while (i < n && !isEnd(i)) ++i;
      item = text.substr(start, i - start);
      auto e = item.find_last_not_of(" \t");
      item = e == std::string::npos ? std::string() : item.substr(0, e + 1);
    }
    if (i < n) ++i;  // the comma or line end
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

int16_t ClsModem::SetModem(int16_t pPort, const std::string& pSpeed, const std::string& pPhone) {
  port_ = pPort;
  speed_ = pSpeed;
  phone_ = trimBlanks(pPhone);
  return 0;
}

bool ClsModem::IsComando(const std::string& comando, const std::string& Resp) {
  if (cancel_ == 1 || comando.empty() || Resp.empty()) return false;
  const std::string want = upper(comando);
  const std::string reply = upper(Resp);
  if (want == "OK" || want == "0") {
    if (contains(reply, "OK")) return true;
    // Numeric result code 0 stands on a line of its own; a "0" inside the
    // echoed command ("AT&F0", "ATS0=0") is no answer at all.
    std::istringstream lines(reply);
    std::string line;
    while (std::getline(lines, line, '\r')) {
      std::istringstream parts(line);
      std::string part;
      while (std::getline(parts, part, '\n'))
        if (trimBlanks(part) == "0") return true;
    }
    return false;
  }
  return contains(reply, want.c_str());
}

CollectionStatus ClsModem::SetCancel(int16_t pCancel) {
  cancel_ = pCancel;
  return kSuccess;
}

bool ClsModem::cortarModem() const { return g_cortarModem; }
void ClsModem::cortarModem(bool up) { g_cortarModem = up; }

std::string ClsModem::settingsText() const {
  return std::to_string(leadingNumber(speed_)) + ",n,8,1";
}

void ClsModem::Pause(double seconds) { WaitSecondsUnlessCancelled(seconds, cancel_); }

CollectionStatus ClsModem::SendCommand(const std::string& pComando) {
  if (cancel_ == 1) return kCancelled;
  SerialPort& p = FComm::instance().xComm;
  if (!p.isOpen()) return kFailure;
  p.setInputLen(1);
  p.clearInput();
  return p.output(pComando, &cancel_) ? kSuccess : kFailure;
}

std::string ClsModem::ReadReply(int n, double seconds) {
  if (cancel_ == 1) return {};
  SerialPort& p = FComm::instance().xComm;
  if (!p.isOpen()) return {};
  const int savedLen = p.inputLen();
  p.setInputLen(n);
  // A shortened window (tests) still leaves a loaded machine time to answer.
  constexpr std::chrono::milliseconds kShortestWindow{250};
  const auto full =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  auto end = Clock::now() +
             std::max(scaledWait(seconds), std::min(full, Clock::duration(kShortestWindow)));
  // Not ended by the cancel flag: it lasts at most the given seconds.
  while (Clock::now() < end && p.inBufferCount() < n) {
    pumpEvents();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    auto slice = std::max(std::min(left, kWaitSlice), std::chrono::milliseconds(1));
    // Some input but short of n: the descriptor stays readable, so sleep the
    // slice out rather than wake on it again at once.
    waitReadable(p.inBufferCount() > 0 ? -1 : p.fd(), slice);
  }
  std::string reply = p.input();
  p.setInputLen(savedLen);
  return reply;
}

CollectionStatus ClsModem::openModemPort() {
  SerialPort& p = FComm::instance().xComm;
  p.setCommPort(port_);
  p.setSettings(settingsText());
  LineSettings ls;
  if (!parseLineSettings(settingsText(), ls)) return kFailure;  // the control refuses the settings
  // A port that cannot be opened at all (no such device, held by another
  // program) is the control's error, -200; -300 is kept for a port that
  // opened without error yet does not report open.
  if (!p.openHeld()) return kFailure;
  if (!p.isOpen()) return kPortNotOpen;
  p.setInputLen(0);
  p.clearInput();
  return kSuccess;
}

CollectionStatus ClsModem::InitModem(const std::string& dirtrabajo,
                                     const std::string& pModemDriver) {
  if (cancel_ == 1 || pModemDriver.empty()) return kFailure;
  // A control character in the number would end or change the dial command
  // (a CR sends it early); such a number is refused before anything is sent.
  if (hasControl(phone_)) {
    commands_.clear();
    return kFailure;
  }
  const std::string driver = upper(pModemDriver);
  long com = tornikel::GetModemCom(driver);
  if (com <= 0 || com > 32767) return kFailure;
  port_ = static_cast<int>(com);

  std::vector<std::string> items;
  {
    // A few extra commands; a file that cannot be read, or is far too large, fails the dial
    // rather than dialling without the commands the site asked for.
    constexpr size_t kMaxExtraCommandsBytes = 64 * 1024;
    std::string text;
    const ReadResult r = readAll(joinPath(dirtrabajo, "MODEM.MAU"), text, kMaxExtraCommandsBytes);
    if (r == ReadResult::Refused) return kFailure;
    items = splitModemItems(text);
  }
  commands_.assign(items.size() + 3, std::string());
  const bool pulse = !phone_.empty() && (phone_[0] == 'P' || phone_[0] == 'p');
  commands_[0] = (pulse ? "ATD" : "ATDT") + phone_ + terminator_;
  std::string buffer(255, ' ');
  if (tornikel::GetModemInitString(buffer, driver, 3) >= 0)
    commands_[1] = "AT" + bufferText(buffer) + terminator_;
  for (size_t i = 0; i < items.size(); ++i)
    commands_[i + 2] = "AT" + trimBlanks(items[i]) + terminator_;

  SerialPort& p = FComm::instance().xComm;
  if (p.isOpen() || g_cortarModem) return kPortInUse;
  pumpEvents();
  if (cancel_ == 1) return kFailure;
  CollectionStatus opened = openModemPort();
  if (opened != kSuccess) return opened;

  // The port is ours from here: every way out but success closes it again.
  auto fail = [&p](CollectionStatus r) {
    p.close();
    return r;
  };
  for (size_t i = 1; i + 1 < commands_.size() && !commands_[i].empty(); ++i) {
    bool ok = false;
    for (int tryNo = 0; tryNo < 3 && !ok; ++tryNo) {
      pumpEvents();
      if (cancel_ == 1) return fail(kCancelled);
      if (SendCommand(commands_[i]) == kFailure) return fail(kFailure);
      std::string reply = upper(ReadReply(200, 0.5));
      ok = IsComando("OK", reply);
      Pause(0.3);
      p.clearInput();
    }
    if (cancel_ == 1) return fail(kCancelled);
    if (!ok) return fail(kModemNoCarrier);
  }
  return kSuccess;
}

CollectionStatus ClsModem::ConfigModem(const std::string& comando) {
  if (cancel_ == 1) return kCancelled;
  SerialPort& p = FComm::instance().xComm;
  if (p.isOpen() || g_cortarModem) return kPortInUse;
  pumpEvents();
  if (cancel_ == 1) return kCancelled;
  CollectionStatus opened = openModemPort();
  if (opened != kSuccess) return opened;
  bool ok = false;
  CollectionStatus result = kModemNoCarrier;
  for (int tryNo = 0; tryNo < 3 && !ok; ++tryNo) {
    pumpEvents();
    if (cancel_ == 1) {
      result = kCancelled;
      break;
    }
    if (SendCommand("AT" + comando + terminator_) == kFailure) {
      result = kFailure;
      break;
    }
    std::string reply = upper(ReadReply(15, 1.0));
    ok = IsComando("OK", reply);
    if (!ok) Pause(0.5);
    p.clearInput();
  }
  if (ok) result = kSuccess;
  p.close();
  return result;
}

std::string ClsModem::Discar(double pTimeout) {
  if (cancel_ == 1) return {};
  FComm& f = FComm::instance();
  if (f.OpenPort() != kSuccess) return {};
  if (commands_.empty() || commands_[0].empty()) return {};
  SerialPort& p = f.xComm;
  p.setDtr(true);  // a pseudo-terminal has no DTR: nothing to raise
  Pause(0.5);
  p.clearInput();
  if (SendCommand(commands_[0]) != kSuccess) return {};
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::max(pTimeout, 0.0)));
  p.setInputLen(30);
  // The whole answer is kept as it comes in: "CONNECT" or a failure word may
  // arrive split across two reads.
  std::string reply = ReadReply(30, 1.0);
  auto lastPass = Clock::now();
  static const char* const failures[] = {"BUSY", "NO CARRIER", "ERROR", "NO DIAL TONE",
                                         "NO ANSWER"};
  auto failureIn = [](const std::string& r) -> const char* {
    for (const char* w : failures)
      if (contains(r, w)) return w;
    return nullptr;
  };
  while (!contains(reply, "CONNECT") && lastPass < deadline) {
    pumpEvents();
    if (cancel_ == 1) return {};
    lastPass = Clock::now();
    reply += ReadReply(30, 1.0);
    if (reply.size() > kReplyKeep) reply.erase(0, reply.size() - kReplyKeep);
    if (contains(reply, "CONNECT")) break;
    if (const char* w = failureIn(reply)) return w;
  }
  if (!contains(reply, "CONNECT")) return {};
  p.setInputLen(2);
  p.clearInput();
  return reply;
}

bool ClsModem::Colgar() {
  SerialPort& p = FComm::instance().xComm;
  // A closed port carries no call (closing it dropped DTR): it is not opened
  // again just to send the escape.
  if (p.isOpen() && p.ctsLine()) {
    for (int round = 0; round < 3; ++round) {
      // Best effort: dropping DTR below ends the call whatever the modem took.
      (void)SendCommand("+++" + terminator_);
      Pause(0.5);
      (void)SendCommand("ATH0" + terminator_);
      Pause(0.5);
      (void)SendCommand("ATH1" + terminator_);
      Pause(0.5);
      (void)SendCommand("ATH0" + terminator_);
      Pause(0.5);
    }
  }
  // Whatever CTS said, the line ends here: DTR down and the port closed, so
  // a modem that missed the escape still drops the call.
  if (p.isOpen()) {
    p.setDtr(false);
    Pause(0.5);
    p.close();
    Pause(0.5);
  }
  return false;
}

int16_t ClsModem::xGetModemCount() {
  long n = tornikel::GetModemCount();
  return n > 32767 ? int16_t{32767} : static_cast<int16_t>(n);
}

std::string ClsModem::xGetModemName(int16_t m_ind) {
  std::string buffer(255, ' ');
  if (tornikel::GetModemName(buffer, m_ind) < 0) return {};
  return bufferText(buffer);
}

std::string ClsModem::xGetModemCommand(const std::string& pModemDriver, int16_t pCmd) {
  std::string buffer(255, ' ');
  if (tornikel::GetModemCommand(buffer, upper(pModemDriver), pCmd) < 0) return {};
  return bufferText(buffer);
}

}  // namespace clocklink
