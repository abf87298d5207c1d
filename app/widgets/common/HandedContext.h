// The run context a window that runs exchanges was handed by its opener (registerOpeners,
// ProgramWindows.h, or a test), at construction or after. The window works over that context
// alone: without one it has no objects to work over.
#pragma once

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdint>
#include <optional>

#include "collect/RunContext.h"

class HandedContext {
 public:
  void setRunContext(const collect::RunContext& ctx) { m_ctx.emplace(ctx); }

 protected:
  explicit HandedContext(const std::optional<collect::RunContext>& ctx) : m_ctx(ctx) {}

  // None when nothing was handed, and none once the owner has released the objects: a window
  // freed after the shutdown must not reach the objects its context named.
  std::optional<collect::RunContext> runContext() const {
    if (m_ctx && m_ctx->live()) return m_ctx;
    return std::nullopt;
  }

  // Sets (1) or clears (0) the cancel flags of the clock and modem objects.
  void setCancelFlags(int16_t value) const {
    if (std::optional<collect::RunContext> ctx = runContext()) {
      // Setting a flag cannot fail.
      (void)ctx->mirsol.SetCancel(value);
      (void)ctx->modem.SetCancel(value);
    }
  }

 private:
  std::optional<collect::RunContext> m_ctx;
};
