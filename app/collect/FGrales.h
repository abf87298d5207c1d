// Module FGrales: the clock result routines the collection windows share. They act on the
// caller's clock object, configured beforehand by the caller, and write their result as a line
// of the caller's progress list.
#pragma once

#include "collect/ClearResultLine.h"
#include "core/ProgressList.h"

#include <cstdint>
#include <string>

namespace clocklink {
class ClsMirsol;
}  // namespace clocklink

namespace collect {

// Sets the clock's date ("YYYYmmdd"), weekday digit (Sunday = 1) and time ("HHMM"); a blue
// result line on success (kSuccess), red 329 otherwise (kFailure).
clocklink::CollectionStatus ConsoleDateTimeResult(clocklink::ClsMirsol& clock, ProgressList& list,
                                                  const std::string& date,
                                                  const std::string& weekday,
                                                  const std::string& time);

// Clears the clock's stored records (Record_Process 4): blue ">" & 273 on kSuccess, else a red
// line naming the failure; the code comes back unchanged.
clocklink::CollectionStatus ConsoleClearResult(clocklink::ClsMirsol& clock, ProgressList& list);

// Sends every card of the card file at `path` to the clock: enabled when mode is not 0,
// suspended when it is. Items are separated by line ends or commas and may be quoted; items
// of 2 characters or fewer are skipped. Touch-key clocks (`tipoNumero` 2, the clock list's
// m_TipoNumero) read items as hexadecimal. kSuccess
// when every card was accepted; kFailure for a missing file, an item that is no card number
// (nothing after it is sent) or the first card the clock refused.
clocklink::CollectionStatus SendCardFile(clocklink::ClsMirsol& clock, int16_t tipoNumero,
                                         int16_t mode, const std::string& path);

// The plain wait: lets window events run for `seconds` (monotonic, never cancelled).
void Wait(double seconds);

// `value` right-aligned in `width` characters (cut to its last `width` characters), with
// every `find` character replaced by `replacement`.
std::string PadAndReplace(long long value, int width, char find, const std::string& replacement);

}  // namespace collect
