// The program's own windows behind the main window's commands: registerOpeners fills every
// opener slot with its real window (and sets the stores' editor hooks), as the program does
// at start-up. Tests of the main window alone register recording stubs instead.
#pragma once

#include "core/RunContext.h"
#include "widgets/common/WindowContext.h"
#include "widgets/main/WindowOpeners.h"

#include <optional>

class ProgramObjects;

// `context` is the program's run context, which the program builds once start-up has made the
// objects (it may still be empty when the openers are registered, and must outlive them);
// every window that runs an exchange gets it. A window opened while it is still empty has no
// objects to work over: its exchanges do nothing.
void registerOpeners(WindowOpeners& openers, const std::optional<RunContext>& context);
// The clock windows' state of `owner` as its windows are handed it; none without an owner.
SharedWindowState programWindowState(ProgramObjects* owner);
// The context a window is handed over `run` and the objects of `owner` (its windows' state,
// with the main window and the pictures, and its administration objects); a context without
// those when there is no owner.
WindowContext programWindowContext(const std::optional<RunContext>& run, ProgramObjects* owner);
// The openers keep a reference to `context`, since the program fills it only after they are
// registered: a temporary (std::nullopt, a RunContext converted in the call) would leave every
// opener holding a dangling one, so such a call does not compile.
void registerOpeners(WindowOpeners& openers, const std::optional<RunContext>&& context) = delete;

// The automatic run at start-up, modal over `parent`: true when it asked for the program's end
// (start-up then ends without the main window).
bool openAutomaticRun(QWidget* parent, const std::optional<RunContext>& context);
