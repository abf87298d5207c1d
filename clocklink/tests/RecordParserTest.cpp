// Record and status parsing.
#include "RecordParser.h"

#include "peers.h"

#include <gtest/gtest.h>

using namespace clocklink;
using testpeers::clockFrame;

namespace {

struct RecordCase {
  const char* name;
  int model;
  std::string frame;
  std::string type6;
  Today now;
  std::string expected;
};

class RecordCases : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordCases, Parse) {
  const RecordCase& c = GetParam();
  ParsedRecord r = parseRecordFrame(c.frame, c.model, "1", c.type6, c.now);
  EXPECT_EQ(r.text, c.expected);
  EXPECT_EQ(r.valid, c.expected[0] == '0');
}

// Model 6 record frame: STX LEN ADDR, then s (from the 5th character):
// s[1] kind, s[2] validity marker, s[7..14] month day hour minute, s[20..26] card.
std::string model6Frame(char kind, char marker, const std::string& mdhm, const std::string& card7) {
  std::string s = std::string(1, kind) + marker + "yyyy" + mdhm + "zzzzz" + card7;
  std::string body =
      std::string("\x02") + static_cast<char>(s.size() + 5) + "\x01" + "R" + s + "\x03";
  unsigned char x = 0;
  for (unsigned char ch : body) x ^= ch;
  return body + static_cast<char>(x);
}

INSTANTIATE_TEST_SUITE_P(Frames, RecordCases,
                         ::testing::Values(RecordCase{"dec31_read_jan5",
                                                      0,
                                                      clockFrame("0112312359"
                                                                 "0001234"),
                                                      "",
                                                      {2027, 1},
                                                      "0202612312359"
                                                      "01"
                                                      "01"
                                                      "1234"},
                                           RecordCase{"same_month_current_year",
                                                      0,
                                                      clockFrame("0201150800"
                                                                 "0042"),
                                                      "",
                                                      {2027, 1},
                                                      "0202701150800"
                                                      "01"
                                                      "02"
                                                      "42"},
                                           RecordCase{"month_13_invalid",
                                                      0,
                                                      clockFrame("0113012359"
                                                                 "0001234"),
                                                      "",
                                                      {2027, 5},
                                                      "1202613012359"
                                                      "01"
                                                      "01"
                                                      "1234"},
                                           RecordCase{"minute_60_invalid",
                                                      0,
                                                      clockFrame("0105012360"
                                                                 "77"),
                                                      "",
                                                      {2027, 5},
                                                      "1202705012360"
                                                      "01"
                                                      "01"
                                                      "77"},
                                           RecordCase{"hex_card_invalid",
                                                      3,
                                                      clockFrame("0105010101"
                                                                 "00AB12"),
                                                      "",
                                                      {2027, 5},
                                                      "1202705010101"
                                                      "01"
                                                      "01"
                                                      "00AB12"},
                                           RecordCase{"non_numeric_month_current_year",
                                                      0,
                                                      clockFrame("01xx010101"
                                                                 "5"),
                                                      "",
                                                      {2027, 5},
                                                      "12027xx010101"
                                                      "01"
                                                      "01"
                                                      "5"},
                                           RecordCase{"long_card_keeps_digits",
                                                      0,
                                                      clockFrame("0105010101"
                                                                 "00012345678901234567"),
                                                      "",
                                                      {2027, 5},
                                                      "0202705010101"
                                                      "01"
                                                      "01"
                                                      "12345678901234567"},
                                           RecordCase{"truncated_frame",
                                                      0,
                                                      std::string("\x02"
                                                                  "01"),
                                                      "",
                                                      {2027, 5},
                                                      "12027"
                                                      "01"
                                                      "01"},
                                           RecordCase{"model6_punch",
                                                      6,
                                                      model6Frame('1', '1', "03150930", "0004512"),
                                                      "21",
                                                      {2027, 5},
                                                      "0202703150930"
                                                      "01"
                                                      "21"
                                                      "45"},
                                           RecordCase{"model6_marker_0_invalid",
                                                      6,
                                                      model6Frame('2', '0', "03150930", "0004512"),
                                                      "22",
                                                      {2027, 5},
                                                      "1202703150930"
                                                      "01"
                                                      "22"
                                                      "45"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StatusCount, CountOnlyFromACompleteNumericStatus) {
  std::string base(36, 'A');
  auto with = [&](const std::string& digits, size_t len = 36) {
    std::string s = base;
    s.replace(29, 5, digits);
    return s.substr(0, len);
  };
  EXPECT_EQ(statusCount(with("00012")), 12);
  EXPECT_EQ(statusCount(with("99999")), 99999);
  EXPECT_EQ(statusCount(""), -1);
  EXPECT_EQ(statusCount(with("00012", 35)), -1);
  EXPECT_EQ(statusCount(with("00x12")), -1);
  EXPECT_EQ(statusCount(with("     ")), -1);
}

TEST(ShortenCard, TextNotFloatingPoint) {
  EXPECT_EQ(shortenCard("0001234"), "1234");
  EXPECT_EQ(shortenCard("0000"), "0");
  EXPECT_EQ(shortenCard(" 0098765432109876543210 "), "98765432109876543210");
  EXPECT_EQ(shortenCard("12a"), "");
}

}  // namespace
