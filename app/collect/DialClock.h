// The dial step of the collection runs: dials the current clock's modem line (four attempts,
// a 15 s retry wait between them) or hangs up a line that is up. The automatic run, the
// on-line run and the console share it; each gives its own list and stop test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ProgressList.h"

namespace collect {

struct DialSeams {
  ProgressList* list = nullptr;
  std::function<bool()> stopRequested;  // the run's stop flag
  double retryWaitSeconds = 15.0;       // tests shorten it
};

// True for the replies that mean the call did not go through ("" is a silent modem).
bool isFailedDialReply(const std::string& reply);

// Over gModem, gMirsol, gCfgFile (TIMEOUTMODEM, MODEMDRIVER) and the current clock of
// gListaRelojes: -100 connected or hung up, -101 stopped, -200 not connected.
int16_t DialClock(const DialSeams& seams);

}  // namespace collect
