// TcpSession: one non-blocking TCP socket of the remote-shell engine. It
// resolves and checks addresses, connects (directly or through its firewall
// layer), receives into its LineBuffer and delivers lines, sends, closes, and
// reports every event to its SessionSink. Its waits are passes of the
// reactor bounded by the session's deadline (64-bit monotonic milliseconds).
//
// Sessions are shared objects (create()): the reactor holds a session only
// for the time of one notification, so an owner that drops it from inside an
// event handler (after detach()) never leaves the engine on freed memory.
#pragma once

#include "ByteBuffer.h"
#include "FirewallLayer.h"
#include "LineBuffer.h"
#include "SessionSink.h"
#include "remcmd/Reactor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace remcmd {

int64_t monotonicMs();

class TcpSession : public SocketTarget {
 public:
  static std::shared_ptr<TcpSession> create(std::shared_ptr<Reactor> reactor = {});
  ~TcpSession() override;
  TcpSession(const TcpSession&) = delete;
  TcpSession& operator=(const TcpSession&) = delete;

  void setSink(SessionSink* sink) { m_sink = sink; }
  // Stops every notification and closes what is open without reporting;
  // waits in progress end. For an owner about to let the session go.
  virtual void detach();
  bool detached() const { return m_detached; }
  // Called on every pass of the engine's own waits (the host's event pump).
  void setEventPump(std::function<void()> pump) { m_pump = std::move(pump); }
  const std::shared_ptr<Reactor>& reactor() const { return m_reactor; }

  // Operations; each returns an engine result with its text in lastErrorText().
  int32_t sessionConnect(bool on);
  int32_t connectAndWait();
  int32_t sessionSend(const void* bytes, uint32_t length, bool raw = false);
  int32_t sessionSendAll(const void* bytes, uint32_t length);
  int32_t sessionClose(int32_t code);
  // One pass of the wait loop: 1 to go on waiting, 0 when the wait must end
  // ("Interrupted.", "Timeout.", or the session was detached).
  int waitLoop(int ms);

  int32_t setRemoteHost(std::string_view text);
  std::string remoteHost() const;
  int32_t setRemotePort(uint16_t port);
  uint16_t remotePort() const { return m_remotePort; }
  int32_t setLocalHost(std::string_view text);
  std::string localHost();
  int32_t setLocalPort(uint16_t port);
  uint16_t localPort() const;
  int32_t setMaxLineLength(uint32_t length);
  uint32_t maxLineLength() const { return m_lines.capacity(); }
  int32_t setEol(std::string_view eol);
  std::string_view eol() const { return m_lines.eol(); }
  int32_t setInBufferSize(int32_t size);
  int32_t inBufferSize() const { return m_inBufferSize; }
  int32_t setOutBufferSize(int32_t size);
  int32_t outBufferSize() const { return m_outBufferSize; }
  int32_t setKeepAlive(bool on);
  int32_t setLinger(bool on);
  void setAcceptData(bool on);

  void setTimeout(int32_t seconds);
  int32_t timeout() const { return static_cast<int32_t>(m_timeoutMs / 1000); }
  void armDeadline();
  void setAbsoluteTimeout(bool on) { m_absoluteTimeout = on; }
  bool absoluteTimeout() const { return m_absoluteTimeout; }
  void requestInterrupt() { m_interruptRequest = true; }
  void clearInterrupt() { m_interruptRequest = false; }
  bool interruptRequested() const { return m_interruptRequest; }

  void setCodePage(uint32_t codePage) { m_codePage = codePage; }
  uint32_t codePage() const { return m_codePage; }
  void setCharsetMode(int8_t mode) { m_charsetMode = mode; }
  int8_t charsetMode() const { return m_charsetMode; }

  int socketHandle() const { return m_socket; }
  bool connected() const { return m_connected; }
  bool usable() const { return m_connected && !m_firewall.negotiating(); }
  int32_t bytesSent() const { return m_lastSendCount; }
  bool holdsWinsock() const { return m_winsockHeld; }

  FirewallLayer& firewall() { return m_firewall; }
  const FirewallLayer& firewall() const { return m_firewall; }

  const ByteBuffer& lastErrorText() const { return m_lastErrorText; }
  void setLastErrorText(std::string_view text) { m_lastErrorText.set(text); }
  void clearLastError();
  int32_t lastErrorCode() const { return m_lastErrorCode; }
  // Fills an empty lastErrorText from a result code.
  void resultText(int32_t code);
  // Sets lastErrorText to "[code] text" of the Winsock table.
  bool winsockErrorText(int32_t code);
  int32_t resolveHostAddress(std::string_view text, uint32_t& address);
  // The engine's texts travel as zero-terminated fields: one with a NUL inside would
  // shift the fields after it. 0, or 10022 with its text as last error.
  int32_t refuseNul(std::string_view text);

  void onSocketEvent(int socket, uint16_t event, uint16_t error) override;

 protected:
  explicit TcpSession(std::shared_ptr<Reactor> reactor);
  void setSelf(std::weak_ptr<SocketTarget> self) { m_self = std::move(self); }
  const std::weak_ptr<SocketTarget>& self() const { return m_self; }
  void markConnected() { m_connected = true; }
  std::shared_ptr<SocketTarget> holdSelf() const { return m_self.lock(); }

  // Delivery of one piece of received data (after the firewall layer).
  virtual void onData(std::string_view data, bool eol);
  virtual void notifyConnected(int32_t code);
  virtual void notifyConnectionStatus(std::string_view event, int32_t code);
  virtual void notifyDisconnected(int32_t code);
  virtual void notifyError(int32_t code, std::string_view text);
  SessionSink* sink() const { return m_detached ? nullptr : m_sink; }
  std::string describe(int32_t code);

  void sessionDispatch(uint16_t event, uint16_t error);
  void sessionReset();
  void addReceived(const char* bytes, uint32_t length, bool lineFlag);

  std::shared_ptr<Reactor> m_reactor;
  int m_socket = -1;
  bool m_detached = false;

 private:
  friend class FirewallLayer;
  int32_t receive(int mode);
  bool deliver(std::string_view piece, bool eol);
  bool deliverLines();
  bool deliverAll();
  void reportConnectResult(int32_t code);
  void reportDisconnection(int32_t code);
  void finishPendingClose();

  std::weak_ptr<SocketTarget> m_self;
  SessionSink* m_sink = nullptr;
  std::function<void()> m_pump;

  ByteBuffer m_remoteHostText;
  uint32_t m_remoteAddress = 0;
  uint16_t m_remotePort = 0;
  uint32_t m_localAddress = 0;
  uint16_t m_localPort = 0;
  int32_t m_inBufferSize = 2048;
  int32_t m_outBufferSize = 2048;
  bool m_keepAlive = false;
  bool m_linger = true;
  bool m_acceptData = true;
  bool m_connected = false;
  bool m_inReceive = false;
  bool m_closePending = false;
  int32_t m_closeCode = 0;
  bool m_canSend = false;
  int32_t m_lastSendCount = 0;
  int64_t m_timeoutMs = 0;
  int64_t m_deadline = 0;
  bool m_absoluteTimeout = false;
  bool m_interruptRequest = false;
  uint32_t m_codePage = 0;
  int8_t m_charsetMode = 0;
  ByteBuffer m_lastErrorText;
  int32_t m_lastErrorCode = 0;
  bool m_connectResultStored = false;
  int32_t m_connectResult = 0;
  ByteBuffer m_connectResultText;
  LineBuffer m_lines;
  FirewallLayer m_firewall{*this};
  bool m_winsockHeld = false;
};

}  // namespace remcmd
