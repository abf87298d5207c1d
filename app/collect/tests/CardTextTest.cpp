// The card text the card commands send: decimal or hexadecimal (touch keys) by the clock's
// kind, at least five digits.
#include "collect/CardText.h"

#include <gtest/gtest.h>

namespace {

TEST(CardTextTest, ByKind) {
  struct Case {
    const char* typed;
    int16_t kind;
    int error;
    const char* text;
  };
  for (const Case& c :
       {Case{"123", 1, 0, "00123"}, Case{"1F", 2, 0, "00031"}, Case{"FFFF", 2, 0, "65535"},
        Case{"1F", 1, 341, ""}, Case{"1F", 3, 341, ""}, Case{"12G", 2, 341, ""},
        Case{"123456", 1, 0, "123456"}, Case{"-5", 1, 341, ""}, Case{"0", 1, 0, "00000"},
        Case{"", 1, 341, ""}, Case{"", 2, 341, ""}}) {
    std::string out;
    EXPECT_EQ(collect::cardTextOf(c.typed, c.kind, out), c.error) << c.typed << " " << c.kind;
    EXPECT_EQ(out, c.text) << c.typed << " " << c.kind;
  }
}

// A refused number leaves what the caller held: the window keeps no half-made text.
TEST(CardTextTest, ARefusedNumberLeavesTheTextAlone) {
  std::string out = "00042";
  EXPECT_EQ(collect::cardTextOf("ABC", 1, out), 341);
  EXPECT_EQ(out, "00042");
}

TEST(CardTextTest, ANumberReadIsPaddedToFiveDigitsOnly) {
  for (const auto& [number, text] :
       {std::pair{7.0, "00007"}, std::pair{12345.0, "12345"}, std::pair{1234567.0, "1234567"}})
    EXPECT_EQ(collect::cardText(number), text) << number;
}

}  // namespace
