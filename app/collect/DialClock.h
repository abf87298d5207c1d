// The one dialler of the current clock's modem line: four attempts with a retry wait between
// them, or the hang-up of a line that is up. The collection runs (automatic, on-line,
// console) and the manual dial-up window share it; each words the steps its own way through
// its DialHooks and gives its own cancel test.
#pragma once

#include "collect/RunContext.h"
#include "core/ProgressList.h"

#include <clocklink/CollectionStatus.h>

#include <cstdint>
#include <functional>
#include <string>

namespace collect {

struct PassSeams;

// How one dial shows its steps as they happen and learns that it must stop; a step left empty
// shows nothing.
struct DialHooks {
  std::function<void()> hangingUp;  // a line that was up goes down
  std::function<void()> initialising;
  std::function<void(clocklink::CollectionStatus code)> initFailed;
  std::function<void(int attempt, const std::string& phone)> dialling;
  // A failed reply ("BUSY", "NO CARRIER", ... or "" from a silent modem); `last` on the 4th.
  std::function<void(int attempt, const std::string& reply, bool last)> attemptFailed;
  // Rewritten on every slice of the retry wait, down to 0.
  std::function<void(int secondsLeft, const std::string& reply)> retryCountdown;
  // The call is up; the clock's status is read next.
  std::function<void(const std::string& reply)> connected;
  std::function<bool()> cancelled;  // tested between steps and on every slice of the wait
  double retryWaitSeconds = 15.0;   // tests shorten it
  // The runs count the line as up from the first dial on, so that a stop half-way still
  // hangs it up at the clock's end. The dial-up window hangs up itself on a cancel and keeps
  // the line down for the main window until a call is up.
  bool lineUpWhileDialling = true;
};

// Over the context's modem and clock objects, its settings (TIMEOUTMODEM, MODEMDRIVER) and its
// current clock: kSuccess connected (or a line that was up hung up), kCancelled when the
// cancel test said so (a call half made is left to the caller), kFailure not connected (the
// port let go).
clocklink::CollectionStatus dialModem(RunContext& ctx, const DialHooks& hooks);

// True for the replies that mean the call did not go through ("" is a silent modem).
bool isFailedDialReply(const std::string& reply);

// The collection run's dial: its steps are lines of the pass's progress list, its stop test
// and retry wait the pass's. kSuccess connected or hung up, kCancelled stopped, kFailure not
// connected.
clocklink::CollectionStatus DialClock(RunContext& ctx, const PassSeams& seams);

}  // namespace collect
