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

// The program-wide objects, owned by the live ProgramObjects (ProgramObjects.h): start-up
// creates them and the main window's close releases them; null before start-up and after the
// close. Nothing else creates or frees them.
extern ClsCfgFile* gCfgFile;            // the settings
extern clocklink::ClsMirsol* gMirsol;   // clock protocol object
extern clocklink::ClsModem* gModem;     // modem object
extern ClsListaRelojes* gListaRelojes;  // clock store and current clock
extern ClsUsers* gUsers;                // user store and logged-in user
extern ClsAuditoria* gAuditoria;        // audit log
