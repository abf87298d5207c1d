// What a window that runs exchanges is handed by its opener (registerOpeners, ProgramWindows.h,
// or a test) at construction: the run context, and the clock windows' state its busy rule
// counts in (ClockWindowsState.h). The window works over that context alone: without one it
// has no objects to work over.
#pragma once

#include "core/RunContext.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ClockWindowsState.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdint>
#include <optional>

class HandedContext {
 protected:
  HandedContext(const std::optional<RunContext>& ctx, const SharedWindowState& shared)
      : m_ctx(ctx), m_shared(shared) {}

  // For the window's constructor: its busy rule works over what it was handed.
  void handToBusyRule(QWidget* self) const { BusyGuard::hand(self, m_ctx, m_shared); }
  // The clock windows' state; null when none was handed or the owner has released it.
  ClockWindowsState* handedWindowState() const { return m_shared.get(); }

  // None when nothing was handed, and none once the owner has released the objects: a window
  // freed after the shutdown must not reach the objects its context named.
  std::optional<RunContext> runContext() const {
    if (m_ctx && m_ctx->live()) return m_ctx;
    return std::nullopt;
  }

  // Sets (1) or clears (0) the cancel flags of the clock and modem objects.
  void setCancelFlags(int16_t value) const {
    if (std::optional<RunContext> ctx = runContext()) {
      // Setting a flag cannot fail.
      (void)ctx->mirsol.SetCancel(value);
      (void)ctx->modem.SetCancel(value);
    }
  }

 private:
  std::optional<RunContext> m_ctx;
  SharedWindowState m_shared;
};
