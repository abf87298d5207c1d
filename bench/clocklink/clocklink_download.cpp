// Download throughput over each link kind, and beside each network figure the same exchange
// without the protocol: a raw request/reply ping-pong over the same kind of socket that puts
// the same bytes on the wire per record (the clock's frame one way; the host's ACK, and over
// UDP the unit's and the host's acknowledgement datagrams, the other). Their ratio is the share
// of the link's own round-trip limit the protocol reaches, which stays comparable from one
// machine to another where the plain rates do not. Prints "name: value unit" lines.
#include "clocklink/ClsMirsol.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#ifdef HAVE_CLOCKSIM
#include <clocksim/simulator.h>
#endif

using namespace clocklink;
using Seconds = std::chrono::duration<double>;

namespace {

#ifdef HAVE_CLOCKSIM
constexpr int kRecords = 10000;

// Downloads every punch; returns records per second of the record steps, or -1.
double download(ClsMirsol& m, int32_t expected, double* seconds = nullptr) {
  m.SetTimeOut(2);
  int32_t count = 0;
  (void)m.Record_Process(1, 0, count);
  if (count != expected) {
    std::fprintf(stderr, "count %d, expected %d\n", count, expected);
    return -1;
  }
  auto t0 = std::chrono::steady_clock::now();
  CollectionStatus r = kSuccess;
  while (r == kSuccess && m.RegCount < count) r = m.Record_Process(2);
  double s = Seconds(std::chrono::steady_clock::now() - t0).count();
  (void)m.Record_Process(3);
  if (m.RegCount != count) {
    std::fprintf(stderr, "stopped at %d with %d\n", m.RegCount, statusCode(r));
    return -1;
  }
  if (seconds) *seconds = s;
  return count / s;
}

// Bytes of the clock's record frame on the wire, on average: STX, type, MMDDhhmm, card, ETX,
// check byte.
double recordFrameBytes(const clocksim::Simulator& sim) {
  double cardChars = 0;
  const auto punches = sim.punches();
  for (const auto& p : punches) cardChars += static_cast<double>(p.card.size());
  return 1 + 2 + 8 + 1 + 1 + (punches.empty() ? 0 : cardChars / punches.size());
}
#endif

sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

uint16_t boundPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

// Reads exactly n bytes (TCP) or one datagram (UDP) from a non-blocking socket, waiting in
// poll as the link does. False when nothing comes within a few seconds.
bool receive(int fd, size_t n, bool datagram) {
  char buf[2048];
  size_t got = 0;
  while (got < n) {
    const ssize_t r = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (r > 0) {
      got += static_cast<size_t>(r);
      if (datagram) return true;
      continue;
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) return false;
  }
  return true;
}

void sendAll(int fd, const std::string& bytes) {
  size_t off = 0;
  while (off < bytes.size()) {
    const ssize_t w = ::send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
    if (w > 0)
      off += static_cast<size_t>(w);
    else {
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, 20);
    }
  }
}

// TCP: the "clock" answers every byte it gets with a frame of frameBytes; the "host" sends one
// byte and reads one frame, records times over. Returns round trips per second.
double pingPongTcp(size_t frameBytes, int records) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a = loopback(0);
  if (::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener, 1))
    return -1;
  const uint16_t port = boundPort(listener);
  std::thread clock([&] {
    const int c = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::string frame(frameBytes, 'F');
    char buf[2048];
    for (int done = 0; done <= records;) {
      pollfd p{c, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) break;
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) break;
      for (ssize_t i = 0; i < n; ++i, ++done) sendAll(c, frame);
    }
    ::close(c);
  });
  const int host = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  ::setsockopt(host, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  a = loopback(port);
  ::connect(host, reinterpret_cast<sockaddr*>(&a), sizeof a);
  pollfd w{host, POLLOUT, 0};
  ::poll(&w, 1, 5000);
  const std::string ack(1, ACK);
  sendAll(host, ack);  // the start: the first frame comes back
  receive(host, frameBytes, false);
  const auto t0 = std::chrono::steady_clock::now();
  int done = 0;
  for (; done < records; ++done) {
    sendAll(host, ack);
    if (!receive(host, frameBytes, false)) break;
  }
  const double s = Seconds(std::chrono::steady_clock::now() - t0).count();
  ::close(host);
  clock.join();
  ::close(listener);
  return done == records ? records / s : -1;
}

