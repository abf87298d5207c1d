#include "widgets/admin/EditorHooks.h"

#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/StoreEditors.h"
#include "widgets/admin/FUsr.h"
#include "widgets/admin/fReloj.h"

#include <QApplication>

void registerEditorHooks(EditorHooks& hooks) {
  hooks.clockList = [](ClsListaRelojes& list) { fReloj::run(list, QApplication::activeWindow()); };
  hooks.users = [](ClsUsers& users) { FUsr::run(users, QApplication::activeWindow()); };
}
