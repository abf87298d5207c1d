// A collection pass killed with SIGKILL at random moments never loses a punch: 24 seeded
// trials, 8 at a time, each with its own clock and folder (the benchmark runs 200).
#include "collect/tests/Kill9Trial.h"

#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

TEST(Kill9, NoPunchIsLostWhereverThePassIsKilled) {
  kill9::runTrials(kill9::runTrial, clocklink::testing::peerPath(COLLECT_CHILD), 1, 24, 8,
                   [](uint32_t seed, const kill9::TrialResult& r) {
                     EXPECT_TRUE(r.passed) << "seed " << seed << ": " << r.failure;
                     EXPECT_EQ(r.lost, 0u) << "seed " << seed;
                   });
}
