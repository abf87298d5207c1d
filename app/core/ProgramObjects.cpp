#include "core/ProgramObjects.h"

#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/QtTranslations.h"
#include "core/Release.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdio>
#include <cstdlib>

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

// The values as a new owner has them.
struct ProgramObjects::Values {
  ClsTarjetas cards;
  ClsListaEmpresas companies;
  SplitFields splitFields;
  std::string versionText;
  std::string dataFolder;
  std::string sharedText;
  int16_t runMode = 0;
  EditorHooks editorHooks;
  InstalledQtTranslators qtTranslators;  // taken off the application when freed
};

ProgramObjects::ProgramObjects() {
  if (gOwner) {
    // Two owners would free the same objects twice.
    std::fputs("velta: a second owner of the program-wide objects\n", stderr);
    std::abort();
  }
  gOwner = this;
  m_values = std::make_unique<Values>();
  bindValues();
}

ProgramObjects::~ProgramObjects() {
  release();
  unbindValues();
  m_values.reset();
  gOwner = nullptr;
}

void ProgramObjects::bindValues() {
  gCardTable.m_value = &m_values->cards;
  gCompanyTable.m_value = &m_values->companies;
  gSplitFields.m_value = &m_values->splitFields;
  gVersionText.m_value = &m_values->versionText;
  gDataFolder.m_value = &m_values->dataFolder;
  gSharedText.m_value = &m_values->sharedText;
  gRunMode.m_value = &m_values->runMode;
}

void ProgramObjects::unbindValues() {
  gCardTable.m_value = nullptr;
  gCompanyTable.m_value = nullptr;
  gSplitFields.m_value = nullptr;
  gVersionText.m_value = nullptr;
  gDataFolder.m_value = nullptr;
  gSharedText.m_value = nullptr;
  gRunMode.m_value = nullptr;
}

const std::string& ProgramObjects::dataFolder() const { return m_values->dataFolder; }
int16_t& ProgramObjects::runMode() { return m_values->runMode; }

EditorHooks& ProgramObjects::editorHooks() { return m_values->editorHooks; }
InstalledQtTranslators& ProgramObjects::qtTranslators() { return m_values->qtTranslators; }

void* ProgramObjects::findLayer(std::type_index type) const {
  for (const Layer& l : m_layers)
    if (l.type == type) return l.state;
  return nullptr;
}

void* ProgramObjects::addLayer(std::type_index type, void* state, void (*free)(void*)) {
  m_layers.push_back(Layer{type, state, free});
  return state;
}

void ProgramObjects::releaseLayers() {
  // Taken out first: a state that reaches another layer while it goes finds a fresh one, which
  // goes too, never one half freed.
  while (!m_layers.empty()) {
    const Layer last = m_layers.back();
    m_layers.pop_back();
    last.free(last.state);
  }
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
ClsListaRelojes& ProgramObjects::createClockList() {
  ClsListaRelojes& clocks = bind(m_listaRelojes, gListaRelojes);
  clocks.useEditors(&editorHooks());
  return clocks;
}

ClsUsers& ProgramObjects::createUsers() {
  ClsUsers& users = bind(m_users, gUsers);
  users.useEditors(&editorHooks());
  return users;
}

ClsAuditoria& ProgramObjects::createAuditLog() {
  ClsAuditoria& audit = bind(m_auditoria, gAuditoria);
  audit.users = gUsers;
  return audit;
}

ProgramObjects::StartupLoads ProgramObjects::createStartupObjects() {
  clocklink::ClsMirsol& mirsol = createMirsol();
  ClsListaRelojes& clocks = createClockList();
  createModem();
  ClsUsers& users = createUsers();
  createAuditLog().Iniciar(*gDataFolder + "VELTA.AUD");
  mirsol.SetTimeOut(gCfgFile->TimeOut);
  clocks.Iniciar(*gDataFolder + "velta002.dat");
  StoreLoad clocksLoad = clocks.CargarRelojes();
  users.Iniciar(*gDataFolder + "VELTA.DAT");
  return {std::move(clocksLoad), users.CargarUsers()};
}

void ProgramObjects::release() {
  // Before anything goes: what a context named is gone from here on.
  m_alive = std::make_shared<const int>(0);
  drop(m_mirsol, gMirsol);
  drop(m_listaRelojes, gListaRelojes);
  drop(m_modem, gModem);
  drop(m_cfgFile, gCfgFile);
  drop(m_users, gUsers);
  if (m_auditoria) m_auditoria->users = nullptr;
  drop(m_auditoria, gAuditoria);
  releaseLayers();
  // The values last, so nothing above finds them gone while it is freed.
  unbindValues();
  m_values.reset();
  m_values = std::make_unique<Values>();
  bindValues();
}
