#include "TcpSession.h"

#include "SocketBinding.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>

namespace remcmd {

int64_t monotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {

constexpr uint16_t kConnectingMask =
    Reactor::Read | Reactor::Write | Reactor::Connect | Reactor::Close;

sockaddr_in makeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return sa;
}

bool isQuietReceiveError(int code) {
  return code == wsa::kWouldBlock || code == wsa::kNotSocket || code == wsa::kConnectionAborted ||
         code == wsa::kConnectionReset;
}

}  // namespace

std::shared_ptr<TcpSession> TcpSession::create(std::shared_ptr<Reactor> reactor) {
  std::shared_ptr<TcpSession> session(new TcpSession(std::move(reactor)));
  session->setSelf(session);
  return session;
}

TcpSession::TcpSession(std::shared_ptr<Reactor> reactor)
    : m_reactor(reactor ? std::move(reactor) : Reactor::create()) {
  m_winsockHeld = loadWinsock() == 1;
}

TcpSession::~TcpSession() {
  sessionReset();
  if (m_winsockHeld) unloadWinsock();
}

void TcpSession::detach() {
  m_detached = true;
  m_sink = nullptr;
  sessionReset();
}

void TcpSession::clearLastError() {
  m_lastErrorText.release();
  m_lastErrorCode = 0;
}

bool TcpSession::winsockErrorText(int32_t code) {
  clearLastError();
  m_lastErrorText.set(remcmd::winsockErrorText(code));
  m_lastErrorCode = code;
  return winsockErrorDescription(code) != nullptr;
}

void TcpSession::resultText(int32_t code) {
  if (!m_lastErrorText.empty() || code == 0) return;
  if (code == result::kWaitEnded)
    m_lastErrorText.set("Interrupted.");
  else if (code == result::kOutOfMemory)
    m_lastErrorText.set("Out of memory.");
  else
    winsockErrorText(code);
}

std::string TcpSession::describe(int32_t code) {
  if (code == 0) return "OK";
  if (m_lastErrorText.empty()) winsockErrorText(code);
  return std::string(m_lastErrorText.view());
}

int32_t TcpSession::refuseNul(std::string_view text) {
  if (text.find('\0') == std::string_view::npos) return 0;
  winsockErrorText(wsa::kInvalidArgument);
  return wsa::kInvalidArgument;
}

int32_t TcpSession::resolveHostAddress(std::string_view text, uint32_t& address) {
  clearLastError();
  address = 0;
  if (text.empty()) return 0;
  if (int32_t rc = refuseNul(text)) return rc;
  const std::string name(text);
  in_addr parsed{};
  if (::inet_aton(name.c_str(), &parsed) != 0) {
    address = parsed.s_addr;
    return 0;
  }
  uint32_t found = 0;
  if (socketTable().gethostbyname(name.c_str(), &found) == 0) {
    address = found;
    return 0;
  }
  const int err = socketTable().getLastError();
  if (err == wsa::kNotInitialised) return 0;
  winsockErrorText(err);
  return err;
}

// --- configuration -----------------------------------------------------------

int32_t TcpSession::setRemoteHost(std::string_view text) {
  clearLastError();
  if (int32_t rc = refuseNul(text)) return rc;
  if (m_remoteHostText.set(text)) return result::kOutOfMemory;
  if (m_firewall.type() != FirewallType::None) return 0;
  if (m_socket >= 0) {
    m_lastErrorText.set(
        "You cannot change the RemoteHost at this time. A connection is in progress.");
    return result::kRemoteHostBusy;
  }
  return resolveHostAddress(text, m_remoteAddress);
}

std::string TcpSession::remoteHost() const {
  if (m_firewall.type() != FirewallType::None) return std::string(m_remoteHostText.view());
  return m_remoteAddress ? dottedAddress(m_remoteAddress) : std::string();
}

int32_t TcpSession::setRemotePort(uint16_t port) {
  clearLastError();
  if (m_socket >= 0) {
    m_lastErrorText.set(
        "You cannot change the RemotePort at this time. A connection is in progress.");
    return result::kRemotePortBusy;
  }
  m_remotePort = port;
  return 0;
}

int32_t TcpSession::setLocalHost(std::string_view text) {
  return resolveHostAddress(text, m_localAddress);
}

