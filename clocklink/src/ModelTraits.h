// What sets the clock models apart, in one table: framing, whether frames are acknowledged,
// the commands that differ, and how a few replies and commands are laid out. The protocol
// object reads the row of its model instead of testing model numbers where it works.
#pragma once
#include <string_view>

namespace clocklink {

enum class Framing {
  Addressed,  // STX "R" clock id, command, ETX
  Pexel,      // STX "E1" command, ETX (no clock id)
  Qlm,        // STX LEN ADDR command ETX; replies end by their length, a NAK ends a wait
};

enum class DateLayout {
  WeekdayFromZero,  // "1" yymmdd, weekday with Sunday = 0, hhmm
  WeekdayFromOne,   // "1" yymmdd, weekday with Sunday = 1, hhmm
  Qlm,              // 0x05, weekday (Sunday = 1), yyyymmdd, hhmm, "00"; answered by a frame
};

enum class CardEnabling {
  Single,      // "5" card
  TimedFF,     // "P02", "A"/"B" 0xFF "00002359", "5" card "AB"
  TimedPlain,  // the same without the 0xFF
};

struct ModelTraits {
  std::string_view name;
  Framing framing;
  bool acknowledges;              // the clock answers every frame with ACK
  bool statusBySingleByte;        // status from commands 0x04 and 0x03 instead of "A" and "B"
  bool idFromStatus;              // the clock id is status character 16 (read at download start)
  std::string_view startCommand;  // opens the download
  std::string_view clearCommand;  // clears the stored punches
  bool clearAnswered;             // the clear is answered by a frame
  DateLayout date;
  std::string_view unlockCommand;  // SetLocked(0)
  CardEnabling cardEnabling;
};

// Row of a model number; numbers outside 0-6 take model 0's ways.
const ModelTraits& modelTraits(int model);

}  // namespace clocklink
