// One collection pass over the active clocks 1..100, as the automatic run, the on-line run and
// the console make it: link set-up, dialling, download, shipping, clearing, date and time,
// card file, hang-up, and the pass's lines into the daily log. The windows give it their list,
// label, stop test and shipper, and the objects it works on as a RunContext.
#pragma once

#include "collect/RunContext.h"
#include "core/Basic.h"
#include "core/ProgressList.h"

#include <cstdint>
#include <functional>
#include <string>

class ClsLogger;

namespace collect {

enum class PassMode {
  Automatic,  // detailed lines, the list cleared after each clock, closing lines, log
  Online,     // short lines kept in the list
  Console,    // CONSOLE.MIR, cleared after every good download, nothing shipped or set
};

enum class Shipment { Ftp, Rsh };

struct PassSeams {
  ProgressList* list = nullptr;
  std::function<void(const std::string&)> label;  // the console's clock label
  std::function<bool()> stopRequested;
  // Shows FFtp or FRsh modally; the outcome is in the settings' tmpReturnValue.
  std::function<void(Shipment)> ship;
  ClsLogger* logger = nullptr;  // automatic run only
  double closeWaitSeconds = 2.0;
  double retryWaitSeconds = 15.0;
  std::function<basic::DateTime()> clock = basic::Now;
};

struct PassResult {
  bool errors = false;   // some clock failed (the 305 line)
  bool stopped = false;  // the stop request cut the pass short
  int clocksVisited = 0;
};

// The output file name of the current clock of `clocks` at `now`.
std::string outputFileName(const ClsListaRelojes& clocks, const basic::DateTime& now,
                           bool sapNaming);

PassResult PollClocks(RunContext& ctx, PassMode mode, const PassSeams& seams);

}  // namespace collect
