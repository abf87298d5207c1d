// The library-wide event-pump hook and the waiting helpers built on it.
// Every wait of the library blocks in short slices (at most 20 ms) and calls
// the hook between them, so the host's user interface stays responsive.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>

namespace clocklink {

using Clock = std::chrono::steady_clock;
inline constexpr std::chrono::milliseconds kWaitSlice{20};

// The host sets this once (the app: QCoreApplication::processEvents).
void setEventPump(std::function<void()> pump);
// Runs the hook, if any.
void pumpEvents();

// Blocks until fd is readable or the slice has passed (slice capped at 20 ms).
// Returns true when fd is readable. fd < 0 just sleeps.
bool waitReadable(int fd, std::chrono::milliseconds slice);

// How one slice of waiting on a descriptor ended.
enum class SliceEnd {
  Readable,  // input waits
  Quiet,     // the slice passed and nothing at all happened on the descriptor
  Other,     // no descriptor, or it reported an error or a hang-up
};
SliceEnd waitSlice(int fd, std::chrono::milliseconds slice);

// Plain wait: lets events run, cannot be cancelled.
void WaitSeconds(double seconds);
// The same wait, ended early once cancelFlag reads 1 (an object's cancel flag).
void WaitSecondsUnlessCancelled(double seconds, const int16_t& cancelFlag);
// Sleeps without letting events run (used where re-entry must not happen).
void sleepQuietly(double seconds);

// The library's fixed waits (the pauses above, guard times, a modem's reply windows) are
// multiplied by this factor; the time-outs a caller sets are not. It is 1 in every program and
// nothing in its environment changes it: only a test program shortens the waits, through the
// library's test hooks (clocklink/testing), so the library's waits and pauses run in
// milliseconds against the test peers.
double timeScale();
// A fixed wait of `seconds`, scaled.
Clock::duration scaledWait(double seconds);

}  // namespace clocklink
