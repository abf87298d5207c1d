// The Qt platform the program starts on, settled before the QApplication is made. Started by
// cron, ssh or a service, with no display named and no platform chosen, it takes the
// offscreen platform, so the automatic run collects and a start that needs the log-in can say
// why it ends. A display that is named but cannot be reached would make Qt abort the program:
// that is found here first, so the program can end with status 1 and say which display.
#pragma once

#include <string>

// QT_QPA_PLATFORM set and not empty is the caller's choice and is left to Qt. Otherwise: no
// DISPLAY and no WAYLAND_DISPLAY (both unset or empty) sets QT_QPA_PLATFORM=offscreen; a
// display named is tried, X as its client library connects (libxcb, loaded only for this),
// Wayland by its socket. Returns "" when the start can go on, else the displays named that
// could not be reached, as ":77 (DISPLAY)", joined by ", ".
std::string settleStartPlatform();
