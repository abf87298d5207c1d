#include "remcmd/Remcmd.h"

#include "ControlText.h"
#include "RshSession.h"
#include "SocketBinding.h"
#include "remcmd/Server.h"

#include <limits>

namespace remcmd {

namespace {

// Help contexts: properties 22100 + DISPID, methods 41600 + DISPID.
enum Help : uint32_t {
  hBytesSent = 22101,
  hCommand = 22102,
  hConnected = 22103,
  hEol = 22104,
  hErrEol = 22105,
  hErrorMessage = 22106,
  hFirewallHost = 22107,
  hFirewallPassword = 22108,
  hFirewallPort = 22109,
  hFirewallType = 22110,
  hFirewallUser = 22111,
  hLocalHost = 22112,
  hLocalPort = 22113,
  hLocalUser = 22114,
  hRemoteHost = 22115,
  hRemotePort = 22116,
  hRemoteUser = 22117,
  hStdin = 22118,
  hTimeout = 22119,
  hEolB = 22101,
  hErrEolB = 22102,
  hStdinB = 22103,
  hStderrTextB = 32105,
  hStdoutTextB = 32106,
  hConfig = 42101,
  hDisconnect = 42102,
  hDoEvents = 42103,
  hExecute = 42104,
  hSend = 42105,
};

constexpr uint32_t kMaxFirewallText = 255;

std::string_view bytesOf(const ByteArray& a) {
  return {reinterpret_cast<const char*>(a.data()), a.size()};
}

ByteArray toByteArray(std::string_view bytes) { return ByteArray(bytes.begin(), bytes.end()); }

std::string_view upToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

}  // namespace

// --- the sink the engine reports to --------------------------------------------

class Remcmd::EventSink : public SessionSink {
 public:
  explicit EventSink(Remcmd& owner) : m_owner(owner) {}

  void setCodePage(uint32_t codePage) override { m_codePage = codePage; }

  void onConnected(int32_t code, std::string_view description) override {
    std::string d;
    if (!convert(description, d)) return outOfMemory("Connected");
    int16_t c = static_cast<int16_t>(code);
    fire([&](RemcmdEvents& s) {
      int16_t cc = c;
      std::string dd = d;
      s.Connected(cc, dd);
    });
  }

  void onConnectionStatus(std::string_view event, int32_t code,
                          std::string_view description) override {
    std::string e, d;
    if (!convert(event, e) || !convert(description, d)) return outOfMemory("ConnectionStatus");
    const int16_t c = static_cast<int16_t>(code);
    fire([&](RemcmdEvents& s) {
      std::string ee = e, dd = d;
      int16_t cc = c;
      s.ConnectionStatus(ee, cc, dd);
    });
  }

  void onDisconnected(int32_t code, std::string_view description) override {
    std::string d;
    if (!convert(description, d)) return outOfMemory("Disconnected");
    const int16_t c = static_cast<int16_t>(code);
    fire([&](RemcmdEvents& s) {
      int16_t cc = c;
      std::string dd = d;
      s.Disconnected(cc, dd);
    });
  }

  void onError(int32_t code, std::string_view text) override {
    std::string d;
    if (!convert(text, d)) return;
    fireError(static_cast<int16_t>(code), d);
  }

  void onStdout(std::string_view text, bool eol) override {
    chunk(text, eol, m_stdout, "Stdout", false);
  }
  void onStderr(std::string_view text, bool eol) override {
    chunk(text, eol, m_stderr, "Stderr", true);
  }

  const std::string_view* stdoutChunk() const { return m_stdout; }
  const std::string_view* stderrChunk() const { return m_stderr; }

 private:
  // Event texts end at their terminator; the output chunks keep every byte.
  bool convert(std::string_view bytes, std::string& text) const {
    return bytesToUtf8(upToNul(bytes), m_codePage, text);
  }

  void chunk(std::string_view bytes, bool eol, const std::string_view*& slot, const char* name,
             bool isStderr) {
    std::string t;
    if (!bytesToUtf8(bytes, m_codePage, t)) return outOfMemory(name);
    // A handler may pump nested events; each sees its own chunk.
    const std::string_view* outer = slot;
    slot = &bytes;
    const bool alive = fire([&](RemcmdEvents& s) {
      std::string tt = t;
      bool ee = eol;
      if (isStderr)
        s.Stderr(tt, ee);
      else
        s.Stdout(tt, ee);
    });
    if (alive) slot = outer;
  }

