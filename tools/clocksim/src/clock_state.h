// What the simulated clock keeps: its running date and time, the stored punches, the last
// clearing, the frames it accepted and the settings the programming commands change
// (number, search percentage, locking, card lists, siren slots). Shared by every link a
// simulator serves; locked.
#pragma once

#include <clocksim/simulator.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace clocksim {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int weekday = 0;  // 0 = Sunday
};
LocalTime toLocal(std::chrono::system_clock::time_point t);
// The local date and time given, as a time point; nullopt when a field is out of range.
std::optional<std::chrono::system_clock::time_point> fromLocal(int year, int month, int day,
                                                               int hour, int minute);

class ClockState {
 public:
  using TimePoint = std::chrono::system_clock::time_point;
  explicit ClockState(const Options& options);

  void setPunches(std::vector<Punch> punches);
  void generatePunches(size_t count, uint32_t seed);
  void addPunch(Punch punch);
  std::vector<Punch> punches() const;
  size_t punchCount() const;
  std::optional<Punch> punchAt(size_t index) const;

  void clear();  // a clearing ordered by the host
  size_t clearCount() const;
  struct Clearing {
    TimePoint when;
    char cause;  // '0' by the operator (the host's command), anything else a memory error
  };
  Clearing lastClearing() const;

  void recordFrame(std::string frame);
  std::vector<std::string> frames() const;

  void setClockTime(TimePoint t);
  TimePoint clockNow() const;

  int clockNumber() const;
  void setClockNumber(int n);
  int cachePercent() const;
  void setCachePercent(int p);
  bool locked() const;
  void setLocked(bool on);
  void enableCard(const std::string& card);
  void suspendCard(const std::string& card);
  std::vector<std::string> enabledCards() const;
  std::vector<std::string> disabledCards() const;

  std::vector<Siren> sirens() const;
  void setSirens(std::vector<Siren> sirens);
  bool addSiren(const Siren& s);     // into the first empty slot; false when full
  bool deleteSiren(const Siren& s);  // the slot with that day, number and time; false when none
  void deleteAllSirens();

 private:
  int m_model;
  int m_clockNumber;
  int m_cachePercent = 0;
  bool m_locked = false;
  std::vector<std::string> m_enabled, m_disabled;
  std::vector<Siren> m_sirens;
  mutable std::mutex m_mutex;
  std::vector<Punch> m_punches;
  size_t m_clearCount = 0;
  Clearing m_lastClearing;
  std::vector<std::string> m_frames;
  std::chrono::system_clock::duration m_offset{0};
};

}  // namespace clocksim
