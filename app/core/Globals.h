// Program-wide state: one of each for the whole run, set up at start-up.
#pragma once

#include <cstdint>
#include <string>

class ClsCfgFile;

extern std::string gVersionText;  // "major.minor" with the minor as two digits
extern std::string gDataFolder;   // working directory with a trailing "/"
extern std::string gSharedText;   // answer of the three-choice box and scratch text
extern int16_t gRunMode;          // 2 automatic run, 1 on-line run
extern ClsCfgFile* gCfgFile;      // the settings
