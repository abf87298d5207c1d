#include "Release.h"

#include <cstdio>
#include <string>

#include "ClsCfgFile.h"
#include "Globals.h"

namespace {
void createEmpty(const std::string& name) {
  if (FILE* f = std::fopen((gDataFolder + name).c_str(), "ab")) std::fclose(f);
}
void removeIfPresent(const std::string& name) { std::remove((gDataFolder + name).c_str()); }
}  // namespace

void MarcarEstado(int16_t kind) {
  if (!gCfgFile || gCfgFile->MultiEmpresa != 0 || gCfgFile->Auto != 0) return;
  switch (kind) {
    case 1:
      createEmpty("OK.TMP");
      break;
    case 2:
      removeIfPresent("OK.TMP");
      removeIfPresent("OU.TMP");
      createEmpty("IN.TMP");
      break;
    case 3:
      removeIfPresent("IN.TMP");
      createEmpty("OU.TMP");
      break;
    default:
      break;
  }
}
