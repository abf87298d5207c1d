// Connects the clock and user stores to their editor windows: Modificar (and the
// configuration lists' New) show fReloj and FUsr modally through the stores' editor hooks.
#pragma once

// Sets ClsListaRelojes::editorHook and ClsUsers::editorHook; the main program calls it once.
void registerEditorHooks();
