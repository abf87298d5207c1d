#include "Peers.h"

#include "SocketBinding.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace remcmd::test {

std::vector<Event> RecordingSink::of(const std::string& kind) const {
  std::vector<Event> out;
  for (const Event& e : events)
    if (e.kind == kind) out.push_back(e);
  return out;
}

std::vector<std::string> RecordingSink::texts(const std::string& kind) const {
  std::vector<std::string> out;
  for (const Event& e : of(kind)) out.push_back(e.text);
  return out;
}

bool pumpUntil(Reactor& reactor, const std::function<bool()>& pred, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    reactor.runOnePass(20);
  }
  return true;
}

namespace {

int listenLoopback(uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  ::listen(fd, 8);
  socklen_t len = sizeof sa;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  port = ntohs(sa.sin_port);
  return fd;
}

int acceptWithin(int listener, int ms, uint16_t* peerPort = nullptr) {
  pollfd p{listener, POLLIN, 0};
  if (::poll(&p, 1, ms) <= 0) return -1;
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
  if (fd >= 0 && peerPort) *peerPort = ntohs(sa.sin_port);
  return fd;
}

// Reads until `count` zero bytes were seen (the rsh request) or the peer closes.
std::string readRequest(int fd) {
  std::string got;
  int zeros = 0;
  char c;
  while (zeros < 4) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0 || ::recv(fd, &c, 1, 0) != 1) break;
    got.push_back(c);
    if (c == 0) ++zeros;
  }
  return got;
}

int connectLoopback(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    ::close(fd);
    return -1;
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

void sendAll(int fd, const std::string& s) {
  if (fd >= 0 && !s.empty()) ::send(fd, s.data(), s.size(), MSG_NOSIGNAL);
}

void playSteps(int out, int err, const std::vector<Step>& steps) {
  for (const Step& s : steps) {
    switch (s.kind) {
      case Step::Out:
        sendAll(out, s.data);
        break;
      case Step::Err:
        sendAll(err, s.data);
        break;
      case Step::OutBytewise:
        for (char c : s.data) {
          sendAll(out, std::string(1, c));
          ::usleep(2000);
        }
        break;
      case Step::CloseErr:
        if (err >= 0) ::close(err);
        err = -1;
        break;
      case Step::CloseOut:
        if (out >= 0) ::close(out);
        out = -1;
        break;
      case Step::Sleep:
        ::usleep(static_cast<useconds_t>(s.ms) * 1000);
        break;
      case Step::Reset:
        if (out >= 0) {
          const ::linger lg{1, 0};
          ::setsockopt(out, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
          ::close(out);
          out = -1;
        }
        break;
    }
  }
  if (err >= 0) ::close(err);
  if (out >= 0) ::close(out);
}

void serveRsh(int out, const std::string& request, const std::vector<Step>& steps) {
  const int backPort = std::atoi(request.c_str());
  const int err = backPort > 0 ? connectLoopback(static_cast<uint16_t>(backPort)) : -1;
  playSteps(out, err, steps);
}

}  // namespace

uint16_t freePort() {
  uint16_t port = 0;
  const int fd = listenLoopback(port);
  ::close(fd);
  return port;
}

bool waitListening(uint16_t port, int limitMs) {
  for (int waited = 0; waited < limitMs; waited += 20) {
    const int fd = connectLoopback(port);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    ::usleep(20000);
  }
  return false;
}

StubRshd::StubRshd(std::vector<Step> steps, bool connectBack)
    : m_steps(std::move(steps)), m_connectBack(connectBack) {
  m_listener = listenLoopback(m_port);
  m_thread = std::thread([this] { run(); });
}

StubRshd::~StubRshd() {
  m_stop = true;
  join();
  ::close(m_listener);
}

void StubRshd::join() {
  if (m_thread.joinable()) m_thread.join();
}

std::string StubRshd::request() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_request;
}

