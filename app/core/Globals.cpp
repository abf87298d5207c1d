#include "core/Globals.h"

#include <cstdio>
#include <cstdlib>

// The names only; the values are the live owner's (ProgramObjects.cpp binds them).
constinit OwnedValue<std::string> gVersionText("gVersionText");
constinit OwnedValue<std::string> gDataFolder("gDataFolder");
constinit OwnedValue<std::string> gSharedText("gSharedText");
constinit OwnedValue<int16_t> gRunMode("gRunMode");
ClsCfgFile* gCfgFile = nullptr;
clocklink::ClsMirsol* gMirsol = nullptr;
clocklink::ClsModem* gModem = nullptr;
ClsListaRelojes* gListaRelojes = nullptr;
ClsUsers* gUsers = nullptr;
ClsAuditoria* gAuditoria = nullptr;

void stopUnboundValue(const char* name) {
  std::fprintf(stderr, "velta: %s used with no owner of the program-wide objects\n", name);
  std::abort();
}
