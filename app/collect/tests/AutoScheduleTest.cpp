// The automatic run's schedule: countdown, fixed time with its repeats, on-line period, and
// the waiting line the window shows.
#include "collect/AutoSchedule.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "testsupport/AppTestSupport.h"

#include <gtest/gtest.h>

using collect::AutoSchedule;
using collect::ScheduleNow;
using collect::ScheduleSettings;
using std::chrono::seconds;

namespace {

basic::DateTime at(int day, int h, int m, int s = 0) { return {2024, 1, day, h, m, s}; }

ScheduleNow now(const basic::DateTime& t, int monoSeconds) {
  return {t, std::chrono::steady_clock::time_point(seconds(monoSeconds))};
}

class AutoScheduleTest : public ::testing::Test {
 protected:
  void SetUp() override { apptest::objects().createSettings(); }
  apptest::TempDataFolder folder;
};

ScheduleSettings fixedAt(int h, int m, int every) {
  ScheduleSettings s;
  s.porPrograma = 1;
  s.hora = static_cast<int16_t>(h);
  s.minutos = static_cast<int16_t>(m);
  s.frecAuto = every;
  return s;
}

}  // namespace

TEST_F(AutoScheduleTest, CountdownPassesThirtySecondsAfterLoadEvenAcrossMidnight) {
  for (const auto& start : {at(5, 10, 0, 0), at(5, 23, 59, 45)}) {
    AutoSchedule s;
    s.load({}, now(start, 1000));
    const auto waiting = s.tick(now(start, 1001));
    EXPECT_FALSE(waiting.due);
    EXPECT_EQ(waiting.line, "> Inicio de Proceso Automático: 29 Segs.");
    EXPECT_EQ(waiting.minimizedCaption, "29 Segs.");
    // The wall clock has passed midnight by then; the monotonic instant decides.
    EXPECT_FALSE(s.tick(now(at(6, 0, 0, 14), 1029)).due);
    EXPECT_TRUE(s.tick(now(at(6, 0, 0, 15), 1030)).due);
    EXPECT_FALSE(s.passDone(now(at(6, 0, 1), 1090))) << "one pass only";
    EXPECT_FALSE(s.tick(now(at(6, 0, 2), 1200)).due);
  }
}

