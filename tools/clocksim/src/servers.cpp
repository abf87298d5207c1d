#include "servers.h"

#include "LineSpeed.h"
#include "faults.h"
#include "session.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace clocksim {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void setNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

void makeRaw(int fd) {
  termios t{};
  if (::tcgetattr(fd, &t) == 0) {
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
  }
}

}  // namespace

Server::Server(ClockState& state, const Options& options) : m_state(state), m_options(options) {
  m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_wake < 0) fail("eventfd");
}

Server::~Server() {
  stop();
  ::close(m_wake);
}

void Server::start() {
  m_thread = std::thread([this] { run(); });
}

void Server::stop() {
  if (m_thread.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(m_wake, &one, sizeof one);
    m_thread.join();
  }
}

bool Server::waitFor(int fd, short events, int timeoutMs, short* revents) {
  pollfd p[2] = {{m_wake, POLLIN, 0}, {fd, events, 0}};
  const int n = ::poll(p, fd >= 0 ? 2 : 1, timeoutMs);
  if (revents) *revents = (n > 0 && fd >= 0) ? p[1].revents : 0;
  return !(n > 0 && (p[0].revents & POLLIN));
}

// How many bytes may go now; waits (in short slices) until at least one may.
size_t Server::pacedChunk(size_t remaining) {
  if (m_options.baud <= 0 || remaining == 0) return remaining;
  const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / m_options.baud);
  for (;;) {
    const auto now = Clock::now();
    if (m_lineFree < now - std::chrono::milliseconds(50)) m_lineFree = now;  // the line was idle
    if (now >= m_lineFree) {
      size_t k = 1 + static_cast<size_t>((now - m_lineFree) / byteTime);
      if (k > remaining) k = remaining;
      m_lineFree += byteTime * static_cast<long>(k);
      return k;
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::microseconds>(m_lineFree - now).count();
    const int ms = static_cast<int>(std::min<long long>(20, (wait + 999) / 1000));
    if (!waitFor(-1, 0, ms, nullptr)) return 0;
  }
}

bool Server::paceBytes(size_t n) {
  if (m_options.baud <= 0) return true;
  size_t left = n;
  while (left > 0) {
    const size_t k = pacedChunk(left);
    if (k == 0) return false;
    left -= k;
  }
  return true;
}

namespace {

enum class WriteResult { Ok, Stopped, Failed };

// Base of the two byte-stream links (pty, TCP): one session, faults, paced writes.
class StreamServer : public Server {
 protected:
  StreamServer(ClockState& state, const Options& options)
      : Server(state, options),
        m_session(state, options),
        m_faults(options.faultRate, options.faults, options.seed) {}

  virtual WriteResult writeSome(int fd, const char* data, size_t n, size_t* written) = 0;

  // One slice of waiting for room to write; Failed gives the link up.
  virtual WriteResult waitWritable(int fd) {
    short rev = 0;
    if (!waitFor(fd, POLLOUT, 20, &rev)) return WriteResult::Stopped;
    if (rev & (POLLERR | POLLHUP)) return WriteResult::Failed;
    return WriteResult::Ok;
  }

  WriteResult writeAll(int fd, const std::string& data) {
    size_t off = 0;
    while (off < data.size()) {
      const size_t chunk = pacedChunk(data.size() - off);
      if (chunk == 0) return WriteResult::Stopped;
      size_t done = 0;
      while (done < chunk) {
        size_t w = 0;
        const WriteResult r = writeSome(fd, data.data() + off + done, chunk - done, &w);
        if (r != WriteResult::Ok) return r;
        if (w == 0) {
          const WriteResult waited = waitWritable(fd);
          if (waited != WriteResult::Ok) return waited;
        }
        done += w;
      }
      off += chunk;
    }
    return WriteResult::Ok;
  }

  // Feeds host bytes to the clock and sends its answers; false when the link must close.
  bool handleInput(int fd, std::string_view in, bool canClose) {
    std::vector<Transmission> out;
    m_session.feed(in, out);
    for (const auto& t : out) {
      const Shaped s = m_faults.shape(t);
      const WriteResult r = writeAll(fd, s.bytes);
      if (r == WriteResult::Stopped) return false;
      if (r == WriteResult::Failed) return !canClose;
      if (s.faulted && (s.kind == Fault::Silence || s.kind == Fault::Close)) {
        if (s.closeAfter && canClose) return false;
        break;  // the clock says nothing more in answer to this input
      }
    }
    return true;
  }

