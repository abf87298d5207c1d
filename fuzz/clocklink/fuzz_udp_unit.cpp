// Arbitrary datagrams from a serial-over-Ethernet unit into the UDP back end, over a real
// loopback socket pair. The input is a list of steps: a datagram from the unit, a send from
// the system, a burst cleared unread, or a new configuration. Each datagram is acknowledged
// with its sequence byte alone, its payload is read back whole, and every send carries the
// last sequence byte received (255 after a configuration).
#include "CPL_Ether232.h"
#include "NetSocket.h"

#include <arpa/inet.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

using namespace clocklink;

namespace {

// The unit's end: a datagram socket on 127.0.0.1.
struct Unit {
  int fd = -1;
  uint16_t port = 0;
  sockaddr_in system{};

  Unit() {
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      std::abort();
    port = ntohs(a.sin_port);
  }
  void aimAt(int systemFd) {
    socklen_t len = sizeof system;
    if (::getsockname(systemFd, reinterpret_cast<sockaddr*>(&system), &len) != 0) std::abort();
    system.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  void send(const std::string& d) const {
    if (::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&system),
                 sizeof system) != static_cast<ssize_t>(d.size()))
      std::abort();
  }
  // The next datagram the system sent, or false when none waits (loopback delivers at once).
  bool take(std::string& d) const {
    char buf[65536];
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0) return false;
    d.assign(buf, static_cast<size_t>(n));
    return true;
  }
};

struct Reader {
  const uint8_t* p;
  size_t n;
  bool empty() const { return n == 0; }
  uint8_t byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  std::string bytes(size_t want) {
    const size_t k = want < n ? want : n;
    std::string s(reinterpret_cast<const char*>(p), k);
    p += k, n -= k;
    return s;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Unit unit;
  static NetSocket socket;
  CPL_Ether232 link;
  auto configure = [&] {
    if (link.Iniciar(&socket, "127.0.0.1", 0, unit.port) != -1) std::abort();
    unit.aimAt(socket.fd());
    if (link.UDP_Open() != kSuccess) std::abort();
  };
  configure();
  char sequence = static_cast<char>(255);
  std::string d;

  auto expectAck = [&](const std::string& dgram) {
    if (dgram.empty()) return;  // an empty datagram has no sequence byte to answer
    sequence = dgram[0];
    if (!unit.take(d) || d != std::string(1, sequence)) std::abort();
  };

  Reader in{data, size};
  for (int steps = 0; steps < 64 && !in.empty(); ++steps) {
    const uint8_t op = in.byte();
    switch (op & 3) {
      case 0: {  // a datagram from the unit, read back one character at a time
        const std::string dgram = in.bytes(op >> 2);
        unit.send(dgram);
        const std::string payload = dgram.empty() ? std::string() : dgram.substr(1);
        std::string got;
        long length = link.UDP_IsData();
        expectAck(dgram);
        if (length != static_cast<long>(payload.size())) std::abort();
        while (got.size() < payload.size()) {
          if (link.UDP_IsData() != length) std::abort();  // the whole length, not the rest
          got += link.UDP_Get();
        }
        if (got != payload || !link.UDP_Get().empty() || link.UDP_IsData() != 0) std::abort();
        break;
      }
      case 1: {  // the system sends
        const std::string s = in.bytes(op >> 2);
        if (link.UDP_Send(s) != -1) std::abort();
        if (!unit.take(d) || d != std::string(1, sequence) + s) std::abort();
        break;
      }
      case 2: {  // a burst of datagrams dropped unread, each still acknowledged
        const int count = 1 + (op >> 2) % 4;
        std::string burst[4];
        for (int k = 0; k < count; ++k) unit.send(burst[k] = in.bytes(in.byte() % 8));
        link.UDP_ClearRXBuf();
        for (int k = 0; k < count; ++k) expectAck(burst[k]);
        if (link.UDP_IsData() != 0) std::abort();
        break;
      }
      default:  // a new configuration starts the sequence again
        configure();
        sequence = static_cast<char>(255);
        break;
    }
    if (unit.take(d)) std::abort();  // nothing but the answers counted above
  }
  return 0;
}
