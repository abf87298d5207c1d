// The objects an administration window works over, taken from the owner by the window's opener
// when the window opens; each is null while start-up has not made it (a window opened with only
// some made works over those). A window is handed them in its context (WindowContext.h), which
// gives none once the owner has released them.
#pragma once

#include "core/ProgramObjects.h"

#include <string>

struct AdminObjects {
  ClsCfgFile* cfg = nullptr;
  ClsListaRelojes* clocks = nullptr;
  clocklink::ClsMirsol* mirsol = nullptr;
  clocklink::ClsModem* modem = nullptr;
  ClsUsers* users = nullptr;
  ClsAuditoria* audit = nullptr;
  std::string dataFolder;  // with a trailing "/"

  // What `owner` holds now.
  static AdminObjects of(ProgramObjects& owner) {
    return AdminObjects{owner.settings(), owner.clocks(),   owner.mirsol(),    owner.modem(),
                        owner.users(),    owner.auditLog(), owner.dataFolder()};
  }
};
