// Connects the clock and user stores to their editor windows: Modificar (and the
// configuration lists' New) show fReloj and FUsr modally through the stores' editor hooks.
#pragma once

struct EditorHooks;

// Sets the editor hooks the program hands (ProgramObjects::editorHooks); the opener layer calls
// it once, after the owner is made.
void registerEditorHooks(EditorHooks& hooks);
