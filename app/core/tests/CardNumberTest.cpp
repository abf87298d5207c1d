// The one card-number rule: decimal digits only; touch keys hexadecimal, unsigned, leading
// zeros not counted, at most 8 significant digits.
#include "core/CardNumber.h"

#include <gtest/gtest.h>

TEST(CardNumber, ReadsAndWritesEachKind) {
  struct Case {
    const char* text;
    int16_t kind;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"123", 1, true, 123},        {" 00123 ", 1, true, 123},
      {"12X", 1, false, 0},         {"-5", 1, false, 0},
      {"1e5", 1, false, 0},         {"", 1, false, 0},
      {"FFFF", 2, true, 65535},     {"ff", 2, true, 255},
      {"00000000AB", 2, true, 171}, {"FFFFFFFF", 2, true, 4294967295.0},
      {"1FFFFFFFF", 2, false, 0},   {"1G", 2, false, 0},
      {"1F", 1, false, 0},          {"0", 2, true, 0},
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(cardNumberOf(c.text, c.kind, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_EQ(cardNumberText(255, 2), "FF");
  EXPECT_EQ(cardNumberText(255, 1), "255");
  EXPECT_EQ(cardNumberText(1234567, 1), "1234567");
  EXPECT_EQ(cardNumberText(-1, 1), "");
}
