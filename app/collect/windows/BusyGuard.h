// The busy rule of every window that talks to a clock: while an exchange runs (the clock
// objects let window events through during their waits), the window's commands are off and a
// close request waits. A close asked for meanwhile makes both clock objects cancel, and the
// window closes once the last guard has ended; closing at once would free the window (and at
// the main window the clock objects) under the exchange still on the stack.
#pragma once

#include <functional>

class QCloseEvent;
class QWidget;

class BusyGuard {
 public:
  explicit BusyGuard(QWidget* window);
  ~BusyGuard();
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

  // True while a guard of `window` is alive.
  static bool busy(const QWidget* window);
  // Called whenever `window` becomes busy or idle (the window turns its commands off or on).
  static void onChange(QWidget* window, std::function<void()> notify);
  // True while any guard of any window is alive.
  static bool anyBusy();
  // For the window's closeEvent: when it is busy, ignores the event, asks gMirsol and gModem
  // to cancel, remembers the request and returns true; the close then comes after its last
  // guard. With `untilAllIdle` (the main window, whose close frees the clock objects) any
  // busy window counts, and the close comes once no guard is left anywhere. False when the
  // window may close now.
  static bool deferClose(QWidget* window, QCloseEvent* e, bool untilAllIdle = false);
  // True while a deferred close is waiting.
  static bool closePending(const QWidget* window);

 private:
  QWidget* m_window;
};
