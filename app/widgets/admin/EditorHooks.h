// Connects the clock and user stores to their editor windows: Modificar (and the
// configuration lists' New) show fReloj and FUsr modally through the stores' editor hooks.
#pragma once

#include <QIcon>
#include <QList>

#include <functional>

struct EditorHooks;

// Sets the editor hooks the program hands (ProgramObjects::editorHooks); the opener layer calls
// it once, after the owner is made. The editors' toolbars take the image list `img` gives as
// they open (the program's, kept as long as the hooks), or show their captions without one.
void registerEditorHooks(
    EditorHooks& hooks, std::function<const QList<QIcon>*()> img = [] { return nullptr; });
