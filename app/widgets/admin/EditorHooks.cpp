#include "EditorHooks.h"

#include <QApplication>

#include "ClsListaRelojes.h"
#include "ClsUsers.h"
#include "FUsr.h"
#include "fReloj.h"

void registerEditorHooks() {
  ClsListaRelojes::editorHook = [](ClsListaRelojes& list) {
    fReloj::run(list, QApplication::activeWindow());
  };
  ClsUsers::editorHook = [](ClsUsers& users) { FUsr::run(users, QApplication::activeWindow()); };
}
