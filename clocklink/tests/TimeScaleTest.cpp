// The fraction of the library's fixed waits that test programs run: only a shortening between 0
// and 1 is taken; anything else gives the real lengths back.
#include <clocklink/EventPump.h>
#include <clocklink/testing/Hooks.h>
#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TEST(TimeScale, OnlyAShorteningIsTakenAndScalesTheFixedWaits) {
  const double before = clocklink::timeScale();
  struct Case {
    double factor;
    double taken;
  };
  const Case cases[] = {{0.1, 0.1},  {1.0, 1.0}, {0.5, 0.5}, {0.0, 1.0},
                        {-0.1, 1.0}, {2.0, 1.0}, {NAN, 1.0}, {INFINITY, 1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factor);
    clocklink::testing::setTimeScale(c.factor);
    EXPECT_EQ(clocklink::timeScale(), c.taken);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(clocklink::scaledWait(0.5)),
              std::chrono::milliseconds(std::lround(500 * c.taken)));
    EXPECT_EQ(clocklink::scaledWait(-1.0), clocklink::Clock::duration::zero());
  }
  clocklink::testing::setTimeScale(before);
  EXPECT_EQ(clocklink::timeScale(), before);
}

// The installed program's waits are its own: a test variable in the operator's environment
// does not shorten them.
TEST(TimeScale, AProgramWithoutTheTestHooksIgnoresTheEnvironment) {
  const std::string command =
      "VELTA_TEST_TIME_SCALE=0.1 '" + clocklink::testing::peerPath(SCALE_PROBE) + "'";
  std::FILE* p = ::popen(command.c_str(), "r");
  ASSERT_NE(p, nullptr);
  char out[32] = {};
  ASSERT_NE(std::fgets(out, sizeof out, p), nullptr);
  EXPECT_EQ(::pclose(p), 0);
  EXPECT_STREQ(out, "1\n");
  // This test program links the hooks: CTest's fraction is taken.
  if (const char* v = std::getenv("VELTA_TEST_TIME_SCALE")) {
    EXPECT_EQ(clocklink::timeScale(), std::strtod(v, nullptr));
  }
}

}  // namespace
