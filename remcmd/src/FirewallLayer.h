// FirewallLayer: the part of a TCP session that reaches the host through an
// HTTP CONNECT tunnel, a SOCKS4 or a SOCKS5 server. It sends the firewall's
// requests once the socket is connected, judges the replies, and only then
// lets the session report itself connected.
#pragma once

#include "ByteBuffer.h"

#include <cstdint>
#include <string_view>

namespace remcmd {

class TcpSession;

enum class FirewallType : uint8_t { None = 0, Tunnel = 1, Socks4 = 2, Socks5 = 3 };

class FirewallLayer {
 public:
  explicit FirewallLayer(TcpSession& session) : m_session(session) {}

  FirewallType type() const { return m_type; }
  void setType(FirewallType type) { m_type = type; }
  int32_t port() const { return m_port; }
  void setPort(int32_t port) { m_port = port; }
  uint32_t address() const { return m_address; }
  // Resolves the text at once; an empty text means no firewall host.
  int32_t setHost(std::string_view text);
  const ByteBuffer& user() const { return m_user; }
  const ByteBuffer& password() const { return m_password; }
  int setUser(std::string_view text);
  int setPassword(std::string_view text);
  bool negotiating() const { return m_negotiating; }

  void connected(int32_t error);
  void dataIn(const char* bytes, uint32_t length, bool lineFlag);
  void disconnected(int32_t code);
  // The firewall closed the connection before it answered.
  void hungUp(int32_t code);

 private:
  void fail(std::string_view text);
  void succeed(const char* extra, uint32_t extraLength, bool lineFlag);
  bool resolveRemoteHost(uint32_t& address);
  void sendSocks5Connect();
  void send(const ByteBuffer& request);

  TcpSession& m_session;
  FirewallType m_type = FirewallType::None;
  uint8_t m_socks5Step = 0;
  int32_t m_port = 0;
  ByteBuffer m_reply;
  ByteBuffer m_user;
  ByteBuffer m_password;
  uint32_t m_address = 0;
  bool m_negotiating = false;
};

}  // namespace remcmd
