#include "clocklink/NetSocket.h"

#include "clocklink/EventPump.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace clocklink {

static_assert(sizeof(sockaddr_in) <= 16);

NetSocket::~NetSocket() { close(); }

void NetSocket::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  state_ = Closed;
}

bool NetSocket::resolveRemote() {
  if (haveRemote_ && resolvedHost_ == remoteHost && resolvedPort_ == remotePort) return true;
  haveRemote_ = false;
  if (remotePort < 0 || remotePort > 65535) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = protocol == Tcp ? SOCK_STREAM : SOCK_DGRAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(remoteHost.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  sockaddr_in sin{};
  std::memcpy(&sin, res->ai_addr, sizeof sin);
  ::freeaddrinfo(res);
  sin.sin_port = htons(static_cast<uint16_t>(remotePort));
  std::memcpy(addr_, &sin, sizeof sin);
  haveRemote_ = true;
  resolvedHost_ = remoteHost;
  resolvedPort_ = remotePort;
  return true;
}

bool NetSocket::connect() {
  close();
  if (!resolveRemote()) {
    state_ = Error;
    return false;
  }
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    state_ = Error;
    return false;
  }
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  int r = ::connect(fd_, reinterpret_cast<sockaddr*>(addr_), sizeof(sockaddr_in));
  if (r == 0) {
    state_ = Connected;
  } else if (errno == EINPROGRESS) {
    state_ = Connecting;
  } else {
    ::close(fd_);
    fd_ = -1;
    state_ = Error;
    return false;
  }
  return true;
}

int NetSocket::state() {
  if (fd_ < 0) return state_;
  if (protocol == Tcp && state_ == Connecting) {
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, 0) > 0) {
      int err = 0;
      socklen_t len = sizeof err;
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
      state_ = err == 0 ? Connected : Error;
    }
  } else if (protocol == Tcp && state_ == Connected) {
    // A peer that has closed (or reset) the connection shows as closed.
    char c;
    ssize_t r = ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
      state_ = Closed;
  }
  return state_;
}

bool NetSocket::bind(long port) {
  close();
  if (port < 0 || port > 65535) return false;
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(INADDR_ANY);
  sin.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) {
    close();
    return false;
  }
  state_ = Connected;
  return true;
}

bool NetSocket::sendData(const std::string& data) {
  if (fd_ < 0) return false;
  if (protocol == Udp) {
    if (!resolveRemote()) return false;
    ssize_t r = ::sendto(fd_, data.data(), data.size(), MSG_NOSIGNAL,
                         reinterpret_cast<sockaddr*>(addr_), sizeof(sockaddr_in));
    return r == static_cast<ssize_t>(data.size());
  }
  size_t done = 0;
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while (done < data.size()) {
    ssize_t r = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (r > 0) {
      done += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      state_ = Error;
      return false;
    }
    if (Clock::now() > deadline) return false;
    pollfd p{fd_, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(kWaitSlice.count()));
  }
  return true;
}

bool NetSocket::getData(std::string& out) {
  out.clear();
  if (fd_ < 0) return false;
  char buf[65536];
  ssize_t r = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
  if (r > 0) {
    out.assign(buf, static_cast<size_t>(r));
    return true;
  }
  if (r == 0 && protocol == Tcp) {
    state_ = Closed;
    return false;
  }
  if (r == 0) return true;  // an empty datagram
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

bool NetSocket::readable() {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

}  // namespace clocklink
