#include "collect/RunContext.h"

#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"

namespace collect {

CollectContext RunContext::download(ClockOps& clock) const {
  return CollectContext{clock, cfg, clocks.m_TipoNumero, clocks.m_Modelo, dataFolder, converter};
}

std::optional<RunContext> programContext(const ProgramObjects& owner) {
  if (&owner != ProgramObjects::current()) return std::nullopt;
  if (!gCfgFile || !gListaRelojes || !gMirsol || !gModem) return std::nullopt;
  return RunContext{*gCfgFile,    *gListaRelojes,           *gMirsol,        *gModem,
                    *gDataFolder, ConverterLink::program(), owner.liveness()};
}

}  // namespace collect
