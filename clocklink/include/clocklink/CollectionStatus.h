// Result codes of every clock-link operation.
#pragma once
#include <cstdint>

namespace clocklink {

using CollectionStatus = int16_t;

inline constexpr CollectionStatus kSuccess = -100;
inline constexpr CollectionStatus kCancelled = -101;
inline constexpr CollectionStatus kFailure = -200;
inline constexpr CollectionStatus kPortNotOpen = -300;
inline constexpr CollectionStatus kPortInUse = -400;
inline constexpr CollectionStatus kModemNoCarrier = -500;

}  // namespace clocklink
