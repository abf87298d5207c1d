// What every window is handed by its opener (the opener layer, widgets/main/ProgramWindows.h,
// or a test) at construction, all under the owner's one liveness token: the run context, the
// windows' shared state (ClockWindowsState.h) with the main window as the windows' host and
// the toolbar pictures, and the administration objects. A window works over its context alone:
// without one, or once the owner has released the objects, it has none to work over.
#pragma once

#include "core/RunContext.h"
#include "widgets/common/AdminObjects.h"
#include "widgets/common/ClockWindowsState.h"

#include <QIcon>
#include <QList>

#include <optional>

class MainWindowHost;

class WindowContext {
 public:
  WindowContext() = default;
  WindowContext(const std::optional<RunContext>& run, const SharedWindowState& shared,
                const AdminObjects& admin = {});
  WindowContext(const WindowContext& other);
  WindowContext& operator=(const WindowContext& other);

  // None when none was handed, and none once the owner has released the objects: a window
  // freed after the shutdown must not reach the objects its context named.
  std::optional<RunContext> run() const;
  // The windows' shared state; null when none was handed or the owner has released it.
  ClockWindowsState* state() const { return m_shared.get(); }
  const SharedWindowState& shared() const { return m_shared; }
  // The main window while it is open; null otherwise.
  MainWindowHost* host() const;
  // The toolbar pictures (AppImages.h); empty without a state.
  const QList<QIcon>& img() const;
  const QList<QIcon>& imgTool() const;
  // The administration objects; all null once the owner has released them.
  AdminObjects admin() const;

 private:
  std::optional<RunContext> m_run;
  SharedWindowState m_shared;
  AdminObjects m_admin;
};
