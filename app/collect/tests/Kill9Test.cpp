// A collection pass killed with SIGKILL at random moments never loses a punch: 24 seeded
// trials, 8 at a time, each with its own clock and folder (the benchmark runs 200).
#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "Kill9Trial.h"

TEST(Kill9, NoPunchIsLostWhereverThePassIsKilled) {
  constexpr uint32_t kTrials = 24, kAtOnce = 8;
  for (uint32_t first = 0; first < kTrials; first += kAtOnce) {
    std::vector<std::future<kill9::TrialResult>> batch;
    for (uint32_t seed = first + 1; seed <= first + kAtOnce; ++seed)
      batch.push_back(std::async(std::launch::async, kill9::runTrial, COLLECT_CHILD, seed));
    for (uint32_t i = 0; i < batch.size(); ++i) {
      const kill9::TrialResult r = batch[i].get();
      EXPECT_TRUE(r.passed) << "seed " << first + 1 + i << ": " << r.failure;
      EXPECT_EQ(r.lost, 0u) << "seed " << first + 1 + i;
    }
  }
}
