// The checks and texts of the clock setting dialogs (search percentage, clock number, date and
// time).
#include "collect/ClockSettingRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ClockSettingRulesTest, ClockNumber) {
  struct Case {
    const char* text;
    int error;
    const char* number;
  };
  for (const Case& c : {Case{" 7 ", 0, "7"}, Case{"z", 0, "z"}, Case{"Q", 0, "Q"},
                        Case{"0", 0, "0"}, Case{"7a", 349, ""}, Case{"ñ", 349, ""},
                        Case{"-", 349, ""}, Case{"", 352, ""}, Case{"   ", 352, ""}}) {
    std::string number;
    EXPECT_EQ(collect::clockNumberError(c.text, number), c.error) << c.text;
    EXPECT_EQ(number, c.number) << c.text;
  }
}

TEST(ClockSettingRulesTest, TheSliderSendsAtMost99AndNothingBelowZero) {
  for (const auto& [slider, sent] : {std::pair{100, 99}, std::pair{150, 99}, std::pair{99, 99},
                                     std::pair{37, 37}, std::pair{0, 0}, std::pair{-5, 0}})
    EXPECT_EQ(collect::cacheValue(slider), sent) << slider;
}

TEST(ClockSettingRulesTest, DateTimeTextsCountSundayAsOne) {
  struct Case {
    basic::DateTime when;
    const char *date, *weekday, *time;
  };
  for (const Case& c : {Case{{2026, 12, 6, 7, 5}, "20261206", "1", "0705"},
                        Case{{2026, 12, 12, 23, 59}, "20261212", "7", "2359"},
                        Case{{2024, 2, 29, 0, 0}, "20240229", "5", "0000"}}) {
    const collect::DateTimeTexts t = collect::dateTimeTexts(c.when);
    EXPECT_EQ(t.date, c.date);
    EXPECT_EQ(t.weekday, c.weekday) << c.date;
    EXPECT_EQ(t.time, c.time) << c.date;
  }
}

}  // namespace