std::string TcpSession::localHost() {
  clearLastError();
  if (m_socket >= 0 && m_connected) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (socketTable().getsockname(m_socket, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
      return dottedAddress(sa.sin_addr.s_addr);
    winsockErrorText(socketTable().getLastError());
    return {};
  }
  if (m_localAddress) return dottedAddress(m_localAddress);
  char name[101] = {};
  if (socketTable().gethostname(name, sizeof name - 1) != 0) {
    winsockErrorText(socketTable().getLastError());
    return {};
  }
  return name;
}

int32_t TcpSession::setLocalPort(uint16_t port) {
  clearLastError();
  if (m_socket >= 0) {
    m_lastErrorText.set(
        "You cannot change the LocalPort at this time. A connection is in progress.");
    return result::kLocalPortBusy;
  }
  m_localPort = port;
  return 0;
}

uint16_t TcpSession::localPort() const {
  if (m_socket < 0) return m_localPort;
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (socketTable().getsockname(m_socket, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
    return m_localPort;
  return ntohs(sa.sin_port);
}

int32_t TcpSession::setMaxLineLength(uint32_t length) {
  clearLastError();
  if (m_socket >= 0) {
    m_lastErrorText.set("You cannot change MaxLineSize at this time. A connection is in progress.");
    return result::kMaxLineBusy;
  }
  if (!m_lines.allocate(length)) {
    m_lastErrorText.set("Out of memory.");
    return result::kOutOfMemory;
  }
  return 0;
}

int32_t TcpSession::setEol(std::string_view eol) {
  if (!m_lines.setEol(eol.data(), static_cast<uint32_t>(eol.size()))) return result::kOutOfMemory;
  return 0;
}

namespace {
int32_t applyBufferSize(int fd, int option, int32_t& stored) {
  const int value = stored;
  if (socketTable().setsockopt(fd, SOL_SOCKET, option, &value, sizeof value) == 0) return 0;
  const int err = socketTable().getLastError();
  int inForce = 0;
  socklen_t len = sizeof inForce;
  if (socketTable().getsockopt(fd, SOL_SOCKET, option, &inForce, &len) == 0) stored = inForce;
  return err;
}
}  // namespace

int32_t TcpSession::setInBufferSize(int32_t size) {
  clearLastError();
  m_inBufferSize = size;
  if (size > 2048 && m_socket >= 0)
    if (int32_t err = applyBufferSize(m_socket, SO_RCVBUF, m_inBufferSize))
      return winsockErrorText(err), err;
  return 0;
}

int32_t TcpSession::setOutBufferSize(int32_t size) {
  clearLastError();
  m_outBufferSize = size;
  if (size > 2048 && m_socket >= 0)
    if (int32_t err = applyBufferSize(m_socket, SO_SNDBUF, m_outBufferSize))
      return winsockErrorText(err), err;
  return 0;
}

int32_t TcpSession::setKeepAlive(bool on) {
  clearLastError();
  m_keepAlive = on;
  if (m_socket < 0) return 0;
  const int value = on ? 1 : 0;
  if (socketTable().setsockopt(m_socket, SOL_SOCKET, SO_KEEPALIVE, &value, sizeof value) == 0)
    return 0;
  const int err = socketTable().getLastError();
  int inForce = 0;
  socklen_t len = sizeof inForce;
  if (socketTable().getsockopt(m_socket, SOL_SOCKET, SO_KEEPALIVE, &inForce, &len) == 0)
    m_keepAlive = inForce != 0;
  winsockErrorText(err);
  return err;
}

int32_t TcpSession::setLinger(bool on) {
  clearLastError();
  if (m_socket >= 0) {
    // Linger "on" means a graceful close, that is the socket option off.
    const ::linger value{on ? 0 : 1, 0};
    if (socketTable().setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &value, sizeof value) != 0) {
      const int err = socketTable().getLastError();
      winsockErrorText(err);
      return err;
    }
  }
  m_linger = on;
  return 0;
}

void TcpSession::setAcceptData(bool on) {
  const bool was = m_acceptData;
  m_acceptData = on;
  if (on && !was && m_connected && m_socket >= 0) m_reactor->post(m_socket, Reactor::Read);
}

void TcpSession::setTimeout(int32_t seconds) {
  m_timeoutMs = static_cast<int64_t>(seconds) * 1000;
  m_deadline = 0;
}

void TcpSession::armDeadline() { m_deadline = m_timeoutMs > 0 ? monotonicMs() + m_timeoutMs : 0; }

// --- connecting ----------------------------------------------------------------

int32_t TcpSession::sessionConnect(bool on) {
  if (!on) return sessionClose(0);
  clearLastError();
  if (m_socket >= 0) {
    m_lastErrorText.set(
        "Already connected. If you want to reconnect, close the current connection first.");
    return result::kBusy;
  }
  m_closePending = false;
  m_lines.clear();

  const bool viaFirewall = m_firewall.type() != FirewallType::None;
  const uint32_t address = viaFirewall ? m_firewall.address() : m_remoteAddress;
  const int32_t port = viaFirewall ? m_firewall.port() : m_remotePort;
  if (address == 0) {
    m_lastErrorText.set(viaFirewall ? "The FirewallHost address is invalid (0.0.0.0)."
                                    : "The RemoteHost address is invalid (0.0.0.0).");
    return result::kInvalidAddress;
  }
  if (port <= 0 || port > 65535) {
    m_lastErrorText.set(
        viaFirewall ? "The FirewallPort is invalid (0)."
                    : "RemotePort can't be zero. Please specify a valid service port number.");
    return result::kInvalidPort;
  }

  m_connected = false;
  SocketTable& api = socketTable();
  const int fd = api.socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) {
    const int err = api.getLastError();
    winsockErrorText(err);
    return err;
  }
  m_socket = fd;

  const sockaddr_in local = makeAddress(m_localAddress, m_localPort);
  int err = 0;
  if (api.bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    err = api.getLastError();
  } else {
    const int on1 = 1;
    const int keep = m_keepAlive ? 1 : 0;
    api.setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &keep, sizeof keep);
    const ::linger lg{m_linger ? 0 : 1, 0};
    api.setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    if (m_inBufferSize > 2048)
      api.setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &m_inBufferSize, sizeof m_inBufferSize);
    if (m_outBufferSize > 2048)
      api.setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &m_outBufferSize, sizeof m_outBufferSize);
    api.setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on1, sizeof on1);
    m_reactor->watch(fd, kConnectingMask, m_self);
    const sockaddr_in target = makeAddress(address, static_cast<uint16_t>(port));
    if (api.connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
      err = api.getLastError();
      if (err == wsa::kWouldBlock || err == wsa::kInProgress) err = 0;
    }
  }
  if (err) {
    sessionReset();
    winsockErrorText(err);
    return err;
  }
  return 0;
}

