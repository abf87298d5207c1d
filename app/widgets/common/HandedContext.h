// The run context a window that runs exchanges was handed by the program (registerOpeners,
// ProgramWindows.h), at construction or after. A window built without one (a test, or opened on
// its own) works over the live owner's objects, as the program's context would.
#pragma once

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdint>
#include <optional>

#include "collect/RunContext.h"
#include "core/ProgramObjects.h"

class HandedContext {
 public:
  void setRunContext(const collect::RunContext& ctx) { m_ctx.emplace(ctx); }

 protected:
  explicit HandedContext(const std::optional<collect::RunContext>& ctx = std::nullopt)
      : m_ctx(ctx) {}

  // None while start-up has not created the objects, and none once the owner has released
  // them: a window freed after the shutdown must not reach the objects a handed context named.
  std::optional<collect::RunContext> runContext() const {
    const ProgramObjects* owner = ProgramObjects::current();
    if (!owner) return std::nullopt;
    std::optional<collect::RunContext> own = collect::programContext(*owner);
    if (m_ctx && own) return m_ctx;
    return own;
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
