// The checks and texts of the three clock setting dialogs (search percentage, clock number,
// date and time), kept apart from the windows so they run without a display.
#pragma once

#include "core/Basic.h"

#include <cstdint>
#include <string>

namespace collect {

// The percentage the slider's value sends: the clock takes at most 99.
int16_t cacheValue(int slider);

// 0 when `text` (blanks around it dropped) is one clock-number character 0-9, A-Z or a-z, with
// that character in `number`; otherwise the message to show: 352 empty, 349 anything else.
int clockNumberError(const std::string& text, std::string& number);

// What SetDateTime sends for a date and time: "YYYYmmdd", the weekday digit with Sunday = 1,
// and "HHMM".
struct DateTimeTexts {
  std::string date;
  std::string weekday;
  std::string time;
};
DateTimeTexts dateTimeTexts(const basic::DateTime& when);

}  // namespace collect
