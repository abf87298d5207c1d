#include "RshSession.h"

#include "SocketBinding.h"

#include <netinet/in.h>
#include <string>

namespace remcmd {

// --- StderrChannel --------------------------------------------------------------

StderrChannel::StderrChannel(std::shared_ptr<Reactor> reactor) : TcpSession(std::move(reactor)) {}

StderrChannel::~StderrChannel() { closeListener(); }

void StderrChannel::closeListener() {
  if (m_listener < 0) return;
  m_reactor->unwatch(m_listener);
  socketTable().closesocket(m_listener);
  m_listener = -1;
}

int32_t StderrChannel::listen(uint16_t port) {
  closeListener();
  SocketTable& api = socketTable();
  const int fd = api.socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return api.getLastError();
  const int on = 1;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  socklen_t len = sizeof sa;
  int err = 0;
  if (api.setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      api.bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
      api.getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || api.listen(fd, 1) != 0)
    err = api.getLastError();
  if (err) {
    api.closesocket(fd);
    return err;
  }
  m_listener = fd;
  m_listenerPort = ntohs(sa.sin_port);
  m_reactor->watch(fd, Reactor::Accept, self());
  return 0;
}

void StderrChannel::onSocketEvent(int socket, uint16_t event, uint16_t error) {
  if (socket == m_listener && event == Reactor::Accept)
    acceptConnection();
  else
    TcpSession::onSocketEvent(socket, event, error);
}

void StderrChannel::acceptConnection() {
  sessionReset();
  const int fd = socketTable().accept(m_listener, nullptr, nullptr);
  closeListener();
  if (fd < 0) return;
  m_socket = fd;
  markConnected();
  m_reactor->watch(fd, Reactor::Read | Reactor::Write | Reactor::Close, self());
}

void StderrChannel::onData(std::string_view data, bool eol) {
  if (auto owner = m_owner.lock()) owner->raiseStderr(data, eol);
}

void StderrChannel::notifyDisconnected(int32_t) {
  // The end of standard error is told as one zero byte with a line end.
  if (auto owner = m_owner.lock()) owner->raiseStderr(std::string_view("\0", 1), true);
}

// --- RshSession -----------------------------------------------------------------

std::shared_ptr<RshSession> RshSession::create(std::shared_ptr<Reactor> reactor) {
  std::shared_ptr<RshSession> session(new RshSession(std::move(reactor)));
  session->setSelf(session);
  session->m_stderr->m_owner = session;
  return session;
}

RshSession::RshSession(std::shared_ptr<Reactor> reactor) : TcpSession(std::move(reactor)) {
  std::shared_ptr<StderrChannel> channel(new StderrChannel(m_reactor));
  channel->setSelf(channel);
  m_stderr = std::move(channel);
  setEol("\n");
  m_stderr->setEol("\n");
}

RshSession::~RshSession() { m_stderr->detach(); }

void RshSession::detach() {
  m_stderr->closeListener();
  m_stderr->detach();
  TcpSession::detach();
}

int32_t RshSession::setLocalUser(std::string_view text) {
  if (int32_t rc = refuseNul(text)) return rc;
  return m_localUser.set(text);
}

int32_t RshSession::setRemoteUser(std::string_view text) {
  if (int32_t rc = refuseNul(text)) return rc;
  return m_remoteUser.set(text);
}

void RshSession::raiseStderr(std::string_view data, bool eol) {
  if (SessionSink* s = sink()) {
    s->setCodePage(codePage());
    s->onStderr(data, eol);
  }
}

void RshSession::onData(std::string_view data, bool eol) {
  if (!m_firstByteSeen) {
    m_firstByteSeen = true;
    // The server's first byte is its verdict: 0, or a refusal whose text follows.
    if (!data.empty()) {
      const char verdict = data[0];
      data.remove_prefix(1);
      if (verdict != 0) {
        m_refused = true;
        m_errorMessage.set(data);
      }
    }
  }
  TcpSession::onData(data, eol);
}

void RshSession::closeAll() {
  // The listener first: a Disconnected handler may start the next exchange,
  // whose new listener must survive the rest of this close.
  m_stderr->closeListener();
  sessionConnect(false);
  m_stderr->sessionConnect(false);
}

int32_t RshSession::execute(std::string_view command) {
  const auto keep = holdSelf();
  if (command.empty()) {
    clearInterrupt();
    if (m_busy > 0) requestInterrupt();
    m_command.release();
    closeAll();
    return 0;
  }
  clearLastError();
  // Also refused while an earlier call is still connecting or sending; the
  // refusal leaves that call's pending interruption alone.
  if (usable() || m_busy > 0) {
    setLastErrorText("Busy executing current command.");
    return result::kBusy;
  }
  if (int32_t rc = refuseNul(command)) return rc;
  clearInterrupt();
  ++m_busy;
  const int32_t rc = run(command);
  --m_busy;
  if (rc != 0 && !detached()) {
    const ByteBuffer reason = lastErrorText();
    closeAll();
    setLastErrorText(reason.view());
    resultText(rc);
  }
  return rc;
}

int32_t RshSession::run(std::string_view command) {
  armDeadline();
  m_firstByteSeen = false;
  m_refused = false;
  m_errorMessage.release();
  setLinger(true);
  if (m_command.set(command)) {
    setLastErrorText("Out of memory.");
    return result::kOutOfMemory;
  }
  if (int32_t rc = openListener()) return rc;
  int32_t rc = reservedPortConnect();
  if (detached()) return result::kWaitEnded;
  // An interrupted or timed-out connect ends the exchange: trying again would
  // send the request of a command that was just cancelled.
  if (rc == result::kWaitEnded) return rc;
  if (rc != 0) {
    notifyError(rc, "Could not connect through secure port. Trying alternate...");
    if (detached() || endRequested()) return result::kWaitEnded;
    setLocalPort(0);
    rc = connectAndWait();
    if (rc != 0) return rc;
  }
  ByteBuffer request;
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  const int listener = m_stderr->listenerHandle();
  if (listener >= 0 &&
      socketTable().getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
    request.appendDecimal(ntohs(sa.sin_port));
  else
    request.append("0");
  const char zero = 0;
  request.append(&zero, 1);
  request.append(m_localUser.view());
  request.append(&zero, 1);
  request.append(m_remoteUser.view());
  request.append(&zero, 1);
  request.append(m_command.view());
  if (request.append(&zero, 1)) {
    setLastErrorText("Out of memory.");
    return result::kOutOfMemory;
  }
  return sessionSendAll(request.data(), request.size());
}

int32_t RshSession::openListener() {
  for (uint16_t port = kFirstListenerPort;; ++port) {
    const int32_t rc = m_stderr->listen(port);
    if (rc == 0) return 0;
    if (rc != wsa::kAddressInUse || port == kLastReservedPort) {
      winsockErrorText(rc);
      return rc;
    }
  }
}

int32_t RshSession::reservedPortConnect() {
  const uint16_t start = static_cast<uint16_t>(kFirstConnectPort + monotonicMs() % 450);
  int32_t rc = wsa::kAddressInUse;
  for (uint16_t port = start; port <= kLastReservedPort; ++port) {
    if (int32_t set = setLocalPort(port)) return set;
    rc = connectAndWait();
    if (rc != wsa::kAddressInUse || detached()) return rc;
  }
  return rc;
}

bool RshSession::endRequested() {
  // An end asked for by the Error handler, outside any wait, would be
  // forgotten by the next connect, which starts by clearing it.
  if (!interruptRequested()) return false;
  clearInterrupt();
  setLastErrorText("Interrupted.");
  return true;
}

}  // namespace remcmd
