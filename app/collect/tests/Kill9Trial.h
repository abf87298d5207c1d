// One kill -9 trial of a collection pass: a clock simulator held here, collect_child
// collecting from it and killed with SIGKILL at a random step or after a random delay, the
// files and the clock checked, then a last pass that must empty the clock. Shared by the
// CTest and the 200-trial benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kill9 {

struct TrialResult {
  bool passed = false;        // every check held
  std::string failure;        // what did not, when not passed
  size_t lost = 0;            // punches neither in REGIS.MIR nor on the clock, ever
  size_t duplicateLines = 0;  // lines written again by the pass after the kill
};

TrialResult runTrial(const std::string& childProgram, uint32_t seed);

}  // namespace kill9
