// The one owner of all mutable program-wide state. main holds one for the run (the test
// fixture one per test); nothing else in the program keeps state of its own between calls.
//
// It owns:
// - the program-wide objects: the settings, the clock and modem objects, the clock list, the
//   users and the audit log (gCfgFile, gMirsol, gModem, gListaRelojes, gUsers, gAuditoria:
//   pointers bound to the owner, null until created and again after release());
// - the program-wide values: the program's card and company stores (each holds its own
//   table; the collection and the windows load stores of their own), the split fields of a
//   punch line, the version text, the data folder, the shared text and the run mode
//   (gCardTable, gCompanyTable, gSplitFields, gVersionText, gDataFolder, gSharedText, gRunMode:
//   names bound to the owner's members from its making to its end, see OwnedValue in
//   Globals.h);
// - the stores' editor hooks (editorHooks()) and Qt's translators installed on the
//   application (QtTranslations.h);
// - one state object for each layer above the core (layer<T>(): the clock windows', the main
//   window's, the collection's), which the core cannot name.
//
// release() frees, in this order: the objects in the main window's order (clock object, clock
// list, modem, settings, users, audit log); the layers' states, the last made first; then the
// values, the editor hooks and the translators go back to a fresh start (the translators are
// taken off the application). A new owner starts as a released one.
//
// Not here, on purpose: the stop signals' pipe (written by an asynchronous signal handler, so
// a plain global), the constant tables built once (the message texts, the clock editor's row
// lists, the code pages), the test seams of the windows and the collection (answer queues and
// hooks that tests set), and the libraries' own state below the program (clocklink, basekit).
#pragma once

#include "core/StoreEditors.h"
#include "core/StoreResult.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

class ClsCfgFile;
namespace clocklink {
class ClsMirsol;
class ClsModem;
}  // namespace clocklink
class ClsListaRelojes;
class ClsUsers;
class ClsAuditoria;
class InstalledQtTranslators;

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
  // what each load found.
  struct [[nodiscard]] StartupLoads {
    StoreLoad clocks;
    StoreLoad users;
  };
  StartupLoads createStartupObjects();

  // What the owner holds now: each object null until made and again after release(); the
  // values are the owner's members (the names of Globals.h are bound to them).
  ClsCfgFile* settings() const { return m_cfgFile.get(); }
  clocklink::ClsMirsol* mirsol() const { return m_mirsol.get(); }
  clocklink::ClsModem* modem() const { return m_modem.get(); }
  ClsListaRelojes* clocks() const { return m_listaRelojes.get(); }
  ClsUsers* users() const { return m_users.get(); }
  ClsAuditoria* auditLog() const { return m_auditoria.get(); }
  const std::string& dataFolder() const;
  int16_t& runMode();

  EditorHooks& editorHooks();
  // Qt's translators installed on the application now (QtTranslations.h).
  InstalledQtTranslators& qtTranslators();

  // The state of a layer above the core, made on first use and kept until release().
  template <typename T>
  T& layer() {
    if (void* found = findLayer(typeid(T))) return *static_cast<T*>(found);
    return *static_cast<T*>(addLayer(typeid(T), new T, [](void* p) { delete static_cast<T*>(p); }));
  }

  // Frees and resets everything it owns, in the order above; every object's name is null
  // afterwards and every value is as a new owner's.
  void release();

  // Expires when release() starts (and so at the owner's end): a run context built over the
  // objects keeps it, so a window learns they are gone without reaching the owner.
  std::weak_ptr<const void> liveness() const { return m_alive; }

 private:
  struct Values;
  struct Layer {
    std::type_index type;
    void* state;
    void (*free)(void*);
  };
  void* findLayer(std::type_index type) const;
  void* addLayer(std::type_index type, void* state, void (*free)(void*));
  void releaseLayers();
  void bindValues();
  void unbindValues();

  std::unique_ptr<clocklink::ClsMirsol> m_mirsol;
  std::unique_ptr<ClsListaRelojes> m_listaRelojes;
  std::unique_ptr<clocklink::ClsModem> m_modem;
  std::unique_ptr<ClsCfgFile> m_cfgFile;
  std::unique_ptr<ClsUsers> m_users;
  std::unique_ptr<ClsAuditoria> m_auditoria;
  std::vector<Layer> m_layers;  // in the order made
  std::unique_ptr<Values> m_values;
  std::shared_ptr<const int> m_alive = std::make_shared<const int>(0);
};
