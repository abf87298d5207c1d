// The clock windows' program-wide state, held by the owner (ProgramObjects::layer) so that it is
// reset with everything else: the run window open now, and the busy guards' count with the
// windows whose close waits for all of them (BusyGuard.h). A window is handed it by its opener
// (SharedWindowState) and never reaches the owner for it.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

struct ClockWindowsState {
  QPointer<QWidget> currentRun;               // the run window open now (fAuto::current)
  int liveGuards = 0;                         // guards alive in the whole program
  QList<QPointer<QWidget>> closeWhenAllIdle;  // windows whose close waits for every guard
};

// The state as a window is handed it: gone, like the owner's objects, once the owner has
// released it (the owner's liveness token, taken with the state).
class SharedWindowState {
 public:
  SharedWindowState() = default;
  SharedWindowState(ClockWindowsState& state, std::weak_ptr<const void> alive)
      : m_state(&state), m_alive(std::move(alive)) {}

  // Null when none was handed or the owner has released it.
  ClockWindowsState* get() const { return m_alive.expired() ? nullptr : m_state; }

 private:
  ClockWindowsState* m_state = nullptr;
  std::weak_ptr<const void> m_alive;
};