  void outOfMemory(const char* event) {
    fireError(7, std::string("Out of memory while firing ") + event + ".");
  }

  void fireError(int16_t code, const std::string& d) {
    fire([&](RemcmdEvents& s) {
      int16_t cc = code;
      std::string dd = d;
      s.Error(cc, dd);
    });
  }

  // Calls every sink connected when the event began, earliest first. False
  // when a handler destroyed the control.
  template <typename Call>
  bool fire(const Call& call) {
    const std::shared_ptr<bool> alive = m_owner.m_alive;
    ++m_owner.m_firing;
    const std::size_t count = m_owner.m_sinks.size();
    for (std::size_t i = 0; i < count; ++i) {
      if (i >= m_owner.m_sinks.size()) break;
      const std::shared_ptr<RemcmdEvents> sink = m_owner.m_sinks[i].sink;
      if (!sink) continue;
      call(*sink);
      if (!*alive) return false;
    }
    --m_owner.m_firing;
    return true;
  }

  Remcmd& m_owner;
  uint32_t m_codePage = 0;
  const std::string_view* m_stdout = nullptr;
  const std::string_view* m_stderr = nullptr;
};

// --- life -------------------------------------------------------------------------

Remcmd::Remcmd(std::shared_ptr<Reactor> reactor)
    : m_rsh(RshSession::create(std::move(reactor))),
      m_events(std::make_unique<EventSink>(*this)),
      m_alive(std::make_shared<bool>(true)) {
  detail::objectCreated();
  m_rsh->setSink(m_events.get());
  // Without a socket layer the defaults stay as the engine built them.
  if (!m_rsh->holdsWinsock()) return;
  m_rsh->setRemotePort(514);
  m_rsh->firewall().setHost("");
  m_rsh->firewall().setPassword("");
  m_rsh->firewall().setType(FirewallType::None);
  m_rsh->firewall().setPort(80);
  m_rsh->firewall().setUser("");
  m_rsh->setLocalUser("");
  m_rsh->setRemoteHost("");
  m_rsh->setRemoteUser("");
  m_rsh->setTimeout(60);
}

Remcmd::~Remcmd() {
  *m_alive = false;
  m_rsh->detach();
  m_rsh->setSink(nullptr);
  detail::objectReleased();
}

void Remcmd::setEventPump(std::function<void()> pump) { m_rsh->setEventPump(std::move(pump)); }

const std::shared_ptr<Reactor>& Remcmd::reactor() const { return m_rsh->reactor(); }

bool Remcmd::serverRefused() const { return m_rsh->refused(); }

// --- helpers ----------------------------------------------------------------------

HRESULT Remcmd::runtimeOnly(uint32_t helpContext) const {
  // Like every other failure, the refusal points at the member's help topic.
  return isDesignMode() ? reportControlError(text::kRuntimeOnly, helpContext, hr::kRuntimeOnly)
                        : hr::kOk;
}

HRESULT Remcmd::engineResult(int32_t code, uint32_t helpContext) {
  if (code == 0) return hr::kOk;
  m_rsh->resultText(code);
  return resultToHresult(code, helpContext, m_rsh->lastErrorText().view());
}

HRESULT Remcmd::liveResult(uint32_t helpContext) {
  const int32_t code = m_rsh->lastErrorCode();
  return code ? engineResult(code, helpContext) : hr::kOk;
}

std::string Remcmd::toBytes(const std::string& utf8, bool terminated) const {
  std::string bytes;
  utf8ToBytes(terminated ? upToNul(utf8) : std::string_view(utf8), m_rsh->codePage(), bytes);
  return bytes;
}

HRESULT Remcmd::toText(std::string_view bytes, std::string& utf8) const {
  return bytesToUtf8(bytes, m_rsh->codePage(), utf8) ? hr::kOk : hr::kOutOfMemory;
}

HRESULT Remcmd::putPort(int32_t value, int32_t (*apply)(RshSession&, uint16_t),
                        uint32_t helpContext) {
  // The engine keeps ports in 16 bits: a larger number would change silently.
  if (value < 0 || value > 65535)
    return reportControlError(text::kOutOfRange, helpContext, hr::kBadValue);
  return engineResult(apply(*m_rsh, static_cast<uint16_t>(value)), helpContext);
}

HRESULT Remcmd::sendBytes(std::string_view bytes, uint32_t helpContext) {
  m_rsh->armDeadline();
  return engineResult(m_rsh->sessionSendAll(bytes.data(), static_cast<uint32_t>(bytes.size())),
                      helpContext);
}

// --- properties -------------------------------------------------------------------

HRESULT Remcmd::get_BytesSent(int32_t& value) {
  if (HRESULT r = runtimeOnly(hBytesSent)) return r;
  m_rsh->clearLastError();
  value = m_rsh->bytesSent();
  return liveResult(0);
}

HRESULT Remcmd::put_BytesSent(int32_t) {
  return reportControlError(text::kReadOnly, hBytesSent, hr::kReadOnly);
}

HRESULT Remcmd::get_Command(std::string& value) { return toText(m_rsh->command().view(), value); }

HRESULT Remcmd::put_Command(const std::string& value) {
  return engineResult(m_rsh->execute(toBytes(value, true)), hCommand);
}

HRESULT Remcmd::get_Connected(bool& value) {
  if (HRESULT r = runtimeOnly(hConnected)) return r;
  m_rsh->clearLastError();
  value = m_rsh->usable();
  return liveResult(0);
}

HRESULT Remcmd::put_Connected(bool value) {
  if (value) return hr::kOk;
  return engineResult(m_rsh->sessionConnect(false), hConnected);
}

HRESULT Remcmd::get_EOL(std::string& value) {
  if (HRESULT r = runtimeOnly(hEol)) return r;
  return toText(m_rsh->eol(), value);
}

HRESULT Remcmd::put_EOL(const std::string& value) {
  return engineResult(m_rsh->setEol(toBytes(value, false)), hEol);
}

HRESULT Remcmd::get_ErrEOL(std::string& value) {
  if (HRESULT r = runtimeOnly(hErrEol)) return r;
  return toText(m_rsh->errEol(), value);
}

HRESULT Remcmd::put_ErrEOL(const std::string& value) {
  return engineResult(m_rsh->setErrEol(toBytes(value, false)), hErrEol);
}

HRESULT Remcmd::get_ErrorMessage(std::string& value) {
  return toText(m_rsh->errorMessage().view(), value);
}

HRESULT Remcmd::put_ErrorMessage(const std::string&) {
  return reportControlError(text::kReadOnly, hErrorMessage, hr::kReadOnly);
}

HRESULT Remcmd::get_FirewallHost(std::string& value) {
  m_rsh->clearLastError();
  const uint32_t address = m_rsh->firewall().address();
  value = address ? dottedAddress(address) : std::string();
  return liveResult(0);
}

HRESULT Remcmd::put_FirewallHost(const std::string& value) {
  return engineResult(m_rsh->firewall().setHost(toBytes(value, true)), hFirewallHost);
}

HRESULT Remcmd::get_FirewallPassword(std::string& value) {
  return toText(m_rsh->firewall().password().view(), value);
}

HRESULT Remcmd::put_FirewallPassword(const std::string& value) {
  const std::string bytes = toBytes(value, true);
  return engineResult(
      m_rsh->firewall().setPassword(std::string_view(bytes).substr(0, kMaxFirewallText)),
      hFirewallPassword);
}

HRESULT Remcmd::get_FirewallPort(int32_t& value) {
  m_rsh->clearLastError();
  value = m_rsh->firewall().port();
  return liveResult(0);
}

HRESULT Remcmd::put_FirewallPort(int32_t value) {
  return putPort(
      value, [](RshSession& s, uint16_t p) { return s.firewall().setPort(p), int32_t{0}; },
      hFirewallPort);
}

HRESULT Remcmd::get_FirewallType(TFirewallType& value) {
  m_rsh->clearLastError();
  value = static_cast<TFirewallType>(m_rsh->firewall().type());
  return liveResult(0);
}

HRESULT Remcmd::put_FirewallType(int32_t value) {
  if (value < fwNone || value > fwSOCKS5)
    return reportControlError(text::kOutOfRange, hFirewallType, hr::kBadValue);
  m_rsh->firewall().setType(static_cast<FirewallType>(value));
  m_rsh->firewall().setPort(value == fwSOCKS4 || value == fwSOCKS5 ? 1080 : 80);
  return hr::kOk;
}

HRESULT Remcmd::get_FirewallUser(std::string& value) {
  return toText(m_rsh->firewall().user().view(), value);
}

HRESULT Remcmd::put_FirewallUser(const std::string& value) {
  const std::string bytes = toBytes(value, true);
  return engineResult(
      m_rsh->firewall().setUser(std::string_view(bytes).substr(0, kMaxFirewallText)),
      hFirewallUser);
}

HRESULT Remcmd::get_LocalHost(std::string& value) {
  m_rsh->clearLastError();
  const std::string host = m_rsh->localHost();
  if (HRESULT r = liveResult(0)) return r;
  return toText(host, value);
}

HRESULT Remcmd::put_LocalHost(const std::string& value) {
  return engineResult(m_rsh->setLocalHost(toBytes(value, true)), hLocalHost);
}

HRESULT Remcmd::get_LocalPort(int32_t& value) {
  if (HRESULT r = runtimeOnly(hLocalPort)) return r;
  m_rsh->clearLastError();
  value = m_rsh->localPort();
  return liveResult(0);
}

HRESULT Remcmd::put_LocalPort(int32_t value) {
  return putPort(
      value, [](RshSession& s, uint16_t p) { return s.setLocalPort(p); }, hLocalPort);
}

HRESULT Remcmd::get_LocalUser(std::string& value) {
  return toText(m_rsh->localUser().view(), value);
}

HRESULT Remcmd::put_LocalUser(const std::string& value) {
  return engineResult(m_rsh->setLocalUser(toBytes(value, true)), hLocalUser);
}

HRESULT Remcmd::get_RemoteHost(std::string& value) {
  m_rsh->clearLastError();
  const std::string host = m_rsh->remoteHost();
  if (HRESULT r = liveResult(0)) return r;
  return toText(host, value);
}

HRESULT Remcmd::put_RemoteHost(const std::string& value) {
  return engineResult(m_rsh->setRemoteHost(toBytes(value, true)), hRemoteHost);
}

HRESULT Remcmd::get_RemotePort(int32_t& value) {
  if (HRESULT r = runtimeOnly(hRemotePort)) return r;
  m_rsh->clearLastError();
  value = m_rsh->remotePort();
  return liveResult(0);
}

HRESULT Remcmd::put_RemotePort(int32_t value) {
  return putPort(
      value, [](RshSession& s, uint16_t p) { return s.setRemotePort(p); }, hRemotePort);
}

HRESULT Remcmd::get_RemoteUser(std::string& value) {
  return toText(m_rsh->remoteUser().view(), value);
}

HRESULT Remcmd::put_RemoteUser(const std::string& value) {
  const std::string bytes = toBytes(value, true);
  if (m_rsh->localUser().empty())
    if (int32_t rc = m_rsh->setLocalUser(bytes)) return engineResult(rc, hRemoteUser);
  return engineResult(m_rsh->setRemoteUser(bytes), hRemoteUser);
}

HRESULT Remcmd::get_Stdin(std::string&) {
  return reportControlError(text::kWriteOnly, hStdin, hr::kWriteOnly);
}

HRESULT Remcmd::put_Stdin(const std::string& value) {
  return sendBytes(toBytes(value, false), hStdin);
}

HRESULT Remcmd::get_Timeout(int16_t& value) {
  m_rsh->clearLastError();
  value = static_cast<int16_t>(m_rsh->timeout());
  return liveResult(0);
}

HRESULT Remcmd::put_Timeout(int16_t value) {
  m_rsh->setTimeout(value);
  return hr::kOk;
}

HRESULT Remcmd::get_EOLB(ByteArray& value) {
  value.clear();
  if (HRESULT r = runtimeOnly(hEolB)) return r;
  value = toByteArray(m_rsh->eol());
  return hr::kOk;
}

HRESULT Remcmd::put_EOLB(const ByteArray& value) {
  return engineResult(m_rsh->setEol(bytesOf(value)), hEolB);
}

HRESULT Remcmd::get_ErrEOLB(ByteArray& value) {
  value.clear();
  if (HRESULT r = runtimeOnly(hErrEolB)) return r;
  value = toByteArray(m_rsh->errEol());
  return hr::kOk;
}

HRESULT Remcmd::put_ErrEOLB(const ByteArray& value) {
  return engineResult(m_rsh->setErrEol(bytesOf(value)), hErrEolB);
}

HRESULT Remcmd::get_StdinB(ByteArray& value) {
  value.clear();
  if (HRESULT r = runtimeOnly(hStdinB)) return r;
  return reportControlError(text::kWriteOnly, hStdinB, hr::kWriteOnly);
}

HRESULT Remcmd::put_StdinB(const ByteArray& value) { return sendBytes(bytesOf(value), hStdinB); }

HRESULT Remcmd::get_StderrTextB(ByteArray& value) {
  value.clear();
  if (HRESULT r = runtimeOnly(hStderrTextB)) return r;
  if (const std::string_view* chunk = m_events->stderrChunk()) value = toByteArray(*chunk);
  return hr::kOk;
}

HRESULT Remcmd::put_StderrTextB(const ByteArray&) {
  if (HRESULT r = runtimeOnly(hStderrTextB)) return r;
  return reportControlError(text::kReadOnly, hStderrTextB, hr::kReadOnly);
}

HRESULT Remcmd::get_StdoutTextB(ByteArray& value) {
  value.clear();
  if (HRESULT r = runtimeOnly(hStdoutTextB)) return r;
  if (const std::string_view* chunk = m_events->stdoutChunk()) value = toByteArray(*chunk);
  return hr::kOk;
}

HRESULT Remcmd::put_StdoutTextB(const ByteArray&) {
  if (HRESULT r = runtimeOnly(hStdoutTextB)) return r;
  return reportControlError(text::kReadOnly, hStdoutTextB, hr::kReadOnly);
}

// --- methods ----------------------------------------------------------------------

HRESULT Remcmd::Disconnect() { return engineResult(m_rsh->execute({}), hDisconnect); }

HRESULT Remcmd::DoEvents() {
  m_rsh->waitLoop(20);
  return hr::kOk;
}

HRESULT Remcmd::Execute(const std::string& Command) {
  return engineResult(m_rsh->execute(toBytes(Command, true)), hExecute);
}

HRESULT Remcmd::Send(const std::string& Text) { return sendBytes(toBytes(Text, false), hSend); }

HRESULT Remcmd::OnStartPage(void*) { return hr::kOk; }

HRESULT Remcmd::OnEndPage() { return hr::kOk; }

// --- events -----------------------------------------------------------------------

HRESULT Remcmd::Advise(std::shared_ptr<RemcmdEvents> sink, uint32_t& cookie) {
  cookie = 0;
  if (!sink) return hr::kPointer;
  if (m_firing == 0) std::erase_if(m_sinks, [](const SinkEntry& e) { return !e.sink; });
  cookie = m_nextCookie++;
  m_sinks.push_back({cookie, std::move(sink)});
  return hr::kOk;
}

HRESULT Remcmd::Unadvise(uint32_t cookie) {
  for (SinkEntry& e : m_sinks)
    if (e.cookie == cookie && e.sink) {
      // The place stays (empty) so an event being fired skips it.
      e.sink.reset();
      return hr::kOk;
    }
  return hresultOf(0x80040200u);  // CONNECT_E_NOCONNECTION
}

// --- error information and safety -------------------------------------------------------

HRESULT Remcmd::InterfaceSupportsErrorInfo(std::string_view iid) const {
  return sameId(iid, id::kIidIRemcmd) ? hr::kOk : hr::kFalse;
}

namespace {
constexpr uint32_t kSafeOptions = 3;  // safe for untrusted callers and for untrusted data
bool isOwnInterface(std::string_view iid) {
  return sameId(iid, id::kIidIRemcmd) || sameId(iid, id::kIidIUnknown) ||
         sameId(iid, id::kIidIDispatch);
}
}  // namespace

HRESULT Remcmd::GetInterfaceSafetyOptions(std::string_view iid, uint32_t& supported,
                                          uint32_t& enabled) const {
  supported = enabled = 0;
  if (!isOwnInterface(iid)) return hr::kNoInterface;
  supported = kSafeOptions;
  enabled = m_safety;
  return hr::kOk;
}

HRESULT Remcmd::SetInterfaceSafetyOptions(std::string_view iid, uint32_t mask, uint32_t enabled) {
  if (!isOwnInterface(iid)) return hr::kNoInterface;
  if ((mask & ~kSafeOptions) != 0) return hr::kFail;
  m_safety = (m_safety & ~mask) | (enabled & mask);
  return hr::kOk;
}

}  // namespace remcmd
