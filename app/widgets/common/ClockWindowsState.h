// The windows' program-wide state, held by the owner (ProgramObjects::layer) so that it is reset
// with everything else: the run window open now, the busy guards' count with the windows whose
// close waits for all of them (BusyGuard.h), the main window while it is open (the windows'
// host) and the toolbar pictures every window takes. A window is handed it in its context
// (WindowContext.h) by its opener and never reaches the owner for it.
#pragma once

#include "widgets/common/AppImages.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class MainWindowHost;

struct ClockWindowsState {
  QPointer<QWidget> currentRun;               // the run window open now (fAuto::current)
  int liveGuards = 0;                         // guards alive in the whole program
  QList<QPointer<QWidget>> closeWhenAllIdle;  // windows whose close waits for every guard
  MainWindowHost* host = nullptr;             // the main window while it is open

  // The pictures of the program's toolbars (AppImages.h), drawn at their first use.
  const QList<QIcon>& img() {
    if (!m_img) m_img = widgets::img();
    return *m_img;
  }
  const QList<QIcon>& imgTool() {
    if (!m_imgTool) m_imgTool = widgets::imgTool();
    return *m_imgTool;
  }

 private:
  std::optional<QList<QIcon>> m_img, m_imgTool;
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
