// The CPU a wait on a silent clock takes, over each link kind: the host asks for the clock's
// status and the clock never answers; the wait is cancelled after a fixed time. Prints
// "wait_cpu_<link>: P % of one core" lines (goal: at most 0.5 each), and wait_cpu_floor: what
// a bare loop of 20 ms polls on an idle socket costs on the same machine at the same time, the
// least any wait in 20 ms slices can cost there.
#include "clocklink/ClsMirsol.h"
#include "clocklink/EventPump.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace clocklink;
using Seconds = std::chrono::duration<double>;

namespace {

double threadCpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// A loopback socket of the given type bound to a free port, that never answers.
int silentSocket(int type, uint16_t* port) {
  int fd = ::socket(AF_INET, type, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::exit(1);
  if (type == SOCK_STREAM) ::listen(fd, 4);  // connections complete in the backlog
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return fd;
}

// Asks for the status of the configured (silent) clock and cancels the wait after `seconds`.
double waitCpuPercent(ClsMirsol& m, double seconds) {
  m.SetTimeOut(static_cast<int16_t>(seconds) + 10);  // the reply time-out never ends it
  const auto start = std::chrono::steady_clock::now();
  const auto end =
      start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(Seconds(seconds));
  setEventPump([&] {
    if (std::chrono::steady_clock::now() >= end) m.SetCancel(1);
  });
  const double c0 = threadCpuSeconds();
  m.Status_Get();
  const double cpu = threadCpuSeconds() - c0;
  const double wall = Seconds(std::chrono::steady_clock::now() - start).count();
  setEventPump({});
  m.SetCancel(0);
  return 100.0 * cpu / wall;
}

// A bare loop of 20 ms polls on a socket that stays silent.
double floorCpuPercent(double seconds) {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return -1;
  const auto start = std::chrono::steady_clock::now();
  const double c0 = threadCpuSeconds();
  while (Seconds(std::chrono::steady_clock::now() - start).count() < seconds) {
    pollfd p{pair[0], POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(kWaitSlice.count()));
  }
  const double cpu = threadCpuSeconds() - c0;
  const double wall = Seconds(std::chrono::steady_clock::now() - start).count();
  ::close(pair[0]);
  ::close(pair[1]);
  return 100.0 * cpu / wall;
}

}  // namespace

int main(int argc, char** argv) {
  // At least 30 s per link; a shorter run (seconds as the argument) for a quick look.
  const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
  struct NetworkLink {
    const char* name;
    int socketType;
    int16_t interface;
  };
  for (const NetworkLink& l :
       {NetworkLink{"tcp", SOCK_STREAM, 2}, NetworkLink{"udp", SOCK_DGRAM, 1}}) {
    uint16_t port = 0;
    int peer = silentSocket(l.socketType, &port);
    ClsMirsol m;
    (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", l.interface, 0, port, 5);
    std::printf("wait_cpu_%s: %.2f %% of one core\n", l.name, waitCpuPercent(m, seconds));
    std::fflush(stdout);
    ::close(peer);
  }
  {
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
    ::close(slave);
    ::setenv("VELTA_COM63", name, 1);
    ClsMirsol m;
    (void)m.SetTimeRecorder("1", 0, "COM63", "9600", "", 1, "", 0, 0, 0, 0);
    std::printf("wait_cpu_pty: %.2f %% of one core\n", waitCpuPercent(m, seconds));
    m.fcommclosePort();
    ::close(master);
  }
  std::printf("wait_cpu_floor: %.2f %% of one core\n", floorCpuPercent(seconds));
  return 0;
}
