// What a window keeps of the context its opener handed it at construction (WindowContext.h):
// its busy rule reads it, and the window works over it alone.
#pragma once

#include "widgets/common/WindowContext.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdint>
#include <optional>

class QWidget;

class HandedContext {
 protected:
  explicit HandedContext(const WindowContext& context) : m_context(context) {}

  // For the window's constructor: its busy rule works over what it was handed.
  void handToBusyRule(QWidget* self) const;
  const WindowContext& context() const { return m_context; }
  // The clock windows' state; null when none was handed or the owner has released it.
  ClockWindowsState* handedWindowState() const { return m_context.state(); }
  // None when nothing was handed, and none once the owner has released the objects.
  std::optional<RunContext> runContext() const { return m_context.run(); }
  // Sets (1) or clears (0) the cancel flags of the clock and modem objects.
  void setCancelFlags(int16_t value) const;

 private:
  WindowContext m_context;
};
