// 200 collection passes killed with SIGKILL (half at a random step, half after a random
// delay), 8 at a time, each followed by a pass that must empty the clock. Prints the punches
// lost (must be 0) and the lines written twice (the accepted cost of never losing one).
#include "collect/tests/Kill9Trial.h"

#include <clocklink/testing/PeerPath.h>

#include <cstdio>
#include <string>

int main() {
  constexpr uint32_t kTrials = 200;
  const std::string child = clocklink::testing::peerPath(COLLECT_CHILD);
  const kill9::Tally t = kill9::tallyTrials(kill9::runTrial, child, 1001, kTrials, 8);
  std::printf("kill9_trials: %u trials\n", kTrials);
  std::printf("kill9_failed_checks: %zu trials\n", t.failed);
  std::printf("kill9_duplicate_lines: %zu lines\n", t.duplicateLines);
  std::printf("kill9_lost: %zu punches\n", t.lost);
  return t.lost == 0 && t.failed == 0 ? 0 : 1;
}
