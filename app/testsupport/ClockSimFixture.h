// The clock simulator as a test peer for the app's tests: a clock on a TCP port of
// 127.0.0.1, or a clock behind a simulated Hayes modem on a pseudo-terminal published as
// COM<n> (VELTA_COM<n>). Both stop when the fixture goes.
#pragma once

#include <clocksim/modem.h>
#include <clocksim/simulator.h>

#include <cstdint>
#include <memory>
#include <string>

namespace apptest {

class TcpClockSim {
 public:
  explicit TcpClockSim(clocksim::Options options = {});
  clocksim::Simulator& sim() { return m_sim; }
  uint16_t port() const { return m_port; }

 private:
  clocksim::Simulator m_sim;
  uint16_t m_port = 0;
};

class ModemClockSim {
 public:
  // Publishes the modem's line as COM<comPort>; the environment variable goes with the
  // fixture.
  explicit ModemClockSim(int comPort, clocksim::Options options = {},
                         clocksim::ModemOptions modemOptions = {});
  ~ModemClockSim();
  clocksim::Simulator& sim() { return m_sim; }
  clocksim::Modem& modem() { return *m_modem; }
  const std::string& device() const { return m_device; }

 private:
  clocksim::Simulator m_sim;
  std::unique_ptr<clocksim::Modem> m_modem;
  std::string m_variable;
  std::string m_device;
};

}  // namespace apptest
