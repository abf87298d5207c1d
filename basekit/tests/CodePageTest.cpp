#include <basekit/codepage.h>
#include <basekit/paths.h>
#include <gtest/gtest.h>

using namespace basekit;

TEST(Codepage, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  bool exact = false;
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all), &exact), all);
  EXPECT_TRUE(exact);
}

TEST(Codepage, KnownCharacters) {
  struct Case {
    std::string cp;
    std::string utf8;
  } cases[] = {
      {"\x80", "\u20AC"}, {"\x9F", "\u0178"},       {"\xF1", "\u00F1"}, {"\x81", "\u0081"},
      {"\x9D", "\u009D"}, {"Jos\xE9", "Jos\u00E9"}, {"\x99", "\u2122"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp1252ToUtf8(c.cp), c.utf8);
    EXPECT_EQ(utf8ToCp1252(c.utf8), c.cp);
  }
}

TEST(Codepage, UnmappableAndInvalidBecomeQuestionMarks) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"a\u4E2Db", "a?b"}, {"\xFF", "?"},           {"x\xC3", "x?"},     {"\xE2\x82", "??"},
      {"\xC0\xAF", "??"},  {"\xED\xA0\x80", "???"}, {"\U0001F600", "?"},
  };
  for (const auto& c : cases) {
    bool exact = true;
    EXPECT_EQ(utf8ToCp1252(c.in, &exact), c.out) << c.in;
    EXPECT_FALSE(exact);
  }
}

TEST(Paths, BackslashesAreSeparators) {
  EXPECT_EQ(toLocalPath("data\\out\\REGIS.MIR"), "data/out/REGIS.MIR");
  EXPECT_EQ(toLocalPath("/plain/path"), "/plain/path");
}