// UDP, with the serial-over-Ethernet unit's datagrams: per record the host sends its ACK
// (sequence byte + ACK), the unit acknowledges it (one byte) and sends the next frame
// (sequence byte + frame); the host acknowledges each of the two (one byte each).
double pingPongUdp(size_t frameBytes, int records) {
  const int unit = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = loopback(0);
  if (::bind(unit, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
  const uint16_t unitPort = boundPort(unit);
  const int host = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  a = loopback(0);
  ::bind(host, reinterpret_cast<sockaddr*>(&a), sizeof a);
  const uint16_t hostPort = boundPort(host);
  a = loopback(unitPort);
  ::connect(host, reinterpret_cast<sockaddr*>(&a), sizeof a);
  std::thread clock([&] {
    sockaddr_in to = loopback(hostPort);
    ::connect(unit, reinterpret_cast<sockaddr*>(&to), sizeof to);
    const std::string frame(1 + frameBytes, 'F');
    const std::string ack(1, 'S');
    char buf[2048];
    for (int done = 0; done <= records;) {
      pollfd p{unit, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) break;
      const ssize_t n = ::recv(unit, buf, sizeof buf, 0);
      if (n == 1) continue;  // the host's acknowledgement
      if (n <= 0) break;
      ::send(unit, ack.data(), ack.size(), MSG_NOSIGNAL);
      ::send(unit, frame.data(), frame.size(), MSG_NOSIGNAL);
      ++done;
    }
  });
  const std::string hostAck(1, 'S'), hostData = std::string(1, 'S') + ACK;
  auto exchange = [&] {
    ::send(host, hostData.data(), hostData.size(), MSG_NOSIGNAL);
    // The unit's acknowledgement, then the frame: the host acknowledges every datagram.
    if (!receive(host, 1, true)) return false;
    ::send(host, hostAck.data(), hostAck.size(), MSG_NOSIGNAL);
    if (!receive(host, 1 + frameBytes, true)) return false;
    ::send(host, hostAck.data(), hostAck.size(), MSG_NOSIGNAL);
    return true;
  };
  exchange();
  const auto t0 = std::chrono::steady_clock::now();
  int done = 0;
  while (done < records && exchange()) ++done;
  const double s = Seconds(std::chrono::steady_clock::now() - t0).count();
  clock.join();
  ::close(host);
  ::close(unit);
  return done == records ? records / s : -1;
}

#ifdef HAVE_CLOCKSIM
// Downloads over one network link kind and runs its ping-pong, alternately, and keeps the
// best of each: on a busy machine a single run mostly measures the other programs.
void compare(const char* link, ClsMirsol& m, const clocksim::Simulator& sim,
             double (*pingPong)(size_t, int)) {
  const size_t frameBytes = static_cast<size_t>(recordFrameBytes(sim) + 0.5);
  double rate = -1, limit = -1;
  for (int round = 0; round < 9; ++round) {
    rate = std::max(rate, download(m, kRecords));
    limit = std::max(limit, pingPong(frameBytes, kRecords));
  }
  std::printf("download_%s: %.0f records/s\n", link, rate);
  std::printf("pingpong_%s: %.0f round trips/s\n", link, limit);
  std::printf("download_%s_vs_pingpong: %.1f %%\n", link,
              rate > 0 && limit > 0 ? 100.0 * rate / limit : -1.0);
  std::fflush(stdout);
}
#endif

}  // namespace

int main() {
#ifdef HAVE_CLOCKSIM
  // Host and clock take turns on one core, in the download as in the ping-pong: the figures
  // then measure the work per exchange, not how fast idle cores of a busy machine wake up.
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(static_cast<int>(sched_getcpu()), &one);
  sched_setaffinity(0, sizeof one, &one);
  {
    clocksim::Simulator sim;
    sim.generatePunches(kRecords, 1);
    ClsMirsol m;
    (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, sim.listenTcp(), 3);
    compare("tcp", m, sim, pingPongTcp);
  }
  {
    clocksim::Simulator sim;
    sim.generatePunches(kRecords, 2);
    ClsMirsol m;
    (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 1, 0, sim.listenUdp(), 0);
    compare("udp", m, sim, pingPongUdp);
  }
  {
    clocksim::Options opt;
    opt.baud = 9600;
    clocksim::Simulator sim(opt);
    sim.generatePunches(1000, 3);
    std::string dev = sim.openPty();
    setenv("VELTA_COM62", dev.c_str(), 1);
    ClsMirsol m;
    (void)m.SetTimeRecorder("1", 0, "COM62", "9600", "", 1, "", 0, 0, 0, 0);
    double secs = 0;
    double rate = download(m, 1000, &secs);
    // Only the clock's direction is paced; the host's ACK goes the other way.
    double wireRate = 960.0 / recordFrameBytes(sim);
    std::printf("download_pty_9600: %.1f %% of wire rate\n",
                rate < 0 ? -1.0 : 100.0 * rate / wireRate);
  }
#endif
  return 0;
}