void StubRshd::run() {
  uint16_t peer = 0;
  // Up to 10 s for the client, in short slices so the destructor need not sit them out.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int out = -1;
  while (out < 0 && !m_stop && std::chrono::steady_clock::now() < until)
    out = acceptWithin(m_listener, 100, &peer);
  if (out < 0) return;
  m_peerPort = peer;
  const std::string req = readRequest(out);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_request = req;
  }
  if (m_connectBack)
    serveRsh(out, req, m_steps);
  else
    playSteps(out, -1, m_steps);
}

StubFirewall::StubFirewall(Rounds rounds, After after, int connections, std::vector<Step> rshSteps)
    : m_rounds(std::move(rounds)),
      m_after(after),
      m_connections(connections),
      m_rshSteps(std::move(rshSteps)) {
  m_listener = listenLoopback(m_port);
  m_thread = std::thread([this] { run(); });
}

StubFirewall::~StubFirewall() {
  m_stop = true;
  join();
  ::close(m_listener);
}

void StubFirewall::join() {
  if (m_thread.joinable()) m_thread.join();
}

int StubFirewall::stopAndCountConnections() {
  m_stop = true;
  join();
  int count = m_accepted;
  for (int fd; (fd = acceptWithin(m_listener, 0)) >= 0; ++count) ::close(fd);
  return count;
}

std::vector<std::string> StubFirewall::received() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_received;
}

void StubFirewall::run() {
  for (int i = 0; i < m_connections && !m_stop; ++i) {
    int fd = -1;
    while (fd < 0 && !m_stop) fd = acceptWithin(m_listener, 100);
    if (fd < 0) return;
    ++m_accepted;
    std::string got;
    char buf[512];
    std::size_t seen = 0;
    for (const auto& [until, reply] : m_rounds) {
      for (;;) {
        const std::string_view fresh = std::string_view(got).substr(seen);
        if (!until.empty() && fresh.find(until) != std::string_view::npos) break;
        if (until.empty() && !fresh.empty()) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 500) <= 0) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
      }
      seen = got.size();
      sendAll(fd, reply);
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_received.push_back(got);
    }
    if (m_after == Silent) {
      // Hold the connection until the client goes or the test ends.
      while (!m_stop) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
          const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
          if (n <= 0) break;
          std::lock_guard<std::mutex> lock(m_mutex);
          m_received.back().append(buf, static_cast<std::size_t>(n));
        }
      }
    } else if (m_after == ServeRsh) {
      const std::string req = readRequest(fd);
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.push_back(req);
      }
      serveRsh(fd, req, m_rshSteps);
      continue;
    }
    ::close(fd);
  }
}

Process::Process(std::vector<std::string> argv) {
  m_pid = ::fork();
  if (m_pid == 0) {
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
}

Process::~Process() {
  if (m_pid > 0) {
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
  }
}

bool Process::running() {
  int status = 0;
  return m_pid > 0 && ::waitpid(m_pid, &status, WNOHANG) == 0;
}

std::string tempDir() {
  char pattern[] = "/tmp/remcmd-test-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  return dir ? dir : "/tmp";
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

namespace {
std::function<int(uint16_t)> g_fault;
int (*g_realBind)(int, const sockaddr*, socklen_t) = nullptr;

int faultyBind(int s, const sockaddr* a, socklen_t l) {
  const uint16_t port = ntohs(reinterpret_cast<const sockaddr_in*>(a)->sin_port);
  if (const int code = g_fault ? g_fault(port) : 0) {
    socketTable().setLastError(code);
    return -1;
  }
  return g_realBind(s, a, l);
}
}  // namespace

BindFault::BindFault(std::function<int(uint16_t)> fault) {
  g_fault = std::move(fault);
  g_realBind = socketTable().bind;
  socketTable().bind = faultyBind;
}

BindFault::~BindFault() {
  if (socketTable().bind == faultyBind) socketTable().bind = g_realBind;
  g_fault = nullptr;
}

}  // namespace remcmd::test
