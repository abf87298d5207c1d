// The fraction of the library's fixed waits that test programs run: only a shortening between 0
// and 1 is taken; anything else gives the real lengths back.
#include <gtest/gtest.h>

#include <clocklink/EventPump.h>

#include <chrono>
#include <cmath>

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

}  // namespace
