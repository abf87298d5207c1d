// Result codes of every clock-link operation. The numbers are the ones written to logs and
// files (-100 success ...), so each enumerator keeps its value.
#pragma once
#include <cstdint>
#include <iosfwd>

namespace clocklink {

enum class [[nodiscard]] CollectionStatus : int16_t{
    kSuccess = -100,     kCancelled = -101, kFailure = -200,
    kPortNotOpen = -300, kPortInUse = -400, kModemNoCarrier = -500,
};

using enum CollectionStatus;

// The number a status stands for in a log line, a file or a box.
constexpr int16_t statusCode(CollectionStatus s) { return static_cast<int16_t>(s); }

// Streams the number, so a status reads in a log or a test's message as it always did.
std::ostream& operator<<(std::ostream& out, CollectionStatus s);

}  // namespace clocklink
