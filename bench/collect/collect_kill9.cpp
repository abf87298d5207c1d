// 200 collection passes killed with SIGKILL (half at a random step, half after a random
// delay), 8 at a time, each followed by a pass that must empty the clock. Prints the punches
// lost (must be 0) and the lines written twice (the accepted cost of never losing one).
#include <cstdio>
#include <future>
#include <vector>

#include "Kill9Trial.h"

int main() {
  constexpr uint32_t kTrials = 200, kAtOnce = 8;
  size_t lost = 0, duplicates = 0, failed = 0;
  for (uint32_t first = 0; first < kTrials; first += kAtOnce) {
    std::vector<std::future<kill9::TrialResult>> batch;
    for (uint32_t seed = first + 1001; seed < first + 1001 + kAtOnce && seed <= 1000 + kTrials;
         ++seed)
      batch.push_back(std::async(std::launch::async, kill9::runTrial, COLLECT_CHILD, seed));
    for (auto& f : batch) {
      const kill9::TrialResult r = f.get();
      lost += r.lost;
      duplicates += r.duplicateLines;
      if (!r.passed) {
        ++failed;
        std::fprintf(stderr, "%s\n", r.failure.c_str());
      }
    }
  }
  std::printf("kill9_trials: %u trials\n", kTrials);
  std::printf("kill9_failed_checks: %zu trials\n", failed);
  std::printf("kill9_duplicate_lines: %zu lines\n", duplicates);
  std::printf("kill9_lost: %zu punches\n", lost);
  return lost == 0 && failed == 0 ? 0 : 1;
}
