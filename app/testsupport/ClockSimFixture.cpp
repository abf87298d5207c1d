#include "testsupport/ClockSimFixture.h"

#include <cstdlib>

namespace apptest {

TcpClockSim::TcpClockSim(clocksim::Options options) : m_sim(options) {
  m_port = m_sim.listenTcp(0);
}

ModemClockSim::ModemClockSim(int comPort, clocksim::Options options,
                             clocksim::ModemOptions modemOptions)
    : m_sim(options),
      m_modem(std::make_unique<clocksim::Modem>(m_sim, modemOptions)),
      m_variable("VELTA_COM" + std::to_string(comPort)) {
  m_device = m_modem->openPty();
  ::setenv(m_variable.c_str(), m_device.c_str(), 1);
}

ModemClockSim::~ModemClockSim() {
  m_modem.reset();
  ::unsetenv(m_variable.c_str());
}

}  // namespace apptest
