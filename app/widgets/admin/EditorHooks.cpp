#include "widgets/admin/EditorHooks.h"

#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/StoreEditors.h"
#include "widgets/admin/FUsr.h"
#include "widgets/admin/fReloj.h"

#include <QApplication>

void registerEditorHooks(EditorHooks& hooks, std::function<const QList<QIcon>*()> img) {
  hooks.clockList = [img](ClsListaRelojes& list) {
    fReloj::run(list, QApplication::activeWindow(), img());
  };
  hooks.users = [img](ClsUsers& users) { FUsr::run(users, QApplication::activeWindow(), img()); };
}
