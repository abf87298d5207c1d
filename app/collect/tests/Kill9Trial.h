// Kill -9 trials of collection: a clock simulator held here, collect_child collecting from it
// and killed with SIGKILL at a random moment, the files and the clock checked, then a last
// run that must empty the clock. Shared by the CTests and the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kill9 {

struct TrialResult {
  bool passed = false;        // every check held
  std::string failure;        // what did not, when not passed
  size_t lost = 0;            // punches neither in REGIS.MIR nor on the clock, ever
  size_t duplicateLines = 0;  // lines written again by the pass after the kill
  size_t tornFiles = 0;       // stores or settings changed, text files with broken lines
};

// One download and clearing of one TCP clock, killed at a random step or after a random delay.
TrialResult runTrial(const std::string& childProgram, uint32_t seed);

// One whole automatic pass (collect_child --pass, daily log on, BACKUP 1) over a TCP and a
// pseudo-terminal clock, killed at a random instant of the pass or, in every other trial, at a
// random instant between a download's start and its clearing as the clock sees them.
TrialResult runPassTrial(const std::string& childProgram, uint32_t seed);

// Runs `count` trials from seed `firstSeed` on, `atOnce` side by side, each with its own clocks
// and folder, and hands each result with its seed to `each`, in seed order.
using Trial = TrialResult (*)(const std::string&, uint32_t);
void runTrials(Trial trial, const std::string& childProgram, uint32_t firstSeed, uint32_t count,
               uint32_t atOnce, const std::function<void(uint32_t, const TrialResult&)>& each);

// The sums of a benchmark's trials; each failed check is written to standard error.
struct Tally {
  size_t lost = 0, duplicateLines = 0, tornFiles = 0, failed = 0;
};
Tally tallyTrials(Trial trial, const std::string& childProgram, uint32_t firstSeed, uint32_t count,
                  uint32_t atOnce);

}  // namespace kill9
