// Turns one received record frame into the stored punch text: validity flag,
// year, month, day, hour, minute, "0" + clock id, record type, card.
#pragma once
#include <string>

namespace clocklink {

struct Today {
  int year = 2026;
  int month = 1;
};
Today today();

struct ParsedRecord {
  std::string text;  // the punch text as Record_Get returns it
  bool valid = false;
};

// frame: STX through check byte as received. For model 6 the caller has
// already set the record type ("2" + the frame's 5th character).
ParsedRecord parseRecordFrame(const std::string& frame, int model, const std::string& clockId,
                              const std::string& model6Type, Today now);

// Card digits without blanks and leading zeros ("0001234" -> "1234", "000" -> "0"),
// done on the text so long numbers keep every digit. Empty when not numeric.
std::string shortenCard(const std::string& card);

// Counted number of punches at status positions 30-34; -1 when the status is
// shorter than 36 characters or those characters are not a number.
long statusCount(const std::string& status);

}  // namespace clocklink
