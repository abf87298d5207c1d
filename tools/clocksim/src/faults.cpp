#include "faults.h"

#include "wire.h"

namespace clocksim {

namespace {
bool isControl(unsigned char b) { return b == kStx || b == kEtx || b == kAck || b == kNak; }
}  // namespace

FaultInjector::FaultInjector(double rate, std::vector<Fault> kinds, uint32_t seed)
    : m_rate(rate), m_kinds(std::move(kinds)), m_rng(seed) {
  if (m_kinds.empty())
    m_kinds = {Fault::FlipByte, Fault::DropBodyByte, Fault::CorruptCheck, Fault::Silence,
               Fault::Close};
}

// Body bytes of a frame lie between bodyFirst and ETX; loose bytes are all eligible.
size_t FaultInjector::nearestEligible(const Transmission& t, size_t at, bool nonZero) const {
  const size_t n = t.bytes.size();
  size_t lo = t.isFrame ? t.bodyFirst : 0;
  size_t hi = t.isFrame ? (n >= 2 ? n - 2 : 0) : n;  // exclusive
  if (lo >= hi) return std::string::npos;
  size_t best = std::string::npos, bestDist = 0;
  for (size_t i = lo; i < hi; ++i) {
    if (nonZero && t.bytes[i] == 0) continue;
    size_t d = i > at ? i - at : at - i;
    if (best == std::string::npos || d < bestDist) best = i, bestDist = d;
  }
  return best;
}

bool FaultInjector::applicable(Fault f, const Transmission& t) const {
  switch (f) {
    case Fault::FlipByte:
      return nearestEligible(t, 0, false) != std::string::npos;
    case Fault::DropBodyByte:
      return t.isFrame && nearestEligible(t, 0, true) != std::string::npos;
    case Fault::CorruptCheck:
      return t.isFrame && t.bytes.size() >= 2;
    case Fault::Silence:
    case Fault::Close:
      return true;
  }
  return false;
}

Shaped FaultInjector::shape(const Transmission& t) {
  Shaped out;
  out.bytes = t.bytes;
  if (m_rate <= 0.0) return out;
  for (size_t i = 0; i < t.bytes.size(); ++i) {
    // 32-bit draws keep the sequence the same on every standard library.
    const double draw = static_cast<double>(m_rng()) / 4294967296.0;
    if (draw >= m_rate) continue;
    std::vector<Fault> usable;
    for (Fault f : m_kinds)
      if (applicable(f, t)) usable.push_back(f);
    if (usable.empty()) continue;
    const Fault f = usable[m_rng() % usable.size()];
    out.faulted = true;
    out.kind = f;
    switch (f) {
      case Fault::FlipByte: {
        const size_t at = nearestEligible(t, i, false);
        const auto orig = static_cast<unsigned char>(t.bytes[at]);
        unsigned bit = m_rng() % 8;
        // Never turn a byte into a control byte: the frame keeps its shape and fails its check.
        for (int k = 0; k < 8 && isControl(static_cast<unsigned char>(orig ^ (1u << bit))); ++k)
          bit = (bit + 1) % 8;
        out.bytes[at] = static_cast<char>(orig ^ (1u << bit));
        break;
      }
      case Fault::DropBodyByte:
        out.bytes.erase(nearestEligible(t, i, true), 1);
        break;
      case Fault::CorruptCheck:
        out.bytes.back() =
            static_cast<char>(static_cast<unsigned char>(out.bytes.back()) ^ (1u + m_rng() % 255u));
        break;
      case Fault::Silence:
        out.bytes.resize(i);
        break;
      case Fault::Close:
        out.bytes.resize(i);
        out.closeAfter = true;
        break;
    }
    break;  // one fault per transmission
  }
  return out;
}

}  // namespace clocksim
