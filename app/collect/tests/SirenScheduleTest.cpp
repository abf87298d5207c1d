// The siren schedule's rules: the day tables by model, the rows of the entries read, the data
// text of an add or a delete, and the checks of the edit fields.
#include "collect/SirenSchedule.h"

#include "testsupport/AppTestSupport.h"
#include "testsupport/RecordingReporter.h"

#include <gtest/gtest.h>

namespace {

class SirenScheduleTest : public ::testing::Test {
 protected:
  SirenScheduleTest() { apptest::objects().createSettings(); }
  apptest::TempDataFolder folder;
};

TEST_F(SirenScheduleTest, DayTables) {
  for (int16_t model : {0, 1}) {
    const auto days = collect::SirenSchedule::days(model);
    ASSERT_EQ(days.size(), 8u);
    EXPECT_EQ(days[7].text, "Todos");
    EXPECT_EQ(days[7].code, 8);
  }
  const auto days = collect::SirenSchedule::days(3);
  ASSERT_EQ(days.size(), 9u);
  EXPECT_EQ(days[0].code, 0);
  EXPECT_EQ(days[6].text, "Sab ");
  EXPECT_EQ(days[7].text, "D Habiles");
  EXPECT_EQ(days[7].code, 7);
  EXPECT_EQ(days[8].code, 8);
}

TEST_F(SirenScheduleTest, DataText) {
  EXPECT_EQ(collect::SirenSchedule::dataText(1, 1, "7", "5", "5"), "11070505");
  EXPECT_EQ(collect::SirenSchedule::dataText(1, 5, "07", "05", "5"), "15070505");
  EXPECT_EQ(collect::SirenSchedule::dataText(8, 4, "23", "59", "45"), "84235945");
}

// The duration first (214), then the hour (327): one box for the first fault only.
TEST_F(SirenScheduleTest, FieldChecks) {
  struct Case {
    const char *duration, *hour;
    int box;  // 0: the fields may be sent
  };
  for (const Case& c :
       {Case{"0", "7", 214}, Case{"46", "7", 214}, Case{"", "7", 214}, Case{"0", "24", 214},
        Case{"45", "7", 0}, Case{"1", "23", 0}, Case{"5", "24", 327}}) {
    SCOPED_TRACE(testing::Message() << c.duration << " " << c.hour);
    apptest::RecordingReporter reporter;
    EXPECT_EQ(collect::SirenSchedule::vTodo(reporter, c.duration, c.hour, "05"), c.box == 0);
    EXPECT_EQ(reporter.numbers(), c.box ? std::vector<int>{c.box} : std::vector<int>{});
  }
  EXPECT_EQ(collect::SirenSchedule::newSirenError(0), 0);
  EXPECT_EQ(collect::SirenSchedule::newSirenError(32), 0);
  EXPECT_EQ(collect::SirenSchedule::newSirenError(33), 354);
}

TEST_F(SirenScheduleTest, RowsSkipEmptyAndWrongDays) {
  const auto days = collect::SirenSchedule::days(3);
  int bad = 0;
  const auto rows = collect::SirenSchedule::rows({"\x02"
                                                  "11070505\x03",
                                                  "\x02"
                                                  "00000000\x03",
                                                  "\x02"
                                                  "92080010\x03",
                                                  "\x02"
                                                  "H3123030\x03",
                                                  ""},
                                                 days, bad);
  EXPECT_EQ(bad, 1);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].number, 1);
  EXPECT_EQ(rows[0].dayPos, 1);
  EXPECT_EQ(rows[0].time, "07:05");
  EXPECT_EQ(rows[0].duration, 5);
  EXPECT_EQ(rows[1].number, 2);
  EXPECT_EQ(rows[1].dayPos, 7);
  EXPECT_EQ(rows[1].siren, 3);
}

}  // namespace
