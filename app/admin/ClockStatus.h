// The clock panel's reading of a clock's 36-character status text: the clock's date and
// time, its pending record count and the status-bar line about its last clearing.
#pragma once

#include "core/Basic.h"

#include <cstdint>
#include <optional>
#include <string>

struct ClockStatusView {
  std::string fecActual;  // "dd/mm/yyyy hh:mm", or "ERROR hh:mm" for a date that is no date
  std::string cantRegis;  // the pending count as the clock sent it (5 characters)
  std::string statusBar;  // last clearing: cause, date and time ("" for model 6)
};

// nullopt when the text is not exactly 36 characters (the clock did not answer properly).
// Dates take the year ValidarFecha gives them: a month after today's is last year's.
std::optional<ClockStatusView> decodeClockStatus(const std::string& text, int16_t model,
                                                 const basic::DateTime& today);
