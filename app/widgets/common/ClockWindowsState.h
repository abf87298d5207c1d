// The clock windows' program-wide state, held by the live owner (ProgramObjects::layer) so that
// it is reset with everything else: the run window open now, and the busy guards' count with the
// windows whose close waits for all of them (BusyGuard.h).
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include "core/ProgramObjects.h"

class fAuto;

struct ClockWindowsState {
  fAuto* currentRun = nullptr;                // fAuto::current
  int liveGuards = 0;                         // guards alive in the whole program
  QList<QPointer<QWidget>> closeWhenAllIdle;  // windows whose close waits for every guard
};

// The live owner's; the program stops when there is none.
inline ClockWindowsState& clockWindowsState() {
  return ProgramObjects::live().layer<ClockWindowsState>();
}