  ClockSession m_session;
  FaultInjector m_faults;
};

class PtyServer : public StreamServer {
 public:
  PtyServer(ClockState& state, const Options& options, std::string* path)
      : StreamServer(state, options) {
    m_master = openPtyMaster(path);
    start();
  }
  ~PtyServer() override {
    stop();
    ::close(m_master);
  }

 private:
  WriteResult writeSome(int fd, const char* data, size_t n, size_t* written) override {
    const ssize_t w = ::write(fd, data, n);
    if (w >= 0) {
      *written = static_cast<size_t>(w);
      return WriteResult::Ok;
    }
    *written = 0;
    if (errno == EAGAIN || errno == EINTR) return WriteResult::Ok;
    return WriteResult::Failed;  // no host has the line open: the bytes are lost, as on a wire
  }

  void run() override {
    bool hungUp = false;
    char buf[512];
    for (;;) {
      short rev = 0;
      if (!waitFor(m_master, POLLIN, hungUp ? 20 : -1, &rev)) return;
      if (rev & POLLIN) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
          hungUp = false;
          if (!hearsLineSpeed()) {
            m_session.reset();  // bytes at another speed are noise to the clock
            continue;
          }
          if (!handleInput(m_master, std::string_view(buf, static_cast<size_t>(n)), false)) return;
          continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      }
      if (rev & (POLLHUP | POLLERR | POLLIN)) {
        // Nobody holds the slave open: poll would report this at once, so wait in slices
        // until the host opens the device again.
        if (!hungUp) m_session.reset();
        hungUp = true;
        if (!waitFor(-1, 0, 20, nullptr)) return;
      }
    }
  }

  // The master reads the line settings the host gave the slave side.
  bool hearsLineSpeed() const {
    if (m_options.answerOnlyAtBaud == 0) return true;
    return lineSpeedOf(m_master) == m_options.answerOnlyAtBaud;
  }

  int m_master = -1;
};

sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

uint16_t boundPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

class TcpServer : public StreamServer {
 public:
  TcpServer(ClockState& state, const Options& options, uint16_t port, uint16_t* bound)
      : StreamServer(state, options) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listen < 0) fail("socket");
    const int on = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in a = loopback(port);
    if (::bind(m_listen, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 8) != 0) {
      const int e = errno;
      ::close(m_listen);
      errno = e;
      fail("bind/listen");
    }
    *bound = boundPort(m_listen);
    start();
  }
  ~TcpServer() override {
    stop();
    dropClient();
    ::close(m_listen);
  }

 private:
  void dropClient() {
    if (m_client >= 0) ::close(m_client);
    m_client = -1;
    m_session.reset();
  }

  WriteResult writeSome(int fd, const char* data, size_t n, size_t* written) override {
    const ssize_t w = ::send(fd, data, n, MSG_NOSIGNAL);
    *written = w > 0 ? static_cast<size_t>(w) : 0;
    if (w >= 0 || errno == EAGAIN || errno == EINTR) return WriteResult::Ok;
    return WriteResult::Failed;
  }

  // A host that sends but never reads leaves the clock's answers stuck in the socket. The
  // write waits only until the next host knocks: the newest connection wins, so one stalled
  // client cannot keep the port from everybody else.
  WriteResult waitWritable(int fd) override {
    pollfd p[3] = {{m_wake, POLLIN, 0}, {fd, POLLOUT, 0}, {m_listen, POLLIN, 0}};
    if (::poll(p, 3, 20) < 0) return WriteResult::Ok;
    if (p[0].revents & POLLIN) return WriteResult::Stopped;
    if (p[1].revents & (POLLERR | POLLHUP)) return WriteResult::Failed;
    if (p[2].revents & POLLIN) return WriteResult::Failed;
    return WriteResult::Ok;
  }

  void run() override {
    char buf[2048];
    for (;;) {
      pollfd p[3] = {{m_wake, POLLIN, 0}, {m_listen, POLLIN, 0}, {m_client, POLLIN, 0}};
      if (::poll(p, m_client >= 0 ? 3 : 2, -1) < 0) continue;
      if (p[0].revents & POLLIN) return;
      if (p[1].revents & POLLIN) {
        const int c = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (c >= 0) {  // one host at a time, as a terminal server port: the newest wins
          dropClient();
          m_client = c;
          const int on = 1;  // an ACK and its reply must not wait for each other
          ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
          continue;
        }
      }
      if (m_client >= 0 && (p[2].revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t n = ::recv(m_client, buf, sizeof buf, 0);
        if (n > 0) {
          if (!handleInput(m_client, std::string_view(buf, static_cast<size_t>(n)), true))
            dropClient();
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
          dropClient();
        }
      }
    }
  }

  int m_listen = -1;
  int m_client = -1;
};

