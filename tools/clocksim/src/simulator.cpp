#include "clock_state.h"
#include "servers.h"

#include <clocksim/simulator.h>

#include <stdexcept>

namespace clocksim {

Simulator::Simulator(Options options) : m_options(std::move(options)) {
  if (m_options.model < 0 || m_options.model > 6)
    throw std::invalid_argument("clock model must be 0..6");
  m_state = std::make_unique<ClockState>(m_options);
}

Simulator::~Simulator() { stop(); }

std::string Simulator::openPty() {
  std::string path;
  m_servers.push_back(makePtyServer(*m_state, m_options, &path));
  return path;
}

uint16_t Simulator::listenTcp(uint16_t port) {
  uint16_t bound = 0;
  m_servers.push_back(makeTcpServer(*m_state, m_options, port, &bound));
  return bound;
}

uint16_t Simulator::listenUdp(uint16_t port) {
  uint16_t bound = 0;
  m_servers.push_back(makeUdpServer(*m_state, m_options, port, &bound));
  return bound;
}

void Simulator::stop() {
  for (auto& s : m_servers) s->stop();
  m_servers.clear();
}

void Simulator::setPunches(std::vector<Punch> punches) { m_state->setPunches(std::move(punches)); }
void Simulator::generatePunches(size_t count, uint32_t seed) {
  m_state->generatePunches(count, seed);
}
void Simulator::addPunch(Punch punch) { m_state->addPunch(std::move(punch)); }
std::vector<Punch> Simulator::punches() const { return m_state->punches(); }
size_t Simulator::clearCount() const { return m_state->clearCount(); }
std::vector<std::string> Simulator::receivedFrames() const { return m_state->frames(); }
void Simulator::setClockTime(std::chrono::system_clock::time_point t) { m_state->setClockTime(t); }
std::chrono::system_clock::time_point Simulator::clockTime() const { return m_state->clockNow(); }
int Simulator::clockNumber() const { return m_state->clockNumber(); }
int Simulator::cachePercent() const { return m_state->cachePercent(); }
bool Simulator::locked() const { return m_state->locked(); }
std::vector<std::string> Simulator::enabledCards() const { return m_state->enabledCards(); }
std::vector<std::string> Simulator::disabledCards() const { return m_state->disabledCards(); }
std::vector<Siren> Simulator::sirens() const { return m_state->sirens(); }
void Simulator::setSirens(std::vector<Siren> sirens) { m_state->setSirens(std::move(sirens)); }

}  // namespace clocksim
