// The one owner of the program-wide objects: the settings, the clock and modem objects, the
// clock list, the users and the audit log. main holds one for the run (the test fixture one
// per test); the program's names for them (gCfgFile, gMirsol, ...) are pointers bound to the
// live owner, so the code that uses them reads as it always did. Each is null until created
// and again after release(), which frees them in one fixed order.
#pragma once

#include <cstdint>
#include <memory>

#include "core/StoreResult.h"

class ClsCfgFile;
namespace clocklink {
class ClsMirsol;
class ClsModem;
}  // namespace clocklink
class ClsListaRelojes;
class ClsUsers;
class ClsAuditoria;

class ProgramObjects {
 public:
  // Becomes the program's owner; there is at most one at a time.
  ProgramObjects();
  ~ProgramObjects();
  ProgramObjects(const ProgramObjects&) = delete;
  ProgramObjects& operator=(const ProgramObjects&) = delete;

  // The owner alive now, or null.
  static ProgramObjects* current();
  // The owner alive now; the program stops when there is none (a fault of its set-up).
  static ProgramObjects& live();

  // Each makes a fresh object (one that existed goes first) and binds its name to it.
  ClsCfgFile& createSettings();
  clocklink::ClsMirsol& createMirsol();
  clocklink::ClsModem& createModem();
  ClsListaRelojes& createClockList();
  ClsUsers& createUsers();
  ClsAuditoria& createAuditLog();  // records the name of gUsers' logged-in user

  // Start-up's objects over the files of gDataFolder, in start-up's order: the clock and
  // modem objects, the clock list, the users and the audit log; hands the reply time-out to
  // the clock object; loads the clock list and the users. The settings must exist. Returns
  // CargarUsers' result.
  StoreLoad createStartupObjects();

  // Frees every object in the main window's order (clock object, clock list, modem,
  // settings, users, audit log); every name is null afterwards.
  void release();

 private:
  std::unique_ptr<clocklink::ClsMirsol> m_mirsol;
  std::unique_ptr<ClsListaRelojes> m_listaRelojes;
  std::unique_ptr<clocklink::ClsModem> m_modem;
  std::unique_ptr<ClsCfgFile> m_cfgFile;
  std::unique_ptr<ClsUsers> m_users;
  std::unique_ptr<ClsAuditoria> m_auditoria;
};
