#include "core/Globals.h"

std::string gVersionText;
std::string gDataFolder;
std::string gSharedText;
int16_t gRunMode = 0;
ClsCfgFile* gCfgFile = nullptr;
clocklink::ClsMirsol* gMirsol = nullptr;
clocklink::ClsModem* gModem = nullptr;
ClsListaRelojes* gListaRelojes = nullptr;
ClsUsers* gUsers = nullptr;
ClsAuditoria* gAuditoria = nullptr;
