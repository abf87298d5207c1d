// A whole automatic pass over a TCP and a pseudo-terminal clock, killed with SIGKILL at random
// instants, never loses a punch nor leaves a store or a text file broken: 10 seeded trials, two
// at a time, each with its own clocks and folder (the benchmark runs 200).
#include "collect/tests/Kill9Trial.h"

#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

TEST(Kill9Cycle, NoPunchIsLostAndNoFileTornWhereverThePassIsKilled) {
  kill9::runTrials(kill9::runPassTrial, clocklink::testing::peerPath(COLLECT_CHILD), 1, 10, 2,
                   [](uint32_t, const kill9::TrialResult& r) {
                     EXPECT_TRUE(r.passed) << r.failure;
                     EXPECT_EQ(r.lost, 0u) << r.failure;
                     EXPECT_EQ(r.tornFiles, 0u) << r.failure;
                   });
}
