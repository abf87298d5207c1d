#include "collect/RemoteCommand.h"

#include "core/ClsCfgFile.h"

#include <clocklink/EventPump.h>

namespace collect {

namespace {

bool plainChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

// Letters, digits, ".", "_", "-" (plus `extra`), not starting with "-": nothing a shell reads
// as more than one plain word.
bool plainWord(const std::string& s, const std::string& extra = "") {
  if (!s.empty() && s.front() == '-') return false;
  for (char c : s)
    if (!plainChar(c) && extra.find(c) == std::string::npos) return false;
  return true;
}

// Characters, not bytes: a one-letter accented text is one character.
std::size_t characters(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

class RemoteCommand::Sink : public remcmd::RemcmdEvents {
 public:
  explicit Sink(RemoteCommand* owner) : m_owner(owner) {}
  void detach() { m_owner = nullptr; }
  remcmd::HRESULT Stdout(std::string& text, bool&) override {
    if (m_owner) m_owner->onStdout(text);
    return remcmd::hr::kOk;
  }
  remcmd::HRESULT Stderr(std::string& text, bool&) override {
    if (m_owner) m_owner->onStderr(text);
    return remcmd::hr::kOk;
  }
  remcmd::HRESULT Disconnected(int16_t& code, std::string& description) override {
    if (m_owner) m_owner->onDisconnected(code, description);
    return remcmd::hr::kOk;
  }

 private:
  RemoteCommand* m_owner;
};

RshSettings RshSettings::fromConfig(const ClsCfgFile& cfg) {
  return {cfg.RSHServer, cfg.RSHUser, cfg.RSHPathEvt, cfg.RSHSystemName, cfg.RSHSystemNumber};
}

std::string rshCommandLine(const RshSettings& s, const std::string& fileName) {
  return s.pathEvt + "sapevt ZHRMARCAS -p " + fileName + " -t name=" + s.systemName +
         " nr=" + s.systemNumber;
}

std::string rshRefusedKey(const RshSettings& s, const std::string& fileName) {
  // A Windows host's folder may hold "\" and a drive's ":".
  if (!plainWord(s.pathEvt, "/\\:")) return "RSHPATHEVT";
  if (fileName.empty() || !plainWord(fileName)) return "archivo";
  if (!plainWord(s.systemName)) return "RSHSYSTEMNAME";
  if (!plainWord(s.systemNumber)) return "RSHSYSTEMNUMBER";
  return "";
}

RemoteCommand::RemoteCommand(View view)
    : m_view(std::move(view)),
      m_control(std::make_unique<remcmd::Remcmd>()),
      m_sink(std::make_shared<Sink>(this)) {
  // The control's waits (connecting, sending) keep the window live.
  m_control->setEventPump(clocklink::pumpEvents);
  m_control->Advise(m_sink, m_cookie);
}

RemoteCommand::~RemoteCommand() {
  m_sink->detach();
  m_control->Unadvise(m_cookie);
}

bool RemoteCommand::member(remcmd::HRESULT result) {
  if (!remcmd::failed(result)) return true;
  const auto info = remcmd::takeErrorInfo();
  ErrorOut(info && !info->description.empty() ? info->description : remcmd::text::kNoDescription);
  return false;
}

void RemoteCommand::start(const RshSettings& settings, const std::string& fileName) {
  say(m_view.label, "Conectando...");
  const std::string key = rshRefusedKey(settings, fileName);
  if (!key.empty()) {
    ErrorOut("Comando remoto rechazado: caracter no permitido en " + key);
    return;
  }
  if (memberRunning) memberRunning(true);
  m_executing = true;
  bool ok = member(m_control->put_RemoteHost(settings.server)) &&
            member(m_control->put_RemoteUser(settings.user));
  if (ok && m_outcome == Outcome::None) {
    if (beforeExecute) beforeExecute(*m_control);
    int16_t seconds = 0;
    m_control->get_Timeout(seconds);
    m_limitMs = seconds > 0 ? seconds * 1000LL : 0;
    m_executeAt = std::chrono::steady_clock::now();
    member(m_control->Execute(rshCommandLine(settings, fileName)));
  }
  m_executing = false;
  if (memberRunning) memberRunning(false);
}

void RemoteCommand::cancel() {
  if (m_outcome != Outcome::None) return;
  finish(Outcome::Cancelled);
  // A connect still under way is ended now rather than at the control's time limit.
  if (m_executing) m_control->Disconnect();
}

long long RemoteCommand::timeLeftMs() const {
  if (m_outcome != Outcome::None || m_limitMs <= 0 ||
      m_executeAt == std::chrono::steady_clock::time_point{})
    return -1;
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - m_executeAt)
                         .count();
  return spent >= m_limitMs ? 0 : m_limitMs - spent;
}

void RemoteCommand::timeLimitReached() {
  if (m_outcome != Outcome::None) return;
  ErrorOut("Timeout.");
  m_control->Disconnect();
}

void RemoteCommand::ErrorOut(const std::string& text) {
  if (m_outcome != Outcome::None) return;
  say(m_view.label, " Extd Err: " + text);
  say(m_view.callerLine, "Error: " + text);
  finish(Outcome::Failed);
}

void RemoteCommand::finish(Outcome outcome) {
  m_outcome = outcome;
  if (m_view.finished) m_view.finished(outcome);
}

// Output that arrives after the outcome (the end of the error channel often follows the
// close) is still listed; the label keeps showing the outcome.
void RemoteCommand::onStdout(const std::string& text) {
  const std::string line = text.empty() ? "Ok" : text;
  if (m_outcome == Outcome::None) say(m_view.label, line);
  say(m_view.callerLine, line);
}

void RemoteCommand::onStderr(const std::string& text) {
  const std::string line = characters(text) >= 2 ? "StdErr:" + text : "StdErr:OK";
  say(m_view.errorLine, line);
  say(m_view.callerLine, line);
}

void RemoteCommand::onDisconnected(int16_t code, const std::string& description) {
  if (m_outcome != Outcome::None) return;
  if (code != 0) {
    ErrorOut(description);
    return;
  }
  // The server refused the request (first reply byte 1): the connection closed normally, but
  // the command never ran and the host knows nothing of the file.
  if (m_control->serverRefused()) {
    std::string reason;
    m_control->get_ErrorMessage(reason);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    ErrorOut(reason.empty() ? "El servidor rechaz\u00f3 el comando" : reason);
    return;
  }
  say(m_view.label, "Comando ejecutado. Finalizando");
  finish(Outcome::Succeeded);
}

}  // namespace collect
