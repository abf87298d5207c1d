#include "collect/RunContext.h"

#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"

namespace collect {

CollectContext downloadContext(const RunContext& run, ClockOps& clock) {
  return CollectContext{clock,          run.cfg,      run.clocks.m_TipoNumero, run.clocks.m_Modelo,
                        run.dataFolder, run.converter};
}

std::optional<RunContext> programContext(const ProgramObjects& owner) {
  if (&owner != ProgramObjects::current()) return std::nullopt;
  if (!gCfgFile || !gListaRelojes || !gMirsol || !gModem) return std::nullopt;
  return RunContext{*gCfgFile,    *gListaRelojes,           *gMirsol,        *gModem,
                    *gDataFolder, ConverterLink::program(), owner.liveness()};
}

}  // namespace collect
