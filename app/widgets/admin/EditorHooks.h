// Connects the clock and user stores to their editor windows: Modificar (and the
// configuration lists' New) show fReloj and FUsr modally through the stores' editor hooks.
#pragma once

// Sets the live owner's editor hooks (ProgramObjects::editorHooks); the main program calls it
// once, after the owner is made.
void registerEditorHooks();
