#include "clocklink/EventPump.h"

#include <clocklink/testing/Hooks.h>

#include <algorithm>
#include <atomic>
#include <poll.h>
#include <thread>

namespace clocklink {
namespace {
std::function<void()>& hook() {
  static std::function<void()> h;
  return h;
}
}  // namespace

// Null: only a test program installs hooks (clocklink_testhooks).
std::atomic<testing::Hooks*> testing::detail::installed{nullptr};

// 1 in every program; only a test program shortens it.
double timeScale() {
  if (auto* h = testing::hooks()) return h->timeScale();
  return 1.0;
}

Clock::duration scaledWait(double seconds) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(std::max(seconds, 0.0) * timeScale()));
}

void setEventPump(std::function<void()> pump) { hook() = std::move(pump); }

void pumpEvents() {
  // Copy first: the hook may replace itself.
  if (auto h = hook()) h();
}

SliceEnd waitSlice(int fd, std::chrono::milliseconds slice) {
  auto ms = std::clamp<long long>(slice.count(), 0, kWaitSlice.count());
  if (fd < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return SliceEnd::Other;
  }
  pollfd p{fd, POLLIN, 0};
  int r = ::poll(&p, 1, static_cast<int>(ms));
  if (r > 0 && (p.revents & (POLLNVAL | POLLHUP | POLLERR))) {
    // A descriptor gone bad or hung up (a pulled adapter, a closed peer) stays
    // "ready" for ever: it must not turn the caller's loop into a spin. The
    // callers look for waiting bytes before they wait, so none is missed.
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return SliceEnd::Other;
  }
  if (r > 0) return SliceEnd::Readable;
  return r == 0 ? SliceEnd::Quiet : SliceEnd::Other;
}

bool waitReadable(int fd, std::chrono::milliseconds slice) {
  return waitSlice(fd, slice) == SliceEnd::Readable;
}

void WaitSeconds(double seconds) {
  auto end = Clock::now() + scaledWait(seconds);
  while (Clock::now() < end) {
    pumpEvents();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    std::this_thread::sleep_for(std::min(std::max(left, std::chrono::milliseconds(1)), kWaitSlice));
  }
}

void WaitSecondsUnlessCancelled(double seconds, const int16_t& cancelFlag) {
  auto end = Clock::now() + scaledWait(seconds);
  while (Clock::now() < end && cancelFlag != 1) {
    pumpEvents();
    if (cancelFlag == 1) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    waitReadable(-1, std::max(std::min(left, kWaitSlice), std::chrono::milliseconds(1)));
  }
}

void sleepQuietly(double seconds) { std::this_thread::sleep_for(scaledWait(seconds)); }

}  // namespace clocklink
