// The parts of module Release that show their own boxes: the result-code and time checks of
// the windows. The program's start-up, which shows the refusal boxes, is widgets/main/Startup.h.
#pragma once

#include "core/Release.h"

#include <cstdint>
#include <functional>
#include <string>

// False only for kSuccess. The four known failures (kFailure, kPortNotOpen, kPortInUse,
// kModemNoCarrier) show their message in a critical box when `show` is non-zero; any other
// code is a silent failure.
bool MensajeErrorComm(int16_t code, int16_t show);

// True for 0 <= hour < 24 and 0 <= minute < 60 (numeric values of the texts); otherwise box
// 327 with the exclamation icon and false.
bool ValidarHora(const std::string& hour, const std::string& minute);
