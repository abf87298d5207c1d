// Host-side ends for talking to the simulated clock in tests: the host's frames written out
// by hand per model, and readers over a pseudo-terminal, loopback TCP and UDP datagrams.
#pragma once

#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace hosttest {

using clocksim::Options;
using clocksim::Simulator;

constexpr char STX = 0x02, ETX = 0x03, ACK = 0x06, NAK = 0x15;
constexpr int kWaitMs = 5000;  // a bound on a reply that should come at once, not a timing check

inline std::string withCheck(std::string body) {
  char x = 0;
  for (char c : body) x ^= c;
  return body + x;
}

// The host's frame for a command, written out per model.
inline std::string hostFrame(int model, const std::string& cmd) {
  if (model == 6)
    return withCheck(std::string(1, STX) + static_cast<char>(cmd.size() + 4) + '\x01' + cmd + ETX);
  if (model == 2) return withCheck(std::string(1, STX) + "E1" + cmd + ETX);
  return withCheck(std::string(1, STX) + "R1" + cmd + ETX);
}

inline sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

class HostEnd {
 public:
  virtual ~HostEnd() {
    if (fd >= 0) ::close(fd);
  }
  virtual void send(const std::string& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // The next byte from the clock, or -1 when none came.
  int readByte(int waitMs = kWaitMs) {
    if (pos == buf.size() && !refill(waitMs)) return -1;
    return static_cast<unsigned char>(buf[pos++]);
  }
  // One reply frame, STX through check byte, or "" when incomplete.
  std::string readFrame(int model) {
    int b;
    while ((b = readByte()) != STX)
      if (b < 0) return "";
    std::string f(1, STX);
    for (;;) {
      if ((b = readByte()) < 0) return "";
      f += static_cast<char>(b);
      if (model == 6 ? f.size() >= 2 && f.size() == static_cast<unsigned char>(f[1]) : b == ETX)
        break;
    }
    if ((b = readByte()) < 0) return "";
    return f + static_cast<char>(b);
  }
  int fd = -1;

 protected:
  virtual bool refill(int waitMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0) return false;
    char tmp[512];
    const ssize_t n = ::read(fd, tmp, sizeof tmp);
    if (n <= 0) return false;
    buf.assign(tmp, static_cast<size_t>(n));
    pos = 0;
    return true;
  }
  std::string buf;
  size_t pos = 0;
};

class PtyHost : public HostEnd {
 public:
  explicit PtyHost(const std::string& path) {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
  }
};

class TcpHost : public HostEnd {
 public:
  explicit TcpHost(uint16_t port) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const sockaddr_in a = loopback(port);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  }
};

// Datagrams carry a sequence byte; the host adopts the unit's and acknowledges each one.
class UdpHost : public HostEnd {
 public:
  explicit UdpHost(uint16_t port) {
    fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in a = loopback(port);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  }
  void send(const std::string& bytes) override {
    HostEnd::send(std::string(1, static_cast<char>(seq)) + bytes);
  }
  std::vector<std::string> datagrams;  // as received, sequence byte included

 protected:
  bool refill(int waitMs) override {
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, waitMs) <= 0) return false;
      char tmp[512];
      const ssize_t n = ::recv(fd, tmp, sizeof tmp, 0);
      if (n <= 0) return false;
      datagrams.emplace_back(tmp, static_cast<size_t>(n));
      seq = static_cast<unsigned char>(tmp[0]);
      HostEnd::send(std::string(1, static_cast<char>(seq)));
      if (n > 1) {
        buf.assign(tmp + 1, static_cast<size_t>(n - 1));
        pos = 0;
        return true;
      }
    }
  }
  unsigned char seq = 255;
};

enum class Link { Pty, Tcp, Udp };

inline std::unique_ptr<HostEnd> connectTo(Simulator& sim, Link link) {
  switch (link) {
    case Link::Pty:
      return std::make_unique<PtyHost>(sim.openPty());
    case Link::Tcp:
      return std::make_unique<TcpHost>(sim.listenTcp());
    case Link::Udp:
      return std::make_unique<UdpHost>(sim.listenUdp());
  }
  return nullptr;
}

// Sends a command and returns the clock's reply frame (acknowledged), checking the ACK
// that models 0-5 put first.
inline std::string exchange(HostEnd& host, int model, const std::string& cmd) {
  host.send(hostFrame(model, cmd));
  if (model != 6) {
    EXPECT_EQ(host.readByte(), ACK) << "command " << cmd;
  }
  std::string f = host.readFrame(model);
  if (!f.empty()) host.send(std::string(1, ACK));
  return f;
}

}  // namespace hosttest
