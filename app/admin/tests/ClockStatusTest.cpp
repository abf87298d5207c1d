// The clock panel's reading of a status text.
#include "admin/ClockStatus.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "testsupport/AppTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A 36-character status: clock month, day, hour, minute; the five model-2 characters; the
// clearing's cause, month, day, hour, minute; the pending count.
std::string status(const std::string& mmdd, const std::string& hhnn, const std::string& five,
                   char cause, const std::string& clearMmdd, const std::string& clearHhnn,
                   const std::string& count) {
  std::string s =
      "A00" + mmdd + hhnn + five + "0000" + cause + clearMmdd + clearHhnn + count + "00";
  return s;
}

basic::DateTime today() {
  basic::DateTime t;
  t.year = 2026;
  t.month = 1;
  t.day = 15;
  return t;
}

class ClockStatusTest : public ::testing::Test {
 protected:
  void SetUp() override { apptest::objects().createSettings(); }
  apptest::TempDataFolder data;
};

TEST_F(ClockStatusTest, WrongLengthIsNoReading) {
  const std::string good = status("0114", "0830", "ABCDE", '0', "0110", "0700", "00042");
  ASSERT_EQ(good.size(), 36u);
  EXPECT_TRUE(decodeClockStatus(good, 0, today()).has_value());
  for (const std::string& bad : {std::string(), good.substr(0, 35), good + "0"})
    EXPECT_FALSE(decodeClockStatus(bad, 0, today()).has_value()) << bad.size();
}

TEST_F(ClockStatusTest, PanelTextsByModelCauseAndDates) {
  const std::string byOperator = GetMsg(300);
  const std::string byMemory = GetMsg(299);
  struct Case {
    std::string text;
    int16_t model;
    std::string fecActual, cantRegis, statusBar;
  };
  const Case cases[] = {
      {status("0114", "0830", "ABCDE", '0', "0110", "0700", "00042"), 0, "14/01/2026 08:30",
       "00042", byOperator + " 10/01/2026 07:00"},
      {status("0114", "0830", "ABCDE", '3', "0110", "0700", "00042"), 0, "14/01/2026 08:30",
       "00042", byMemory + " 10/01/2026 07:00"},
      // a month that is no month: "ERROR" and the time all the same
      {status("1314", "0830", "ABCDE", '0', "1310", "0700", "00001"), 0, "ERROR 08:30", "00001",
       byOperator + "ERROR 07:00"},
      // read on 15 January: December's dates are last year's, on the panel and the bar
      {status("1231", "2359", "ABCDE", '0', "1224", "1800", "00007"), 0, "31/12/2025 23:59",
       "00007", byOperator + " 24/12/2025 18:00"},
      {status("0114", "0830", "ABCDE", '0', "0110", "0700", "00042"), 2, "14/01/2026 08:30",
       "00042", GetMsg(274) + ": ABCDE " + byOperator + " 10/01/2026 07:00"},
      {status("0114", "0830", "ABCDE", '0', "0110", "0700", "00042"), 6, "14/01/2026 08:30",
       "00042", ""},
  };
  for (const Case& c : cases) {
    const auto v = decodeClockStatus(c.text, c.model, today());
    ASSERT_TRUE(v.has_value()) << c.text;
    EXPECT_EQ(v->fecActual, c.fecActual) << c.text;
    EXPECT_EQ(v->cantRegis, c.cantRegis);
    EXPECT_EQ(v->statusBar, c.statusBar) << c.text << " model " << c.model;
  }
}

}  // namespace
