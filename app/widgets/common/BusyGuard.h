// The busy rule of every window that runs an exchange (with a clock, an FTP or rsh host, a
// file being viewed) whose waits let window events through: while it runs, the window's
// commands are off and a close request waits. A close asked for meanwhile (the close box,
// Escape, the main window's close on SIGTERM) makes the exchange cancel, and the window closes
// once the last guard has ended; closing at once would free the window (and at the main
// window the clock objects) under the exchange still on the stack. Until the close comes, no
// message box opens over it (holdsBoxesOff; the message boxes ask BoxHold.h): the failure the
// cancel leads to is the one the operator asked for.
//
// Each window has one state: idle, running (a guard is alive) or closing (a close waits for
// the running exchange, or has been queued after it and not yet delivered).
#pragma once

#include "widgets/common/ClockWindowsState.h"

#include <functional>

class QCloseEvent;
class QWidget;
class WindowContext;

class BusyGuard {
 public:
  enum class State { Idle, Running, Closing };

  explicit BusyGuard(QWidget* window);
  ~BusyGuard();
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

  static State state(const QWidget* window);
  // True while a guard of `window` is alive.
  static bool busy(const QWidget* window);
  // Called whenever `window` becomes busy or idle (the window turns its commands off or on).
  static void onChange(QWidget* window, std::function<void()> notify);
  // What `window` was handed by its opener, kept by the window itself (HandedContext.h), which
  // must outlive its guards: its guards, and those of the windows opened over it that were
  // handed nothing, count in its shared state; the default cancel goes to its clock and modem
  // objects.
  static void hand(QWidget* window, const WindowContext& context);
  static void hand(QWidget* window, const WindowContext&& context) = delete;
  // How a deferred close cancels the window's exchange. Without one, the clock and modem
  // objects the window was handed are asked to cancel; a window whose exchange is not the
  // clock objects' sets its own flags instead, and a window that uses both does both.
  static void onCancel(QWidget* window, std::function<void()> cancel);
  // True while any guard counted in the state `window` was handed is alive.
  static bool anyBusy(const QWidget* window);
  // For the window's closeEvent (or Escape, with a null event): when it is busy, ignores the
  // event, cancels the exchange, remembers the request and returns true; the close then comes
  // after its last guard. With `untilAllIdle` (the main window, whose close frees the clock
  // objects) any busy window of the state it was handed counts, and the close comes once no guard
  // is left anywhere. False when the window may close now.
  static bool deferClose(QWidget* window, QCloseEvent* e, bool untilAllIdle = false);
  // The window's own close (a granted stop, an outcome shown long enough): now when it is
  // idle, else the exchange is cancelled and the close comes once it has returned.
  static void requestClose(QWidget* window);
  // True from a deferred close's request until its close has been delivered, the window's
  // closeEvent included: that close is the one asked for, and nothing may hold it up again.
  static bool closePending(const QWidget* window);
  // True once `window` has been shown and closed (hidden) since: a command or a close request
  // queued behind its close finds nothing to do.
  static bool closed(const QWidget* window);
  // True while a close of `window` that the operator asked for waits for its exchange, or is
  // queued behind it and not yet delivered: no message box opens over the window meanwhile.
  static bool holdsBoxesOff(const QWidget* window);

 private:
  QWidget* m_window;
  SharedWindowState m_shared;  // where this guard counts
};
