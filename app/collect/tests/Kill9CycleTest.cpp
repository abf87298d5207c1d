// A whole automatic pass over a TCP and a pseudo-terminal clock, killed with SIGKILL at random
// instants, never loses a punch nor leaves a store or a text file broken: 10 seeded trials, two
// at a time, each with its own clocks and folder (the benchmark runs 200).
#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "Kill9Trial.h"

TEST(Kill9Cycle, NoPunchIsLostAndNoFileTornWhereverThePassIsKilled) {
  constexpr uint32_t kTrials = 10, kAtOnce = 2;
  for (uint32_t first = 1; first <= kTrials; first += kAtOnce) {
    std::vector<std::future<kill9::TrialResult>> batch;
    for (uint32_t seed = first; seed < first + kAtOnce; ++seed)
      batch.push_back(std::async(std::launch::async, kill9::runPassTrial, COLLECT_CHILD, seed));
    for (auto& f : batch) {
      const kill9::TrialResult r = f.get();
      EXPECT_TRUE(r.passed) << r.failure;
      EXPECT_EQ(r.lost, 0u) << r.failure;
      EXPECT_EQ(r.tornFiles, 0u) << r.failure;
    }
  }
}
