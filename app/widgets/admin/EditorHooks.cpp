#include "widgets/admin/EditorHooks.h"

#include <QApplication>

#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "widgets/admin/FUsr.h"
#include "widgets/admin/fReloj.h"

void registerEditorHooks() {
  ClsListaRelojes::editorHook = [](ClsListaRelojes& list) {
    fReloj::run(list, QApplication::activeWindow());
  };
  ClsUsers::editorHook = [](ClsUsers& users) { FUsr::run(users, QApplication::activeWindow()); };
}
