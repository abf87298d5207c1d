#include "collect/AutoSchedule.h"

#include "core/Messages.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace collect {

namespace {

int64_t minuteNumber(const basic::DateTime& t) {
  return basic::DaysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute;
}

std::string twoDigits(int64_t v) { return basic::Format(v, "00"); }

}  // namespace

ScheduleNow ScheduleNow::current() { return {basic::Now(), std::chrono::steady_clock::now()}; }

basic::DateTime addMinutes(const basic::DateTime& t, int64_t minutes) {
  const int64_t total = minuteNumber(t) + minutes;
  int64_t days = total / 1440;
  int64_t rest = total % 1440;
  if (rest < 0) {
    rest += 1440;
    --days;
  }
  basic::DateTime r = basic::CivilFromDays(days);
  r.second = t.second;
  r.hour = static_cast<int>(rest / 60);
  r.minute = static_cast<int>(rest % 60);
  return r;
}

int compareDateTime(const basic::DateTime& a, const basic::DateTime& b) {
  const auto ka = std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second);
  const auto kb = std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
  return ka < kb ? -1 : kb < ka ? 1 : 0;
}

void AutoSchedule::load(const ScheduleSettings& settings, const ScheduleNow& now) {
  m_settings = settings;
  m_finished = false;
  if (settings.runMode != 2) {
    m_kind = Kind::Online;
    return;
  }
  if (settings.porPrograma != 1) {
    m_kind = Kind::Countdown;
    m_countdownDue = now.mono + std::chrono::seconds(30);
    return;
  }
  m_kind = Kind::Fixed;
  // The next HORA:MINUTOS at or after the minute the window opened.
  basic::DateTime due = now.local;
  due.hour = 0;
  due.minute = 0;
  due.second = 0;
  due = addMinutes(due, int64_t{settings.hora} * 60 + settings.minutos);
  basic::DateTime loadMinute = now.local;
  loadMinute.second = 0;
  if (compareDateTime(due, loadMinute) < 0) due = addMinutes(due, 1440);
  m_fixedDue = due;
}

// The next fixed pass is never further ahead than one repeat (a day for the one-pass and the
// shorter repeats) unless the wall clock was set back (NTP, an administrator correcting a
// clock that ran ahead). Then the due time keeps its minute of the day and moves back by whole
// days, so the pass comes when the clock now shows that minute, not days later; a step back of
// less than a day leaves it where it was (the same minute comes round again, with no pass in
// between).
void AutoSchedule::followWallClock(const basic::DateTime& now) {
  if (m_kind != Kind::Fixed || m_finished) return;
  const int64_t horizon = std::max<int64_t>(1440, m_settings.frecAuto) * 60;
  const auto secondsOf = [](const basic::DateTime& t) { return minuteNumber(t) * 60 + t.second; };
  const int64_t ahead = secondsOf(m_fixedDue) - secondsOf(now);
  if (ahead <= horizon) return;
  const int64_t days = (ahead - horizon + 86399) / 86400;
  m_fixedDue = addMinutes(m_fixedDue, -days * 1440);
}

AutoSchedule::Tick AutoSchedule::tick(const ScheduleNow& now) {
  Tick t;
  if (m_finished) return t;
  followWallClock(now.local);
  switch (m_kind) {
    case Kind::Online:
      t.due = true;
      return t;
    case Kind::Countdown: {
      if (now.mono >= m_countdownDue) {
        t.due = true;
        return t;
      }
      const double left = std::chrono::duration<double>(m_countdownDue - now.mono).count();
      const std::string secs = twoDigits(static_cast<int64_t>(std::lround(left)));
      t.line = GetMsg(270) + " " + GetMsg(182) + ": " + secs + " " + GetMsg(283);
      t.minimizedCaption = secs + " " + GetMsg(283);
      return t;
    }
    case Kind::Fixed: {
      if (compareDateTime(now.local, m_fixedDue) >= 0) {
        t.due = true;
        return t;
      }
      t.line = GetMsg(270) + " " + GetMsg(182) + ": " + twoDigits(m_fixedDue.hour) + ":" +
               twoDigits(m_fixedDue.minute);
      t.minimizedCaption = twoDigits(m_settings.hora) + ":" + twoDigits(m_settings.minutos);
      return t;
    }
  }
  return t;
}

bool AutoSchedule::passDone(const ScheduleNow& now) {
  switch (m_kind) {
    case Kind::Online:
      return m_settings.frecOnline > 0;
    case Kind::Countdown:
      m_finished = true;
      return false;
    case Kind::Fixed: {
      followWallClock(now.local);
      const int64_t every = m_settings.frecAuto;
      if (every <= 0) {
        m_finished = true;
        return false;
      }
      // Repeats missed while the pass ran collapse into one; the phase stays on the line
      // HORA:MINUTOS + k * FRECAUTO.
      const int64_t behind = minuteNumber(now.local) - minuteNumber(m_fixedDue);
      const int64_t steps = behind < 0 ? 1 : behind / every + 1;
      m_fixedDue = addMinutes(m_fixedDue, steps * every);
      return true;
    }
  }
  return false;
}

int AutoSchedule::timerIntervalMs() const {
  if (m_kind != Kind::Online) return 1000;
  if (m_settings.frecOnline <= 0) return 0;
  const int64_t ms = int64_t{m_settings.frecOnline} * 1000;
  return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

}  // namespace collect