// The serial-over-Ethernet unit: every datagram it sends starts with its sequence byte,
// which goes up by one per datagram; it acknowledges data datagrams (when so set) with a
// datagram of that byte alone, and never acknowledges a one-byte datagram, so two ends
// acknowledging each other cannot ping-pong.
class UdpServer : public Server {
 public:
  UdpServer(ClockState& state, const Options& options, uint16_t port, uint16_t* bound)
      : Server(state, options),
        m_session(state, options),
        m_faults(options.faultRate, options.faults, options.seed) {
    m_sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_sock < 0) fail("socket");
    const sockaddr_in a = loopback(port);
    if (::bind(m_sock, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
      const int e = errno;
      ::close(m_sock);
      errno = e;
      fail("bind");
    }
    *bound = boundPort(m_sock);
    start();
  }
  ~UdpServer() override {
    stop();
    ::close(m_sock);
  }

 private:
  bool sendDatagram(const std::string& payload) {
    std::string d(1, static_cast<char>(m_sequence++));
    d += payload;
    ::sendto(m_sock, d.data(), d.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&m_peer),
             sizeof m_peer);
    return true;
  }

  void run() override {
    char buf[2048];
    for (;;) {
      short rev = 0;
      if (!waitFor(m_sock, POLLIN, -1, &rev)) return;
      if (!(rev & POLLIN)) continue;
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t n =
          ::recvfrom(m_sock, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n <= 0) continue;
      m_peer = from;
      if (n == 1) continue;  // the host's acknowledgement
      if (m_options.udpAcknowledge) sendDatagram("");
      std::vector<Transmission> out;
      m_session.feed(std::string_view(buf + 1, static_cast<size_t>(n - 1)), out);
      for (const auto& t : out) {
        const Shaped s = m_faults.shape(t);
        if (!paceBytes(s.bytes.size())) return;
        if (!s.bytes.empty()) sendDatagram(s.bytes);
        if (s.faulted && (s.kind == Fault::Silence || s.kind == Fault::Close)) break;
      }
    }
  }

  ClockSession m_session;
  FaultInjector m_faults;
  int m_sock = -1;
  sockaddr_in m_peer{};
  uint8_t m_sequence = 1;
};

}  // namespace

int openPtyMaster(std::string* path) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) fail("posix_openpt");
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    ::close(master);
    fail("unlockpt");
  }
  char name[128];
  if (::ptsname_r(master, name, sizeof name) != 0) {
    ::close(master);
    fail("ptsname");
  }
  *path = name;
  makeRaw(master);
  // Set the slave side raw as well, then let it go: holding it open would keep the
  // host's exclusive-use flag alive and make the device unopenable for the next run.
  const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave >= 0) {
    makeRaw(slave);
    ::close(slave);
  }
  setNonBlocking(master);
  return master;
}

std::unique_ptr<Server> makePtyServer(ClockState& state, const Options& options,
                                      std::string* path) {
  return std::make_unique<PtyServer>(state, options, path);
}
std::unique_ptr<Server> makeTcpServer(ClockState& state, const Options& options, uint16_t port,
                                      uint16_t* bound) {
  return std::make_unique<TcpServer>(state, options, port, bound);
}
std::unique_ptr<Server> makeUdpServer(ClockState& state, const Options& options, uint16_t port,
                                      uint16_t* bound) {
  return std::make_unique<UdpServer>(state, options, port, bound);
}

}  // namespace clocksim