void TcpSession::sessionReset() {
  if (m_socket >= 0) {
    m_reactor->unwatch(m_socket);
    socketTable().closesocket(m_socket);
    m_socket = -1;
  }
  m_connected = false;
  m_canSend = false;
  m_lastSendCount = 0;
  m_acceptData = true;
  m_closePending = false;
}

int32_t TcpSession::connectAndWait() {
  const auto keep = holdSelf();
  clearInterrupt();
  if (usable()) return 0;
  m_connectResultStored = false;
  setAcceptData(false);
  if (int32_t rc = sessionConnect(true)) {
    m_acceptData = true;
    return rc;
  }
  for (;;) {
    const int goOn = waitLoop(10);
    if (m_detached) return result::kWaitEnded;
    // A wait ended in the same pass (say by a Connected handler that
    // ended the exchange) wins over the connection's result.
    if (goOn && (usable() || m_connectResultStored)) {
      setAcceptData(true);
      const int32_t rc = m_connectResultStored ? m_connectResult : 0;
      if (rc) m_lastErrorText = m_connectResultText;
      return rc;
    }
    if (!goOn) {
      const ByteBuffer reason = m_lastErrorText;
      sessionConnect(false);
      m_lastErrorText = reason;
      return result::kWaitEnded;
    }
  }
}

int TcpSession::waitLoop(int ms) {
  const auto keep = holdSelf();
  auto interruptedNow = [this] {
    if (!m_interruptRequest) return false;
    m_interruptRequest = false;
    m_lastErrorText.set("Interrupted.");
    return true;
  };
  if (m_detached || interruptedNow()) return 0;
  m_reactor->runOnePass(ms);
  if (m_pump) m_pump();
  if (m_detached || interruptedNow()) return 0;
  if (m_deadline != 0 && monotonicMs() > m_deadline) {
    m_lastErrorText.set("Timeout.");
    return 0;
  }
  return 1;
}

