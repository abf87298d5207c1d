// Lets the Qt event loop run until a condition holds: how a widget test waits for a window that
// works through its own timers and events. The limit is a hang guard, generous for a loaded
// machine and the sanitizer build, never a speed check.
#pragma once

#include <functional>

namespace apptest {

// True as soon as `done()` holds; false when it still does not after `limitMs`.
bool waitFor(const std::function<bool()>& done, int limitMs = 60000);

}  // namespace apptest
