// What the collection pass and the dialler work with: the settings, the clock list (its
// current clock is the one worked on), the clock and modem objects, the data folder and the
// converter. The windows hand in the program's own (programContext()); the pass builds each
// download's CollectContext from it.
#pragma once

#include <optional>
#include <string>

#include "collect/CollectPunches.h"

class ClsCfgFile;
class ClsListaRelojes;
namespace clocklink {
class ClsMirsol;
class ClsModem;
}  // namespace clocklink

namespace collect {

struct RunContext {
  ClsCfgFile& cfg;
  ClsListaRelojes& clocks;
  clocklink::ClsMirsol& mirsol;
  clocklink::ClsModem& modem;
  std::string dataFolder;  // with a trailing "/"
  Converter& converter;

  // The download context of the current clock over `clock`.
  CollectContext download(ClockOps& clock) const;
};

// Over the program-wide objects (gCfgFile, gListaRelojes, gMirsol, gModem, gDataFolder and the
// program's converter binding); none while start-up has not created them all.
std::optional<RunContext> programContext();

}  // namespace collect
