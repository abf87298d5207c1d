// BASIC-style conversions: numeric prefix, strict test, half-to-even rounding, Format.
#include "core/Basic.h"

#include <gtest/gtest.h>

using basic::DateTime;

TEST(Basic, ValReadsLeadingNumber) {
  struct Case {
    const char* text;
    double want;
  } cases[] = {
      {"42", 42}, {"  17abc", 17}, {"-3.5x", -3.5}, {"abc", 0},   {"", 0},    {"1e3", 1000},
      {"2e", 2},  {".5", 0.5},     {"+7", 7},       {"12,5", 12}, {"\t9", 9}, {"- 4", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(basic::Val(c.text), c.want) << c.text;
}

TEST(Basic, IsNumericNeedsWholeText) {
  struct Case {
    const char* text;
    bool want;
  } cases[] = {
      {"12", true}, {" 12 ", true}, {"-1.5", true}, {"1e2", true}, {"12a", false},
      {"", false},  {"  ", false},  {"-", false},   {".", false},  {"1 2", false},
  };
  for (const auto& c : cases) EXPECT_EQ(basic::IsNumeric(c.text), c.want) << c.text;
}

TEST(Basic, RoundsHalfToEvenWithRangeCheck) {
  struct Case {
    double v;
    std::optional<int16_t> want;
  } cases[] = {
      {0.5, 0},           {1.5, 2},
      {2.5, 2},           {-2.5, -2},
      {2.6, 3},           {-0.4, 0},
      {32767, 32767},     {32767.6, std::nullopt},
      {-32768.4, -32768}, {1e9, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(basic::ToInteger(c.v), c.want) << c.v;
  EXPECT_EQ(basic::ToLong(70000.5), 70000);
  EXPECT_EQ(basic::ToLong(3e10), std::nullopt);
  EXPECT_EQ(basic::ParseInteger("40000"), std::nullopt);
  EXPECT_EQ(basic::ParseInteger("12x"), std::nullopt);
  EXPECT_EQ(basic::ParseInteger(" -1 "), -1);
  EXPECT_EQ(basic::ParseLong("100000"), 100000);
}

TEST(Basic, TrimAndCase) {
  EXPECT_EQ(basic::Trim("  a b  "), "a b");
  EXPECT_EQ(basic::LTrim("  a "), "a ");
  EXPECT_EQ(basic::RTrim("  a "), "  a");
  EXPECT_EQ(basic::UCase("rsh=x"), "RSH=X");
  EXPECT_EQ(basic::LCase("AbC"), "abc");
}

TEST(Basic, DatePatterns) {
  const DateTime t{2024, 3, 7, 9, 5, 4};
  struct Case {
    const char* pattern;
    const char* want;
  } cases[] = {
      {"YYYYmmdd", "20240307"},
      {"HHMMss", "090504"},
      {"hh\\:MM", "09:05"},
      {"HHMM", "0905"},
      {"YYYYmmdd_HHMMss", "20240307_090504"},
      {"dd\\/mm\\/YY", "07/03/24"},
      {"dd\\/mm\\/YYYY", "07/03/2024"},
      {"mm\\/dd\\/YY", "03/07/24"},
      {"mm\\/dd\\/YYYY", "03/07/2024"},
      {"YY\\/mm\\/dd", "24/03/07"},
      {"YYYY\\/mm\\/dd", "2024/03/07"},
      {"YYmmdd", "240307"},
      {"dd/mm/YY", "07/03/24"},
      {"SHORT DATE", "07/03/2024"},
      {"\"REG\"YYmmdd\".TXT\"", "REG240307.TXT"},
      {"d-m-y", "7-3-67"},
      {"hh:nn", "09:05"},
      {"", "07/03/2024 09:05:04"},
  };
  for (const auto& c : cases) EXPECT_EQ(basic::Format(t, c.pattern), c.want) << c.pattern;
  EXPECT_EQ(basic::Format(DateTime{2024, 3, 7}, ""), "07/03/2024");  // midnight: the date alone
}

TEST(Basic, NumberPatterns) {
  struct Case {
    int64_t v;
    const char* pattern;
    const char* want;
  } cases[] = {
      {7, "000", "007"},       {1234, "000", "1234"}, {42, "00000", "00042"},
      {-5, "00000", "-00005"}, {0, "00", "00"},       {-123456, "00000", "-123456"},
  };
  for (const auto& c : cases) EXPECT_EQ(basic::Format(c.v, c.pattern), c.want) << c.v;
  EXPECT_EQ(basic::Str(-12), "-12");
}

TEST(Basic, Calendar) {
  EXPECT_EQ(basic::Weekday({2024, 3, 3}), 1);  // Sunday
  EXPECT_EQ(basic::Weekday({2024, 3, 9}), 7);  // Saturday
  EXPECT_EQ(basic::Weekday({2000, 1, 1}), 7);
  EXPECT_TRUE(basic::IsValidDate(2024, 2, 29));
  EXPECT_FALSE(basic::IsValidDate(2023, 2, 29));
  EXPECT_FALSE(basic::IsValidDate(2024, 4, 31));
  EXPECT_FALSE(basic::IsValidDate(2024, 13, 1));
}
