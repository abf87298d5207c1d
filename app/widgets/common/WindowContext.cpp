#include "widgets/common/WindowContext.h"

WindowContext::WindowContext(const std::optional<RunContext>& run, const SharedWindowState& shared,
                             const AdminObjects& admin)
    : m_run(run), m_shared(shared), m_admin(admin) {}

// A run context names its objects by reference: made anew, never assigned.
WindowContext::WindowContext(const WindowContext& other)
    : m_run(other.m_run), m_shared(other.m_shared), m_admin(other.m_admin) {}

WindowContext& WindowContext::operator=(const WindowContext& other) {
  if (this == &other) return *this;
  m_run.reset();
  if (other.m_run) m_run.emplace(*other.m_run);
  m_shared = other.m_shared;
  m_admin = other.m_admin;
  return *this;
}

std::optional<RunContext> WindowContext::run() const {
  if (m_run && m_run->live()) return m_run;
  return std::nullopt;
}

MainWindowHost* WindowContext::host() const {
  const ClockWindowsState* s = state();
  return s ? s->host : nullptr;
}

const QList<QIcon>& WindowContext::img() const {
  static const QList<QIcon> none;
  ClockWindowsState* s = state();
  return s ? s->img() : none;
}

const QList<QIcon>& WindowContext::imgTool() const {
  static const QList<QIcon> none;
  ClockWindowsState* s = state();
  return s ? s->imgTool() : none;
}

AdminObjects WindowContext::admin() const { return state() ? m_admin : AdminObjects{}; }