// --- sending -------------------------------------------------------------------

int32_t TcpSession::sessionSend(const void* bytes, uint32_t length, bool raw) {
  clearLastError();
  SocketTable& api = socketTable();
  if (m_socket < 0 || !(raw ? m_connected : usable())) {
    api.setLastError(wsa::kNotConnected);
    return wsa::kNotConnected;
  }
  if (length == 0) return 0;
  const long n = api.send(m_socket, bytes, length, 0);
  if (n < 0) {
    const int err = api.getLastError();
    m_lastSendCount = 0;
    if (err == wsa::kWouldBlock) m_reactor->rearm(m_socket, Reactor::Write);
    return err;
  }
  if (!m_absoluteTimeout) armDeadline();
  m_lastSendCount = static_cast<int32_t>(n);
  if (static_cast<uint32_t>(n) == length) return 0;
  api.setLastError(wsa::kWouldBlock);
  m_reactor->rearm(m_socket, Reactor::Write);
  return wsa::kWouldBlock;
}

int32_t TcpSession::sessionSendAll(const void* bytes, uint32_t length) {
  const auto keep = holdSelf();
  const char* p = static_cast<const char*>(bytes);
  uint32_t done = 0;
  int32_t rc = 0;
  for (;;) {
    rc = sessionSend(p + done, length - done);
    if (rc == 0) done = length;
    if (rc != wsa::kWouldBlock) break;
    done += static_cast<uint32_t>(m_lastSendCount);
    if (!waitLoop(10)) {
      rc = result::kWaitEnded;
      break;
    }
  }
  // What this whole send handed to the connection, not its last piece.
  if (!m_detached) m_lastSendCount = static_cast<int32_t>(done);
  return rc;
}

// --- notifications ---------------------------------------------------------------

void TcpSession::onSocketEvent(int socket, uint16_t event, uint16_t error) {
  if (socket == m_socket) sessionDispatch(event, error);
}

