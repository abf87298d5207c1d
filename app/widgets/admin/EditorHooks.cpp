#include "widgets/admin/EditorHooks.h"

#include <QApplication>

#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/ProgramObjects.h"
#include "widgets/admin/FUsr.h"
#include "widgets/admin/fReloj.h"

void registerEditorHooks() {
  EditorHooks& hooks = ProgramObjects::live().editorHooks();
  hooks.clockList = [](ClsListaRelojes& list) { fReloj::run(list, QApplication::activeWindow()); };
  hooks.users = [](ClsUsers& users) { FUsr::run(users, QApplication::activeWindow()); };
}
