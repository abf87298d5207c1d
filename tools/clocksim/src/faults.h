// Seeded fault injector: for each byte the clock sends, with the configured probability,
// damages the transmission it belongs to in one of the chosen ways. Same seed and same
// traffic give the same faults.
#pragma once

#include <clocksim/simulator.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace clocksim {

// One piece of output of the clock: a whole reply frame, or loose bytes (ACK, NAK, text).
struct Transmission {
  std::string bytes;
  bool isFrame = false;
  size_t bodyFirst = 1;  // frames: first byte a fault may change or drop
};

struct Shaped {
  std::string bytes;        // what actually goes on the wire
  bool closeAfter = false;  // the link is closed after sending them
  bool faulted = false;
  Fault kind = Fault::FlipByte;
};

class FaultInjector {
 public:
  FaultInjector(double rate, std::vector<Fault> kinds, uint32_t seed);
  Shaped shape(const Transmission& t);

 private:
  bool applicable(Fault f, const Transmission& t) const;
  size_t nearestEligible(const Transmission& t, size_t at, bool nonZero) const;

  double m_rate;
  std::vector<Fault> m_kinds;
  std::mt19937 m_rng;
};

}  // namespace clocksim
