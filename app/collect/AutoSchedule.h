// When the automatic and on-line run passes: the countdown kind (one pass 30 s after the
// window opens, on the monotonic clock so midnight cannot stall it), the fixed kind (at
// HORA:MINUTOS, then every FRECAUTO minutes on the calendar line) and the on-line period. The
// window's timer asks tick() once a second; the pass reports back with passDone().
#pragma once

#include "core/Basic.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace collect {

// "Now" as the schedule sees it: the local date and time and a monotonic instant.
struct ScheduleNow {
  basic::DateTime local;
  std::chrono::steady_clock::time_point mono;
  static ScheduleNow current();
};

struct ScheduleSettings {
  int16_t runMode = 2;      // 2 automatic, anything else on-line
  int16_t porPrograma = 0;  // 1 fixed time of day, else countdown
  int16_t hora = 0;
  int16_t minutos = 0;
  int32_t frecAuto = 0;    // minutes between fixed passes; 0 (or less) one pass
  int32_t frecOnline = 1;  // seconds between on-line passes; 0 (or less) none
};

class AutoSchedule {
 public:
  enum class Kind { Countdown, Fixed, Online };

  // What a tick found: a pass is due, or the waiting line and the minimized caption.
  struct Tick {
    bool due = false;
    std::string line;              // the bold red waiting line (automatic kinds)
    std::string minimizedCaption;  // the caption while the window is minimized
  };

  void load(const ScheduleSettings& settings, const ScheduleNow& now);
  // Not const: a wall clock set back by a day or more brings the fixed kind's next pass back
  // to its minute of the day on the day the clock now shows.
  Tick tick(const ScheduleNow& now);
  // After a pass: true when another pass follows (the timer goes on again).
  bool passDone(const ScheduleNow& now);

  Kind kind() const { return m_kind; }
  // The timer period the window uses; 0 means no timer at all.
  int timerIntervalMs() const;
  // Fixed kind: the next pass as a date and time.
  const basic::DateTime& fixedDue() const { return m_fixedDue; }

 private:
  void followWallClock(const basic::DateTime& now);

  ScheduleSettings m_settings;
  Kind m_kind = Kind::Countdown;
  std::chrono::steady_clock::time_point m_countdownDue{};
  basic::DateTime m_fixedDue;
  bool m_finished = false;
};

// Calendar arithmetic on local date-times (no time-zone shifts: the run follows the wall
// clock's reading).
basic::DateTime addMinutes(const basic::DateTime& t, int64_t minutes);
// -1, 0 or 1 as a is before, equal to or after b.
int compareDateTime(const basic::DateTime& a, const basic::DateTime& b);

}  // namespace collect
