// SirenSchedule: the rules of the siren schedule window kept apart from it: the day table,
// turning the clock's entries into list rows, the siren data text the add and delete commands
// send, the checks of the edit fields, and the reading of the schedule from the clock.
#pragma once

#include <clocklink/CollectionStatus.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace clocklink {
class ClsMirsol;
}
class Reporter;

namespace collect {

struct SirenDay {
  std::string text;  // as the day list shows it
  int16_t code;      // 0-6 Sunday first, 7 working days, 8 every day
};

struct SirenRow {
  int16_t number;    // the row's position, from 1
  int16_t dayPos;    // position in the day table
  std::string time;  // "HH:MM"
  int16_t duration;  // seconds
  int16_t siren;     // the siren number of the entry (1-4)
};

inline constexpr int kMaxSirenRows = 33;
inline constexpr int kSirenEntries = 32;

class SirenSchedule {
 public:
  // The day list of a clock model: seven days, then "Todos" on models 0 and 1, or
  // "D Habiles" and "Todos" on the others.
  static std::vector<SirenDay> days(int16_t modelo);

  // Rows from the entries read (STX first: character 2 the day, 3 the siren number, 4-5 the
  // hour, 6-7 the minute, 8-9 the duration). Empty slots are skipped; an entry whose day the
  // table does not hold counts in `badEntries` and is skipped too.
  static std::vector<SirenRow> rows(const std::vector<std::string>& entries,
                                    const std::vector<SirenDay>& days, int& badEntries);

  // The eight-character text of an add (siren 1-4) or a delete (the siren number + 4).
  static std::string dataText(int16_t dayCode, int sirenNumber, const std::string& hour,
                              const std::string& minute, const std::string& duration);

  // The checks of the edit fields: 214 for a duration outside 1-45, then the hour check
  // (327), each to `reporter`. True when the fields may be sent.
  static bool vTodo(Reporter& reporter, const std::string& duration, const std::string& hour,
                    const std::string& minute);

  // 354 when the list is full, else 0.
  static int newSirenError(int rowsShown) { return rowsShown >= kMaxSirenRows ? 354 : 0; }

  // Reads the 32 entries from the clock; kSuccess with the entries, or the failing result (the
  // link is closed either way). `progress` (when set) hears each entry read: done of total.
  static clocklink::CollectionStatus read(
      clocklink::ClsMirsol& mirsol, std::vector<std::string>& entries,
      const std::function<void(int done, int total)>& progress = {});
};

}  // namespace collect
