#include "clock_state.h"

#include <algorithm>
#include <ctime>
#include <random>
#include <set>
#include <tuple>

namespace clocksim {

LocalTime toLocal(std::chrono::system_clock::time_point t) {
  const std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
          tm.tm_min,         tm.tm_sec,     tm.tm_wday};
}

std::optional<std::chrono::system_clock::time_point> fromLocal(int year, int month, int day,
                                                               int hour, int minute) {
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day, tm.tm_hour = hour,
  tm.tm_min = minute;
  tm.tm_isdst = -1;
  const std::time_t tt = std::mktime(&tm);
  if (tt == static_cast<std::time_t>(-1) || tm.tm_mday != day)
    return std::nullopt;  // 31 April and the like
  return std::chrono::system_clock::from_time_t(tt);
}

ClockState::ClockState(const Options& options)
    : m_model(options.model),
      m_clockNumber(options.clockNumber),
      m_sirens(kSirenSlots),
      m_lastClearing{std::chrono::system_clock::now(), '0'} {}

void ClockState::setPunches(std::vector<Punch> punches) {
  std::lock_guard lock(m_mutex);
  m_punches = std::move(punches);
}

// Punches lie in the ten months before the clock's time, one minute or more apart, so the
// host's year rule (month not later than now = this year) places every one correctly.
void ClockState::generatePunches(size_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  const TimePoint now = clockNow();
  const int number = clockNumber();
  const long spanMinutes = 300L * 24 * 60;
  const long maxStep =
      count == 0 ? 1 : std::max(1L, std::min(30L, spanMinutes / static_cast<long>(count)));
  std::vector<Punch> out;
  out.reserve(count);
  std::set<std::tuple<int, int, int, int, int, std::string>> seen;
  TimePoint t = now - std::chrono::minutes(1);
  while (out.size() < count) {
    t -= std::chrono::minutes(1 + static_cast<long>(rng() % static_cast<uint32_t>(maxStep)));
    const LocalTime lt = toLocal(t);
    Punch p;
    p.year = lt.year, p.month = lt.month, p.day = lt.day, p.hour = lt.hour, p.minute = lt.minute;
    p.clock = number;
    if (m_model == 6) {
      p.reader = 21 + static_cast<int>(rng() % 4);     // the four record types it reports
      p.card = std::to_string(10000 + rng() % 90000);  // it carries five card digits
    } else {
      p.reader = 1 + static_cast<int>(rng() % 4);
      p.card = std::to_string(1000 + rng() % 9999000);  // 4 to 7 digits, no leading zero
    }
    if (seen.emplace(p.month, p.day, p.hour, p.minute, p.reader, p.card).second)
      out.push_back(std::move(p));
  }
  std::vector<Punch> ordered(out.rbegin(), out.rend());  // oldest first, as a clock stores them
  setPunches(std::move(ordered));
}

std::vector<Punch> ClockState::punches() const {
  std::lock_guard lock(m_mutex);
  return m_punches;
}

void ClockState::addPunch(Punch punch) {
  std::lock_guard lock(m_mutex);
  m_punches.push_back(std::move(punch));
}

size_t ClockState::punchCount() const {
  std::lock_guard lock(m_mutex);
  return m_punches.size();
}

std::optional<Punch> ClockState::punchAt(size_t index) const {
  std::lock_guard lock(m_mutex);
  if (index >= m_punches.size()) return std::nullopt;
  return m_punches[index];
}

void ClockState::clear() {
  const TimePoint now = clockNow();
  std::lock_guard lock(m_mutex);
  m_punches.clear();
  ++m_clearCount;
  m_lastClearing = {now, '0'};  // ordered by the host's command: the operator's clearing
}

size_t ClockState::clearCount() const {
  std::lock_guard lock(m_mutex);
  return m_clearCount;
}

ClockState::Clearing ClockState::lastClearing() const {
  std::lock_guard lock(m_mutex);
  return m_lastClearing;
}

void ClockState::recordFrame(std::string frame) {
  std::lock_guard lock(m_mutex);
  m_frames.push_back(std::move(frame));
}

std::vector<std::string> ClockState::frames() const {
  std::lock_guard lock(m_mutex);
  return m_frames;
}

void ClockState::setClockTime(TimePoint t) {
  std::lock_guard lock(m_mutex);
  m_offset = t - std::chrono::system_clock::now();
}

ClockState::TimePoint ClockState::clockNow() const {
  std::lock_guard lock(m_mutex);
  return std::chrono::system_clock::now() + m_offset;
}

int ClockState::clockNumber() const {
  std::lock_guard lock(m_mutex);
  return m_clockNumber;
}

void ClockState::setClockNumber(int n) {
  std::lock_guard lock(m_mutex);
  m_clockNumber = n;
}

int ClockState::cachePercent() const {
  std::lock_guard lock(m_mutex);
  return m_cachePercent;
}

void ClockState::setCachePercent(int p) {
  std::lock_guard lock(m_mutex);
  m_cachePercent = p;
}

bool ClockState::locked() const {
  std::lock_guard lock(m_mutex);
  return m_locked;
}

void ClockState::setLocked(bool on) {
  std::lock_guard lock(m_mutex);
  m_locked = on;
}

namespace {
void moveCard(const std::string& card, std::vector<std::string>& to,
              std::vector<std::string>& from) {
  from.erase(std::remove(from.begin(), from.end(), card), from.end());
  to.erase(std::remove(to.begin(), to.end(), card), to.end());
  to.push_back(card);
}
}  // namespace

void ClockState::enableCard(const std::string& card) {
  std::lock_guard lock(m_mutex);
  moveCard(card, m_enabled, m_disabled);
}

void ClockState::suspendCard(const std::string& card) {
  std::lock_guard lock(m_mutex);
  moveCard(card, m_disabled, m_enabled);
}

std::vector<std::string> ClockState::enabledCards() const {
  std::lock_guard lock(m_mutex);
  return m_enabled;
}

std::vector<std::string> ClockState::disabledCards() const {
  std::lock_guard lock(m_mutex);
  return m_disabled;
}

std::vector<Siren> ClockState::sirens() const {
  std::lock_guard lock(m_mutex);
  return m_sirens;
}

void ClockState::setSirens(std::vector<Siren> sirens) {
  sirens.resize(kSirenSlots);
  std::lock_guard lock(m_mutex);
  m_sirens = std::move(sirens);
}

bool ClockState::addSiren(const Siren& s) {
  std::lock_guard lock(m_mutex);
  for (auto& slot : m_sirens)
    if (slot.number == 0) {
      slot = s;
      return true;
    }
  return false;
}

bool ClockState::deleteSiren(const Siren& s) {
  std::lock_guard lock(m_mutex);
  for (auto& slot : m_sirens)
    if (slot.number != 0 && slot.day == s.day && slot.number == s.number && slot.hour == s.hour &&
        slot.minute == s.minute) {
      slot = Siren{};
      return true;
    }
  return false;
}

void ClockState::deleteAllSirens() {
  std::lock_guard lock(m_mutex);
  m_sirens.assign(kSirenSlots, Siren{});
}

}  // namespace clocksim
