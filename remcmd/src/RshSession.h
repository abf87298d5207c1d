// RshSession: runs one command on a host with the rsh protocol. The main
// TCP session carries the request and the command's standard output; the
// embedded StderrChannel listens on a reserved port for the server's
// connection back and carries standard error. Output reaches the sink as
// Stdout and Stderr notifications after execute() has returned, through
// whatever drives the reactor.
#pragma once

#include "TcpSession.h"

#include <memory>

namespace remcmd {

class RshSession;

class StderrChannel : public TcpSession {
 public:
  ~StderrChannel() override;
  int32_t listen(uint16_t port);
  void closeListener();
  int listenerHandle() const { return m_listener; }
  uint16_t listenerPort() const { return m_listenerPort; }
  void onSocketEvent(int socket, uint16_t event, uint16_t error) override;

 protected:
  void onData(std::string_view data, bool eol) override;
  void notifyConnected(int32_t) override {}
  void notifyConnectionStatus(std::string_view, int32_t) override {}
  void notifyError(int32_t, std::string_view) override {}
  void notifyDisconnected(int32_t code) override;

 private:
  friend class RshSession;
  explicit StderrChannel(std::shared_ptr<Reactor> reactor);
  void acceptConnection();

  std::weak_ptr<RshSession> m_owner;
  int m_listener = -1;
  uint16_t m_listenerPort = 0;
};

class RshSession : public TcpSession {
 public:
  static constexpr uint16_t kFirstListenerPort = 515;
  static constexpr uint16_t kFirstConnectPort = 525;
  static constexpr uint16_t kLastReservedPort = 999;

  static std::shared_ptr<RshSession> create(std::shared_ptr<Reactor> reactor = {});
  ~RshSession() override;

  // Starts an exchange (returns once the request is sent) or, with an empty
  // command, ends the running one. Returns an engine result.
  int32_t execute(std::string_view command);

  void detach() override;

  const ByteBuffer& command() const { return m_command; }
  const ByteBuffer& errorMessage() const { return m_errorMessage; }
  // The server's first reply byte of this exchange was not 0: it refused the request (with
  // or without a text after it).
  bool refused() const { return m_refused; }
  const ByteBuffer& localUser() const { return m_localUser; }
  const ByteBuffer& remoteUser() const { return m_remoteUser; }
  // A user name or command with a NUL inside is refused (10022): the request
  // separates its fields with zero bytes.
  int32_t setLocalUser(std::string_view text);
  int32_t setRemoteUser(std::string_view text);

  StderrChannel& stderrChannel() { return *m_stderr; }
  int32_t setErrEol(std::string_view eol) { return m_stderr->setEol(eol); }
  std::string_view errEol() const { return m_stderr->eol(); }

 protected:
  void onData(std::string_view data, bool eol) override;

 private:
  friend class StderrChannel;
  explicit RshSession(std::shared_ptr<Reactor> reactor);
  int32_t run(std::string_view command);
  int32_t openListener();
  int32_t reservedPortConnect();
  void closeAll();
  bool endRequested();
  void raiseStderr(std::string_view data, bool eol);

  ByteBuffer m_command;
  ByteBuffer m_localUser;
  ByteBuffer m_remoteUser;
  ByteBuffer m_errorMessage;
  bool m_firstByteSeen = false;
  bool m_refused = false;
  int m_busy = 0;
  std::shared_ptr<StderrChannel> m_stderr;
};

}  // namespace remcmd
