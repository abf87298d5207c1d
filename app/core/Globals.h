// Program-wide state: one of each for the whole run, set up at start-up.
#pragma once

#include <cstdint>
#include <string>

class ClsCfgFile;
namespace clocklink {
class ClsMirsol;
class ClsModem;
}  // namespace clocklink
class ClsListaRelojes;
class ClsUsers;
class ClsAuditoria;

extern std::string gVersionText;  // "major.minor" with the minor as two digits
extern std::string gDataFolder;   // working directory with a trailing "/"
extern std::string gSharedText;   // answer of the three-choice box and scratch text
extern int16_t gRunMode;          // 2 automatic run, 1 on-line run
extern ClsCfgFile* gCfgFile;      // the settings

// The program-wide objects that start-up creates and the main window's close releases; null
// before start-up and after the close.
extern clocklink::ClsMirsol* gMirsol;   // clock protocol object
extern clocklink::ClsModem* gModem;     // modem object
extern ClsListaRelojes* gListaRelojes;  // clock store and current clock
extern ClsUsers* gUsers;                // user store and logged-in user
extern ClsAuditoria* gAuditoria;        // audit log
