// 200 whole automatic passes over a TCP and a pseudo-terminal clock killed with SIGKILL (half
// at any instant of the pass, half between a download's start and its clearing), 4 at a time,
// each followed by a pass run to the end. Prints the punches lost and the files torn (both
// must be 0).
#include "collect/tests/Kill9Trial.h"

#include <clocklink/testing/PeerPath.h>

#include <cstdio>
#include <string>

int main() {
  constexpr uint32_t kTrials = 200;
  const std::string child = clocklink::testing::peerPath(COLLECT_CHILD);
  const kill9::Tally t = kill9::tallyTrials(kill9::runPassTrial, child, 1001, kTrials, 4);
  std::printf("kill9_cycle_trials: %u trials\n", kTrials);
  std::printf("kill9_cycle_failed_checks: %zu trials\n", t.failed);
  std::printf("kill9_lost_punches: %zu punches\n", t.lost);
  std::printf("kill9_torn_files: %zu files\n", t.tornFiles);
  return t.lost == 0 && t.tornFiles == 0 && t.failed == 0 ? 0 : 1;
}
