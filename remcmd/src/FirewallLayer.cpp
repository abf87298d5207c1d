#include "FirewallLayer.h"

#include "SocketBinding.h"
#include "TcpSession.h"
#include "TextRoutines.h"

#include <arpa/inet.h>
#include <string>

namespace remcmd {

namespace {

const char* const kSocks5Failures[] = {
    "general SOCKS server failure", "connection not allowed by ruleset",
    "network unreachable",          "host unreachable",
    "connection refused",           "TTL expired",
    "command not supported",        "address type not supported"};

std::string withCode(const char* text, char value) {
  return std::string(text) + std::to_string(static_cast<int>(static_cast<signed char>(value)));
}

void appendByte(ByteBuffer& b, unsigned value) {
  const char c = static_cast<char>(value & 0xff);
  b.append(&c, 1);
}

void appendPort(ByteBuffer& b, uint16_t port) {
  appendByte(b, port >> 8);
  appendByte(b, port & 0xff);
}

}  // namespace

int32_t FirewallLayer::setHost(std::string_view text) {
  if (int32_t rc = m_session.refuseNul(text)) return rc;
  return m_session.resolveHostAddress(text, m_address);
}

int FirewallLayer::setUser(std::string_view text) {
  if (int32_t rc = m_session.refuseNul(text)) return rc;
  return m_user.set(text);
}

int FirewallLayer::setPassword(std::string_view text) {
  if (int32_t rc = m_session.refuseNul(text)) return rc;
  return m_password.set(text);
}

void FirewallLayer::send(const ByteBuffer& request) {
  m_session.sessionSend(request.data(), request.size(), true);
}

void FirewallLayer::connected(int32_t error) {
  m_reply.release();
  if (error != 0) {
    m_negotiating = false;
    if (m_type != FirewallType::None)
      m_session.notifyConnectionStatus("Firewall connection failed.", error);
    m_session.reportConnectResult(error);
    return;
  }
  m_negotiating = true;
  if (m_type != FirewallType::None) {
    m_session.notifyConnectionStatus("Firewall connection complete.", 0);
    if (m_session.m_socket < 0) return;  // closed by a handler
  }
  const std::string_view host = m_session.m_remoteHostText.view();
  const uint16_t port = m_session.m_remotePort;
  ByteBuffer request;
  switch (m_type) {
    case FirewallType::None:
      m_negotiating = false;
      m_session.reportConnectResult(0);
      return;
    case FirewallType::Tunnel:
      request.append("CONNECT ");
      request.append(host);
      request.append(":");
      request.appendDecimal(port);
      request.append(" HTTP/1.0\r\n");
      if (!m_user.empty() || !m_password.empty()) {
        ByteBuffer credentials(m_user.view());
        credentials.append(":");
        credentials.append(m_password.view());
        request.append("Proxy-authorization: Basic ");
        base64Encode(credentials.data(), credentials.size(), false, request);
        request.append("\r\n");
      }
      request.append("\r\n");
      send(request);
      return;
    case FirewallType::Socks4: {
      uint32_t address = 0;
      if (!resolveRemoteHost(address)) return;
      appendByte(request, 4);
      appendByte(request, 1);
      appendPort(request, port);
      request.append(&address, 4);
      request.append(m_user.view());
      appendByte(request, 0);
      send(request);
      return;
    }
    case FirewallType::Socks5:
      // The connect request carries the name's length in one byte.
      if (!host.empty() && host[0] == '*' && host.size() - 1 > 255) {
        fail("remote host name too long for the firewall (more than 255 bytes)");
        return;
      }
      if (!m_user.empty() && !m_password.empty()) {
        for (unsigned b : {5u, 2u, 0u, 2u}) appendByte(request, b);
      } else {
        for (unsigned b : {5u, 1u, 0u}) appendByte(request, b);
      }
      m_socks5Step = 1;
      send(request);
      return;
  }
}

bool FirewallLayer::resolveRemoteHost(uint32_t& address) {
  const std::string name(m_session.m_remoteHostText.view());
  in_addr parsed{};
  if (::inet_aton(name.c_str(), &parsed) != 0) {
    address = parsed.s_addr;
    return true;
  }
  if (socketTable().gethostbyname(name.c_str(), &address) == 0) return true;
  fail(winsockErrorText(socketTable().getLastError()));
  return false;
}

void FirewallLayer::sendSocks5Connect() {
  const std::string_view host = m_session.m_remoteHostText.view();
  ByteBuffer request;
  for (unsigned b : {5u, 1u, 0u}) appendByte(request, b);
  if (!host.empty() && host[0] == '*') {
    const std::string_view name = host.substr(1);
    appendByte(request, 3);
    appendByte(request, static_cast<unsigned>(name.size()));
    request.append(name);
  } else {
    uint32_t address = 0;
    if (!resolveRemoteHost(address)) return;
    appendByte(request, 1);
    request.append(&address, 4);
  }
  appendPort(request, m_session.m_remotePort);
  send(request);
}

void FirewallLayer::fail(std::string_view text) {
  const std::string copy(text);
  m_session.notifyError(118, copy);
  m_negotiating = false;
  m_reply.release();
  m_session.setLastErrorText(copy);
  m_session.reportConnectResult(118);
  m_session.sessionConnect(false);
}

void FirewallLayer::succeed(const char* extra, uint32_t extraLength, bool lineFlag) {
  const std::string rest(extra, extraLength);
  m_negotiating = false;
  m_reply.release();
  m_session.addReceived(rest.data(), static_cast<uint32_t>(rest.size()), lineFlag && !rest.empty());
  m_session.reportConnectResult(0);
  if (!rest.empty() && m_session.m_socket >= 0 && m_session.m_acceptData)
    m_session.m_reactor->post(m_session.m_socket, Reactor::Read);
}

void FirewallLayer::dataIn(const char* bytes, uint32_t length, bool lineFlag) {
  if (m_type == FirewallType::None || !m_negotiating) {
    m_session.onData({bytes, length}, lineFlag);
    return;
  }
  m_reply.append(bytes, length);
  if (lineFlag && m_type == FirewallType::Tunnel) m_reply.append(m_session.eol());
  const std::string_view r = m_reply.view();
  switch (m_type) {
    case FirewallType::None:
      break;
    case FirewallType::Tunnel: {
      if (r.size() < 10) return;
      std::size_t pos = r.find(' ');
      while (pos != std::string_view::npos && pos < r.size() && r[pos] == ' ') ++pos;
      if (pos == std::string_view::npos || pos >= r.size() || r[pos] != '2') {
        // A refusal closes the session like every other firewall failure.
        fail(r);
        return;
      }
      const std::size_t crlf = r.find("\r\n\r\n");
      const std::size_t lf = r.find("\n\n");
      std::size_t end = std::string_view::npos;
      if (crlf != std::string_view::npos) end = crlf + 4;
      if (lf != std::string_view::npos && (end == std::string_view::npos || lf + 2 < end))
        end = lf + 2;
      if (end == std::string_view::npos) return;
      const std::string rest(r.substr(end));
      succeed(rest.data(), static_cast<uint32_t>(rest.size()), false);
      return;
    }
    case FirewallType::Socks4: {
      if (r.size() < 8) return;
      m_negotiating = false;
      const unsigned char status = static_cast<unsigned char>(r[1]);
      if (status == 90) {
        const std::string rest(r.substr(8));
        succeed(rest.data(), static_cast<uint32_t>(rest.size()), lineFlag);
      } else if (status == 91) {
        fail("firewall request rejected or failed");
      } else if (status == 92) {
        fail("firewall request rejected because identd is not available");
      } else if (status == 93) {
        fail("firewall request rejected because identd reports different user");
      } else {
        fail(withCode("unknown firewall error: ", r[1]));
      }
      return;
    }
    case FirewallType::Socks5:
      break;
  }

  // SOCKS5
  if (m_socks5Step == 1) {
    if (r.size() < 2) return;
    const unsigned char method = static_cast<unsigned char>(r[1]);
    if (method == 0) {
      m_socks5Step = 3;
      m_reply.dropFront(2);
      sendSocks5Connect();
    } else if (method == 2) {
      ByteBuffer request;
      const std::string_view user = m_user.view().substr(0, 255);
      const std::string_view password = m_password.view().substr(0, 255);
      appendByte(request, 1);
      appendByte(request, static_cast<unsigned>(user.size()));
      request.append(user);
      appendByte(request, static_cast<unsigned>(password.size()));
      request.append(password);
      m_socks5Step = 2;
      m_reply.dropFront(2);
      send(request);
    } else if (method == 255) {
      fail("no acceptable firewall authentication methods");
    } else {
      fail("unknown firewall authentication method");
    }
    return;
  }
  if (m_socks5Step == 2) {
    if (r.size() < 2) return;
    if (r[1] != 0) {
      fail(withCode("firewall authentication failed: ", r[1]));
      return;
    }
    m_reply.release();
    m_socks5Step = 3;
    sendSocks5Connect();
    return;
  }
  // Step 3: the reply's length follows its address type.
  if (r.size() < 5) return;
  std::size_t needed = 10;
  switch (static_cast<unsigned char>(r[3])) {
    case 3:
      needed = 7 + static_cast<unsigned char>(r[4]);
      break;
    case 4:
      needed = 22;
      break;
    default:
      needed = 10;
      break;
  }
  if (r.size() < needed) return;
  m_negotiating = false;
  const unsigned char status = static_cast<unsigned char>(r[1]);
  if (status == 0) {
    const std::string rest(r.substr(needed));
    succeed(rest.data(), static_cast<uint32_t>(rest.size()), lineFlag);
  } else if (status >= 1 && status <= 8) {
    fail(kSocks5Failures[status - 1]);
  } else {
    fail(withCode("unknown firewall error: ", r[1]));
  }
}

void FirewallLayer::hungUp(int32_t code) {
  if (!m_negotiating) return;
  // Reported as the connection's result, so the waiting connect ends now
  // instead of at the time-out.
  m_negotiating = false;
  m_reply.release();
  const int32_t err = code ? code : wsa::kConnectionReset;
  m_session.winsockErrorText(err);
  m_session.reportConnectResult(err);
}

void FirewallLayer::disconnected(int32_t code) {
  m_negotiating = false;
  m_reply.release();
  if (m_type != FirewallType::None)
    m_session.notifyConnectionStatus("Firewall host disconnected.", code);
  m_session.reportDisconnection(code);
}

}  // namespace remcmd
