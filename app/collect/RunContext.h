// What the collection pass and the dialler work with: the settings, the clock list (its
// current clock is the one worked on), the clock and modem objects, the data folder and the
// converter. The program builds its own once, over the live owner of the program-wide objects,
// and hands it to the windows that run exchanges; the pass builds each download's
// CollectContext from it.
#pragma once

#include "collect/CollectPunches.h"

#include <memory>
#include <optional>
#include <string>

class ClsCfgFile;
class ProgramObjects;
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
  // Expired once the owner of the objects above has released them (ProgramObjects::liveness);
  // a context made without it is never live, so it is taken from the objects' owner.
  std::weak_ptr<const void> alive;

  // True while the objects it names are still the owner's.
  bool live() const { return !alive.expired(); }

  // The download context of the current clock over `clock`.
  CollectContext download(ClockOps& clock) const;
};

// Over the objects of `owner`, the live owner (the settings, clock list, clock and modem
// objects its names are bound to), gDataFolder and the program's converter binding; none while
// start-up has not created them all, or when `owner` is not the live one.
std::optional<RunContext> programContext(const ProgramObjects& owner);

}  // namespace collect
