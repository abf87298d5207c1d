// The program's run context (core/RunContext.h) as the collection builds and uses it.
#pragma once

#include "collect/CollectPunches.h"
#include "core/RunContext.h"

#include <optional>

class ProgramObjects;

namespace collect {

// The download context of the current clock of `run` over `clock`.
CollectContext downloadContext(const RunContext& run, ClockOps& clock);

// Over the objects of `owner`, the live owner (the settings, clock list, clock and modem
// objects its names are bound to), gDataFolder and the program's converter binding; none while
// start-up has not created them all, or when `owner` is not the live one.
std::optional<RunContext> programContext(const ProgramObjects& owner);

}  // namespace collect
