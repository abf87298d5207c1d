// Download throughput over each link kind and the CPU cost of waiting on a
// silent clock. Prints "name: value unit" lines.
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "clocklink/ClsMirsol.h"
#include "clocklink/EventPump.h"

#ifdef HAVE_CLOCKSIM
#include <clocksim/simulator.h>
#endif

using namespace clocklink;
using Seconds = std::chrono::duration<double>;

namespace {

double cpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

#ifdef HAVE_CLOCKSIM
// Downloads every punch; returns records per second of the record steps, or -1.
double download(ClsMirsol& m, int32_t expected, double* seconds = nullptr) {
  m.SetTimeOut(2);
  int32_t count = m.Record_Process(1);
  if (count != expected) {
    std::fprintf(stderr, "count %d, expected %d\n", count, expected);
    return -1;
  }
  auto t0 = std::chrono::steady_clock::now();
  int32_t r = kSuccess;
  while (r == kSuccess && m.RegCount < count) r = m.Record_Process(2);
  double s = Seconds(std::chrono::steady_clock::now() - t0).count();
  m.Record_Process(3);
  if (m.RegCount != count) {
    std::fprintf(stderr, "stopped at %d with %d\n", m.RegCount, r);
    return -1;
  }
  if (seconds) *seconds = s;
  return count / s;
}
#endif

}  // namespace

int main() {
#ifdef HAVE_CLOCKSIM
  {
    clocksim::Simulator sim;
    sim.generatePunches(10000, 1);
    ClsMirsol m;
    m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, sim.listenTcp(), 3);
    std::printf("download_tcp: %.0f records/s\n", download(m, 10000));
  }
  {
    clocksim::Simulator sim;
    sim.generatePunches(10000, 2);
    ClsMirsol m;
    m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 1, 0, sim.listenUdp(), 0);
    std::printf("download_udp: %.0f records/s\n", download(m, 10000));
  }
  {
    clocksim::Options opt;
    opt.baud = 9600;
    clocksim::Simulator sim(opt);
    sim.generatePunches(1000, 3);
    std::string dev = sim.openPty();
    setenv("VELTA_COM62", dev.c_str(), 1);
    ClsMirsol m;
    m.SetTimeRecorder("1", 0, "COM62", "9600", "", 1, "", 0, 0, 0, 0);
    double secs = 0;
    double rate = download(m, 1000, &secs);
    // Wire bytes per record on the paced direction: the clock's frame (STX,
    // type, MMDDhhmm, card, ETX, check byte); the host's ACK goes the other way.
    double cardChars = 0;
    auto punches = sim.punches();
    for (const auto& p : punches) cardChars += static_cast<double>(p.card.size());
    double perRecord = 1 + 2 + 8 + 1 + 1 + (punches.empty() ? 0 : cardChars / punches.size());
    double wireRate = 960.0 / perRecord;
    std::printf("download_pty_9600: %.1f %% of wire rate\n",
                rate < 0 ? -1.0 : 100.0 * rate / wireRate);
  }
#endif
  {
    // A silent clock on a pseudo-terminal; the wait is cancelled after 5 s.
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
    close(slave);
    setenv("VELTA_COM63", name, 1);
    ClsMirsol m;
    m.SetTimeRecorder("1", 0, "COM63", "9600", "", 1, "", 0, 0, 0, 0);
    m.SetTimeOut(30);
    auto start = std::chrono::steady_clock::now();
    setEventPump([&] {
      if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) m.SetCancel(1);
    });
    double c0 = cpuSeconds();
    m.Status_Get();
    double wall = Seconds(std::chrono::steady_clock::now() - start).count();
    double cpu = cpuSeconds() - c0;
    setEventPump({});
    std::printf("wait_cpu: %.2f %% of one core\n", 100.0 * cpu / wall);
    close(master);
  }
  return 0;
}