TEST_F(AutoScheduleTest, FixedTimeDueDatesAndRepeats) {
  struct Case {
    const char* what;
    ScheduleSettings settings;
    basic::DateTime load;
    basic::DateTime firstDue;
    basic::DateTime passEnds;  // when the first pass returns
    bool again;
    basic::DateTime nextDue;
  };
  const Case cases[] = {
      {"23:30 + 60 gives 00:30", fixedAt(23, 30, 60), at(5, 22, 0), at(5, 23, 30), at(5, 23, 31),
       true, at(6, 0, 30)},
      {"08:00 loaded at 10:00 is tomorrow",
       fixedAt(8, 0, 0),
       at(5, 10, 0),
       at(6, 8, 0),
       at(6, 8, 1),
       false,
       {}},
      {"the load minute itself counts",
       fixedAt(10, 0, 0),
       at(5, 10, 0, 40),
       at(5, 10, 0),
       at(5, 10, 1),
       false,
       {}},
      {"a pass longer than its interval collapses the repeats, phase kept", fixedAt(9, 0, 15),
       at(5, 8, 0), at(5, 9, 0), at(5, 9, 47), true, at(5, 10, 0)},
      {"1440 repeats daily", fixedAt(7, 0, 1440), at(5, 6, 0), at(5, 7, 0), at(5, 7, 2), true,
       at(6, 7, 0)},
      {"2880 repeats every other day", fixedAt(7, 0, 2880), at(5, 6, 0), at(5, 7, 0), at(5, 7, 2),
       true, at(7, 7, 0)},
      {"a negative count is one pass",
       fixedAt(7, 0, -5),
       at(5, 6, 0),
       at(5, 7, 0),
       at(5, 7, 2),
       false,
       {}},
      {"month end",
       fixedAt(23, 50, 20),
       at(31, 23, 0),
       at(31, 23, 50),
       at(31, 23, 51),
       true,
       {2024, 2, 1, 0, 10, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AutoSchedule s;
    s.load(c.settings, now(c.load, 0));
    EXPECT_EQ(collect::compareDateTime(s.fixedDue(), c.firstDue), 0);
    EXPECT_FALSE(s.tick(now(collect::addMinutes(c.firstDue, -1), 1)).due);
    EXPECT_TRUE(s.tick(now(c.firstDue, 2)).due);
    EXPECT_EQ(s.passDone(now(c.passEnds, 3)), c.again);
    if (c.again) {
      EXPECT_EQ(collect::compareDateTime(s.fixedDue(), c.nextDue), 0);
      EXPECT_FALSE(s.tick(now(c.passEnds, 4)).due);
      EXPECT_TRUE(s.tick(now(c.nextDue, 5)).due);
    } else {
      EXPECT_FALSE(s.tick(now(collect::addMinutes(c.passEnds, 3000), 5)).due);
    }
  }
}

TEST_F(AutoScheduleTest, AStalledTickOverTheMinuteStillFiresOnce) {
  AutoSchedule s;
  s.load(fixedAt(12, 0, 0), now(at(5, 11, 0), 0));
  EXPECT_FALSE(s.tick(now(at(5, 11, 59, 59), 1)).due);
  const auto late = now(at(5, 12, 1, 30), 2);  // the machine was busy through 12:00
  EXPECT_TRUE(s.tick(late).due);
  EXPECT_FALSE(s.passDone(late));
  EXPECT_FALSE(s.tick(now(at(5, 12, 2), 3)).due);
}

// `t` moved by `delta` seconds on the calendar.
basic::DateTime plusSeconds(const basic::DateTime& t, int64_t delta) {
  const int64_t total =
      (basic::DaysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute) * 60 +
      t.second + delta;
  const int64_t days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
  const int64_t rest = total - days * 86400;
  basic::DateTime r = basic::CivilFromDays(days);
  r.hour = static_cast<int>(rest / 3600);
  r.minute = static_cast<int>(rest / 60 % 60);
  r.second = static_cast<int>(rest % 60);
  return r;
}

// The wall clock set back (NTP, an administrator) after a pass: the next pass comes when the
// clock now shows the due minute of the day, on the day it now shows; a step under a day lets
// the same minute come round again with no pass in between.
TEST_F(AutoScheduleTest, AWallClockSetBackFindsTheDueMinuteOnTheDayItNowShows) {
  constexpr int64_t kHour = 3600;
  constexpr int64_t kDay = 24 * kHour;
  struct Case {
    const char* what;
    ScheduleSettings settings;
    basic::DateTime pass;     // the pass before the step, due at this minute
    basic::DateTime stepAt;   // the old clock's reading when it is set back
    int64_t back;             // seconds
    basic::DateTime nextDue;  // on the clock as it now reads
  };
  const Case cases[] = {
      {"every 2 min, 24 h back", fixedAt(10, 3, 2), at(10, 10, 3), at(10, 10, 3, 30), kDay,
       at(9, 10, 5)},
      {"every 2 min, 1 h back", fixedAt(10, 3, 2), at(10, 10, 3), at(10, 10, 3, 30), kHour,
       at(10, 10, 5)},
      {"every 2 min, 25 h back", fixedAt(10, 3, 2), at(10, 10, 3), at(10, 10, 3, 30), kDay + kHour,
       at(9, 10, 5)},
      {"every 2 min, a week back", fixedAt(10, 3, 2), at(10, 10, 3), at(10, 10, 3, 30), 7 * kDay,
       at(3, 10, 5)},
      {"every 2 min, 24 h back over midnight", fixedAt(23, 58, 2), at(10, 23, 58),
       at(10, 23, 59, 30), kDay, at(10, 0, 0)},
      {"daily, 24 h back just after the pass", fixedAt(7, 0, 1440), at(10, 7, 0), at(10, 7, 0, 30),
       kDay, at(10, 7, 0)},
      {"daily, 1 h back: 07:00 comes again on the day the clock shows", fixedAt(7, 0, 1440),
       at(10, 7, 0), at(10, 7, 30), kHour, at(10, 7, 0)},
      {"daily, 1 h back before the pass", fixedAt(7, 0, 1440), at(10, 7, 0), at(11, 6, 30), kHour,
       at(11, 7, 0)},
      {"every other day, a day back", fixedAt(7, 0, 2880), at(10, 7, 0), at(10, 8, 0), kDay,
       at(11, 7, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AutoSchedule s;
    int mono = 0;
    s.load(c.settings, now(collect::addMinutes(c.pass, -30), mono++));
    ASSERT_TRUE(s.tick(now(c.pass, mono++)).due);
    ASSERT_TRUE(s.passDone(now(plusSeconds(c.pass, 10), mono++)));
    const basic::DateTime stepped = plusSeconds(c.stepAt, -c.back);
    // Every tick until the due minute finds nothing due, however the clock reads meanwhile.
    const int64_t wait = (basic::DaysFromCivil(c.nextDue.year, c.nextDue.month, c.nextDue.day) -
                          basic::DaysFromCivil(stepped.year, stepped.month, stepped.day)) *
                             kDay +
                         (c.nextDue.hour - stepped.hour) * 3600 +
                         (c.nextDue.minute - stepped.minute) * 60 - stepped.second;
    ASSERT_GT(wait, 0);
    for (int64_t t = 0; t < wait; t += 20)
      ASSERT_FALSE(s.tick(now(plusSeconds(stepped, t), mono++)).due) << t << " s after the step";
    ASSERT_FALSE(s.tick(now(plusSeconds(stepped, wait - 1), mono++)).due);
    EXPECT_TRUE(s.tick(now(c.nextDue, mono++)).due);
    EXPECT_EQ(collect::compareDateTime(s.fixedDue(), c.nextDue), 0);
  }
}

TEST_F(AutoScheduleTest, FixedWaitingLineShowsTheDueTimeAndCaptionTheSetting) {
  AutoSchedule s;
  s.load(fixedAt(23, 30, 60), now(at(5, 22, 0), 0));
  ASSERT_TRUE(s.tick(now(at(5, 23, 30), 1)).due);
  s.passDone(now(at(5, 23, 31), 2));
  const auto t = s.tick(now(at(5, 23, 40), 3));
  EXPECT_EQ(t.line, "> Inicio de Proceso Automático: 00:30");
  EXPECT_EQ(t.minimizedCaption, "23:30");
}

TEST_F(AutoScheduleTest, OnlinePeriod) {
  for (int every : {0, 5, -3}) {
    ScheduleSettings set;
    set.runMode = 1;
    set.frecOnline = every;
    AutoSchedule s;
    s.load(set, now(at(5, 10, 0), 0));
    EXPECT_EQ(s.kind(), AutoSchedule::Kind::Online);
    EXPECT_EQ(s.timerIntervalMs(), every > 0 ? every * 1000 : 0) << "0 or less: no timer";
    EXPECT_TRUE(s.tick(now(at(5, 10, 0), 1)).due);
    EXPECT_EQ(s.passDone(now(at(5, 10, 1), 2)), every > 0);
  }
}
