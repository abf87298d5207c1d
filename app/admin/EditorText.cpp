#include "admin/EditorText.h"

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"

std::string folderWithSeparator(const std::string& text) {
  std::string folder = basic::Trim(text);
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

int16_t currentCardKind() { return gListaRelojes && gListaRelojes->m_TipoNumero == 2 ? 2 : 1; }

int cardDigits(int16_t kind) {
  if (!gCfgFile) return 0;
  return kind == 2 ? gCfgFile->LongTouch : gCfgFile->LongTarjeta;
}
