// The stores' editor windows, set by the windows' layer (widgets/admin/EditorHooks.h) on the
// live owner's hooks (ProgramObjects::editorHooks), which the owner hands to the clock list and
// the users it makes: Modificar shows its editor through them. Unset, the stores edit nothing.
#pragma once

#include <functional>

class ClsListaRelojes;
class ClsUsers;

struct EditorHooks {
  std::function<void(ClsListaRelojes&)> clockList;
  std::function<void(ClsUsers&)> users;
};
