// 200 whole automatic passes over a TCP and a pseudo-terminal clock killed with SIGKILL (half
// at any instant of the pass, half between a download's start and its clearing), each followed
// by a pass run to the end. Prints the punches lost and the files torn (both must be 0).
#include <cstdio>
#include <future>
#include <vector>

#include "Kill9Trial.h"

int main() {
  constexpr uint32_t kTrials = 200, kAtOnce = 4;
  size_t lost = 0, torn = 0, failed = 0;
  for (uint32_t first = 1001; first < 1001 + kTrials; first += kAtOnce) {
    std::vector<std::future<kill9::TrialResult>> batch;
    for (uint32_t seed = first; seed < first + kAtOnce && seed < 1001 + kTrials; ++seed)
      batch.push_back(std::async(std::launch::async, kill9::runPassTrial, COLLECT_CHILD, seed));
    for (auto& f : batch) {
      const kill9::TrialResult r = f.get();
      lost += r.lost;
      torn += r.tornFiles;
      if (!r.passed) {
        ++failed;
        std::fprintf(stderr, "%s\n", r.failure.c_str());
      }
    }
  }
  std::printf("kill9_cycle_trials: %u trials\n", kTrials);
  std::printf("kill9_cycle_failed_checks: %zu trials\n", failed);
  std::printf("kill9_lost_punches: %zu punches\n", lost);
  std::printf("kill9_torn_files: %zu files\n", torn);
  return lost == 0 && torn == 0 && failed == 0 ? 0 : 1;
}
