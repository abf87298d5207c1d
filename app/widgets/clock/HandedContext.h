// The run context a window that runs exchanges was handed by the program (registerOpeners,
// ProgramWindows.h). A window built without one (a test, or opened on its own) works over the
// live owner's objects, as the program's context would.
#pragma once

#include <optional>

#include "collect/RunContext.h"
#include "core/ProgramObjects.h"

class HandedContext {
 public:
  void setRunContext(const collect::RunContext& ctx) { m_ctx.emplace(ctx); }

 protected:
  // None while start-up has not created the objects.
  std::optional<collect::RunContext> runContext() const {
    if (m_ctx) return m_ctx;
    if (const ProgramObjects* owner = ProgramObjects::current())
      return collect::programContext(*owner);
    return std::nullopt;
  }

 private:
  std::optional<collect::RunContext> m_ctx;
};