void TcpSession::sessionDispatch(uint16_t event, uint16_t error) {
  switch (event) {
    case Reactor::Read:
      if ((m_acceptData || m_firewall.negotiating()) && !m_inReceive) {
        m_inReceive = true;
        receive(0);
        m_inReceive = false;
        finishPendingClose();
      }
      break;
    case Reactor::Write:
      m_canSend = true;
      break;
    case Reactor::Connect: {
      m_connected = true;
      const int on = 1;
      socketTable().setsockopt(m_socket, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
      if (error == 0) {
        m_firewall.connected(0);
      } else {
        m_connected = false;
        m_firewall.connected(error);
        sessionReset();
      }
      break;
    }
    case Reactor::Close:
      if (m_inReceive) {
        // A nested pass met the close: the receive loop below carries it out.
        m_closePending = true;
        m_closeCode = error;
        break;
      }
      m_inReceive = true;
      receive(2);
      m_inReceive = false;
      m_closePending = false;
      m_firewall.hungUp(error);
      sessionClose(error);
      break;
    default:
      break;
  }
}

void TcpSession::finishPendingClose() {
  if (m_closePending) {
    m_closePending = false;
    sessionClose(m_closeCode);
  }
}

int32_t TcpSession::sessionClose(int32_t code) {
  // An earlier operation's text must not describe this close.
  clearLastError();
  if (m_socket < 0) {
    sessionReset();
    return 0;
  }
  m_reactor->unwatch(m_socket);
  if (m_inReceive) {
    // The receive loop below us carries the close out when it returns.
    m_closePending = true;
    m_closeCode = code;
    return 0;
  }
  if (m_acceptData) {
    m_inReceive = true;
    receive(1);
    m_inReceive = false;
    m_closePending = false;
    if (m_socket < 0) return 0;
  }
  const bool wasConnected = m_connected;
  const int fd = m_socket;
  m_socket = -1;
  sessionReset();
  // Closed before reporting, so a handler may start the next exchange at once.
  const int rc = socketTable().closesocket(fd);
  const int err = rc != 0 ? socketTable().getLastError() : 0;
  if (wasConnected) m_firewall.disconnected(code);
  return err;
}

int32_t TcpSession::receive(int mode) {
  SocketTable& api = socketTable();
  for (;;) {
    if (m_socket < 0 || m_detached || !(m_acceptData || m_firewall.negotiating()) ||
        m_interruptRequest)
      return 0;
    if (!m_firewall.negotiating() && !deliverLines()) return 0;
    const LineBuffer::Room room = m_lines.freeRoom();
    if (room.size == 0) {
      std::string_view piece;
      m_lines.rest(piece);
      if (!deliver(std::string(piece), false)) return 0;
      continue;
    }
    if (m_closePending) return 0;
    const long n = api.recv(m_socket, room.data, room.size, 0);
    const int err = n < 0 ? api.getLastError() : 0;
    m_reactor->rearm(m_socket, Reactor::Read);
    if (n < 0) {
      if (!isQuietReceiveError(err))
        notifyError(err, "socket error in recv: " + std::to_string(err));
      return err;
    }
    if (m_firewall.negotiating()) {
      if (n == 0) {
        m_firewall.hungUp(0);
        m_closePending = true;
        m_closeCode = 0;
        return 0;
      }
      const std::string bytes(room.data, static_cast<std::size_t>(n));
      m_firewall.dataIn(bytes.data(), static_cast<uint32_t>(bytes.size()), false);
      return 0;
    }
    if (n > 0) m_lines.commit(static_cast<uint32_t>(n));
    if (n > 0 && mode == 0) continue;
    if (!deliverAll()) return 0;
    if (mode == 1) return 0;
    if (n > 0) continue;
    if (mode == 0) {
      m_closePending = true;
      m_closeCode = 0;
    }
    return 0;
  }
}

bool TcpSession::deliver(std::string_view piece, bool eol) {
  if (!m_absoluteTimeout) armDeadline();
  m_firewall.dataIn(piece.data(), static_cast<uint32_t>(piece.size()), eol);
  // A close asked for by a handler stops the delivery of what is still buffered.
  return m_socket >= 0 && !m_detached && !m_closePending &&
         (m_acceptData || m_firewall.negotiating()) && !m_interruptRequest;
}

bool TcpSession::deliverLines() {
  std::string_view piece;
  while (m_lines.nextPiece(piece))
    if (!deliver(std::string(piece), true)) return false;
  return true;
}

bool TcpSession::deliverAll() {
  if (!deliverLines()) return false;
  std::string_view piece;
  if (m_lines.rest(piece)) return deliver(std::string(piece), false);
  return true;
}

void TcpSession::addReceived(const char* bytes, uint32_t length, bool lineFlag) {
  if (length == 0) return;
  m_lines.add(bytes, length);
  if (lineFlag) m_lines.add(m_lines.eol().data(), static_cast<uint32_t>(m_lines.eol().size()));
}

void TcpSession::reportConnectResult(int32_t code) {
  if (code == 0) notifyConnectionStatus("Remote host connection complete.", 0);
  const std::string description = describe(code);
  m_connectResult = code;
  m_connectResultText.set(description);
  m_connectResultStored = true;
  notifyConnected(code);
}

void TcpSession::reportDisconnection(int32_t code) {
  notifyConnectionStatus("Remote host disconnected.", code);
  notifyDisconnected(code);
}

void TcpSession::onData(std::string_view data, bool eol) {
  if (SessionSink* s = sink()) {
    s->setCodePage(m_codePage);
    s->onStdout(data, eol);
  }
}

void TcpSession::notifyConnected(int32_t code) {
  if (SessionSink* s = sink()) {
    const std::string description(m_connectResultText.view());
    s->setCodePage(m_codePage);
    s->onConnected(code, description);
  }
}

void TcpSession::notifyConnectionStatus(std::string_view event, int32_t code) {
  if (SessionSink* s = sink()) {
    const std::string description = describe(code);
    s->setCodePage(m_codePage);
    s->onConnectionStatus(event, code, description);
  }
}

void TcpSession::notifyDisconnected(int32_t code) {
  if (SessionSink* s = sink()) {
    const std::string description = describe(code);
    s->setCodePage(m_codePage);
    s->onDisconnected(code, description);
  }
}

void TcpSession::notifyError(int32_t code, std::string_view text) {
  if (SessionSink* s = sink()) {
    const std::string copy(text);
    s->setCodePage(m_codePage);
    s->onError(code, copy);
  }
}

}  // namespace remcmd
