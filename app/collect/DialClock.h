// The one dialler of the current clock's modem line: four attempts with a retry wait between
// them, or the hang-up of a line that is up. The collection runs (automatic, on-line,
// console) and the manual dial-up window share it; each words the steps its own way through
// a DialProgress and gives its own cancel test.
#pragma once

#include <clocklink/CollectionStatus.h>

#include <cstdint>
#include <functional>
#include <string>

#include "collect/ProgressList.h"
#include "collect/RunContext.h"

namespace collect {

// The steps of a dial as they happen, for the window to show.
class DialProgress {
 public:
  virtual ~DialProgress() = default;
  virtual void hangingUp() = 0;  // a line that was up goes down
  virtual void initialising() = 0;
  virtual void initFailed(clocklink::CollectionStatus code) = 0;
  virtual void dialling(int attempt, const std::string& phone) = 0;
  // A failed reply ("BUSY", "NO CARRIER", ... or "" from a silent modem); `last` on the 4th.
  virtual void attemptFailed(int attempt, const std::string& reply, bool last) = 0;
  // Rewritten on every slice of the retry wait, down to 0.
  virtual void retryCountdown(int secondsLeft, const std::string& reply) = 0;
  // The call is up; the clock's status is read next.
  virtual void connected(const std::string& reply) = 0;
};

struct DialControl {
  DialProgress* progress = nullptr;
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
clocklink::CollectionStatus dialModem(RunContext& ctx, const DialControl& control);
// The same over the program-wide objects; kFailure when start-up has not created them.
clocklink::CollectionStatus dialModem(const DialControl& control);

// True for the replies that mean the call did not go through ("" is a silent modem).
bool isFailedDialReply(const std::string& reply);

// The runs' dial: its steps are lines of their progress list.
struct DialSeams {
  ProgressList* list = nullptr;
  std::function<bool()> stopRequested;  // the run's stop flag
  double retryWaitSeconds = 15.0;       // tests shorten it
};

// dialModem with the runs' lines: kSuccess connected or hung up, kCancelled stopped, kFailure
// not connected.
clocklink::CollectionStatus DialClock(RunContext& ctx, const DialSeams& seams);
// The same over the program-wide objects.
clocklink::CollectionStatus DialClock(const DialSeams& seams);

}  // namespace collect
