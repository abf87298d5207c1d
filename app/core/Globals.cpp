#include "Globals.h"

std::string gVersionText;
std::string gDataFolder;
std::string gSharedText;
int16_t gRunMode = 0;
ClsCfgFile* gCfgFile = nullptr;
