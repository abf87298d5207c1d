// Test peers driven by the tests themselves: a pseudo-terminal whose master
// side plays the clock, and a loopback TCP listener.
#pragma once
#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace testpeers {

// The clock side of a pseudo-terminal, published as COM<port>.
class PtyClock {
 public:
  explicit PtyClock(int port) {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) std::abort();
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::close(slave);  // the library opens it by name
    path_ = name;
    ::setenv(("VELTA_COM" + std::to_string(port)).c_str(), name, 1);
  }
  ~PtyClock() {
    if (master_ >= 0) ::close(master_);
  }
  int fd() const { return master_; }
  const std::string& path() const { return path_; }

  // Reads one byte within ms; -1 on time-out. While the library has the line
  // closed (not yet opened, or between two operations) the master reads as
  // hung up at once: that is no answer yet, so the wait goes on.
  int readByte(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (true) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left < 0) return -1;
      pollfd p{master_, POLLIN, 0};
      int r = ::poll(&p, 1, static_cast<int>(left));
      if (r > 0 && (p.revents & POLLIN)) {
        unsigned char c;
        if (::read(master_, &c, 1) == 1) return c;
      }
      if (r == 0) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  // Reads a frame (STX .. ETX + check byte) for the "R"/"E1" framings, or a
  // single control byte; empty on time-out.
  std::string readFrame(int ms = 3000) {
    std::string f;
    int c;
    while ((c = readByte(ms)) >= 0) {
      f.push_back(static_cast<char>(c));
      if (f.size() == 1 && c != 0x02) return f;
      if (f.size() >= 2 && f[f.size() - 2] == 0x03) return f;
    }
    return f;
  }
  void write(const std::string& s) { (void)!::write(master_, s.data(), s.size()); }
  // The clock side goes away (a pulled cable): the line reads as hung up.
  void hangUp() {
    ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string path_;
};

// Builds a reply frame as a clock sends it: STX, body, ETX, check byte.
inline std::string clockFrame(const std::string& body, bool goodCheck = true) {
  std::string f = std::string(1, '\x02') + body + '\x03';
  unsigned char x = 0;
  for (unsigned char c : f) x ^= c;
  if (!goodCheck) x ^= 0x55;
  return f + static_cast<char>(x);
}

// A loopback TCP listener on a free port.
class TcpListener {
 public:
  TcpListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
    ::listen(fd_, 8);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~TcpListener() { ::close(fd_); }
  uint16_t port() const { return port_; }
  // Accepts one connection within ms; -1 on time-out.
  int accept(int ms) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return -1;
    return ::accept(fd_, nullptr, nullptr);
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

// A port number on which nothing listens (bound, then released).
inline uint16_t closedTcpPort() {
  TcpListener l;
  return l.port();
}

}  // namespace testpeers
