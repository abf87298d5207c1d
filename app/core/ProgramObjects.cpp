#include "core/ProgramObjects.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdio>
#include <cstdlib>

#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"

namespace {

ProgramObjects* gOwner = nullptr;

// Frees the object and clears its name first, so nothing reaches a half-destroyed object.
template <typename T>
void drop(std::unique_ptr<T>& owned, T*& name) {
  name = nullptr;
  owned.reset();
}

template <typename T>
T& bind(std::unique_ptr<T>& owned, T*& name) {
  drop(owned, name);
  owned = std::make_unique<T>();
  name = owned.get();
  return *owned;
}

}  // namespace

ProgramObjects::ProgramObjects() {
  if (gOwner) {
    // Two owners would free the same objects twice.
    std::fputs("velta: a second owner of the program-wide objects\n", stderr);
    std::abort();
  }
  gOwner = this;
}

ProgramObjects::~ProgramObjects() {
  release();
  gOwner = nullptr;
}

ProgramObjects* ProgramObjects::current() { return gOwner; }

ProgramObjects& ProgramObjects::live() {
  if (!gOwner) {
    std::fputs("velta: the program-wide objects have no owner\n", stderr);
    std::abort();
  }
  return *gOwner;
}

ClsCfgFile& ProgramObjects::createSettings() { return bind(m_cfgFile, gCfgFile); }
clocklink::ClsMirsol& ProgramObjects::createMirsol() { return bind(m_mirsol, gMirsol); }
clocklink::ClsModem& ProgramObjects::createModem() { return bind(m_modem, gModem); }
ClsListaRelojes& ProgramObjects::createClockList() { return bind(m_listaRelojes, gListaRelojes); }
ClsUsers& ProgramObjects::createUsers() { return bind(m_users, gUsers); }

ClsAuditoria& ProgramObjects::createAuditLog() {
  ClsAuditoria& audit = bind(m_auditoria, gAuditoria);
  audit.users = gUsers;
  return audit;
}

StoreLoad ProgramObjects::createStartupObjects() {
  clocklink::ClsMirsol& mirsol = createMirsol();
  ClsListaRelojes& clocks = createClockList();
  createModem();
  ClsUsers& users = createUsers();
  createAuditLog().Iniciar(gDataFolder + "VELTA.AUD");
  mirsol.SetTimeOut(gCfgFile->TimeOut);
  clocks.Iniciar(gDataFolder + "velta002.dat");
  clocks.CargarRelojes();
  users.Iniciar(gDataFolder + "VELTA.DAT");
  return users.CargarUsers();
}

void ProgramObjects::release() {
  drop(m_mirsol, gMirsol);
  drop(m_listaRelojes, gListaRelojes);
  drop(m_modem, gModem);
  drop(m_cfgFile, gCfgFile);
  drop(m_users, gUsers);
  if (m_auditoria) m_auditoria->users = nullptr;
  drop(m_auditoria, gAuditoria);
}
