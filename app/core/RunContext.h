// What the collection pass, the dialler and the windows that run exchanges work with: the
// settings, the clock list (its current clock is the one worked on), the clock and modem
// objects, the data folder and the converter. The program builds its own once, over the live
// owner of the program-wide objects (collect::programContext), and hands it to the windows that
// run exchanges; the pass builds each download's context from it.
#pragma once

#include "core/Converter.h"

#include <memory>
#include <string>

class ClsCfgFile;
class ClsListaRelojes;
namespace clocklink {
class ClsMirsol;
class ClsModem;
}  // namespace clocklink

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
};
