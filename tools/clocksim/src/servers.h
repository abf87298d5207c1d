// The links a simulator serves on: a pseudo-terminal, a TCP listener, a UDP
// serial-over-Ethernet unit. Each runs one background thread that blocks in poll and
// ends promptly on stop().
#pragma once

#include "clock_state.h"

#include <clocksim/simulator.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace clocksim {

class Server {
 public:
  virtual ~Server();
  void stop();

 protected:
  Server(ClockState& state, const Options& options);
  void start();
  virtual void run() = 0;
  // Waits up to timeoutMs for events on fd (or only for the stop signal when fd < 0).
  // Returns false when stopping.
  bool waitFor(int fd, short events, int timeoutMs, short* revents);
  // Holds back output so it leaves at baud/10 bytes per second; false when stopping.
  bool paceBytes(size_t n);
  size_t pacedChunk(size_t remaining);

  ClockState& m_state;
  Options m_options;
  int m_wake = -1;

 private:
  std::thread m_thread;
  std::chrono::steady_clock::time_point m_lineFree{};
};

// A new pseudo-terminal in raw mode, master non-blocking; returns the master and puts the
// slave's device path in *path. Throws std::system_error.
int openPtyMaster(std::string* path);

std::unique_ptr<Server> makePtyServer(ClockState& state, const Options& options, std::string* path);
std::unique_ptr<Server> makeTcpServer(ClockState& state, const Options& options, uint16_t port,
                                      uint16_t* bound);
std::unique_ptr<Server> makeUdpServer(ClockState& state, const Options& options, uint16_t port,
                                      uint16_t* bound);

}  // namespace clocksim
