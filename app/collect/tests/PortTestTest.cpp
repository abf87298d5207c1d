// The port test's rules that need no port: the status field that says a clock answered, and
// the clock numbers and speeds the search tries.
#include "collect/PortTest.h"

#include <gtest/gtest.h>

namespace {

TEST(PortTestTest, StatusFieldSaysAClockAnswered) {
  EXPECT_FALSE(collect::PortTest::clockAnswered(""));
  EXPECT_FALSE(collect::PortTest::clockAnswered("ABCD"));
  EXPECT_FALSE(collect::PortTest::clockAnswered("  ABCD   "));
  EXPECT_TRUE(collect::PortTest::clockAnswered("ABCDE"));
  EXPECT_TRUE(collect::PortTest::clockAnswered(std::string(60, 'x')));
  // Only the first 50 characters are the field.
  EXPECT_FALSE(collect::PortTest::clockAnswered(std::string(50, ' ') + "ABCDEF"));
  EXPECT_TRUE(collect::PortTest::clockAnswered(std::string(45, ' ') + "ABCDE"));
}

TEST(PortTestTest, TheSearchTriesDigitsThenCapitalsThenSmallLetters) {
  for (const auto& [index, number] : {std::pair{0, "1"}, std::pair{8, "9"}, std::pair{9, "A"},
                                      std::pair{34, "Z"}, std::pair{35, "a"}, std::pair{60, "z"}})
    EXPECT_EQ(collect::clockNumberAt(index), number) << index;
  EXPECT_EQ(collect::kDetectProbes, 1952);
  for (const std::string& speed : collect::kPortSpeeds) EXPECT_EQ(speed.size(), 6u) << speed;
}

}  // namespace
