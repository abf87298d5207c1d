// Programming the modem from a modem program file: a text file in the data folder named
// *.cfx whose items (comma or line separated, quotes allowed) are modem commands without the
// "AT". Every item goes to the modem through ClsModem::ConfigModem and gets a progress line;
// a refusal does not stop the run. No widgets: the dialog hands in a progress list.
#pragma once

#include "core/ProgressList.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace clocklink {
class ClsModem;
}
class Reporter;

class ModemProgram {
 public:
  static constexpr size_t kMaxFiles = 99;
  // Largest program file read: a few dozen modem commands of a line each.
  static constexpr size_t kMaxFileBytes = 64 * 1024;

  // Names of the modem program files in `folder`, in name order (the file system gives no
  // order of its own here), at most kMaxFiles; the ".cfx" is matched without regard to case.
  static std::vector<std::string> programFiles(const std::string& folder);

  // Sends every item of the file at `path` (empty items skipped), adding the start line and
  // one line per item to `list`; true when the modem accepted them all. Nullopt, with no line
  // added, when the file is missing (*readError empty) or is there but cannot be read: a
  // folder, a FIFO, a link, a file larger than kMaxFileBytes (*readError names it and says
  // why).
  static std::optional<bool> run(const std::string& path, clocklink::ClsModem& modem,
                                 ProgressList& list, std::string* readError = nullptr);

  enum class Outcome { NotRun, Missing, AllOk, Failed };

  // The dialog's command for the file `name` picked in the list ("" = none): clears a pending
  // cancel, does nothing while a modem line is held, otherwise marks itself busy through
  // `busy(true)`, clears the list, runs the file and reports the end through `reporter` with
  // message 266 or 320 (307 with the path when the file is gone, 386 with the reason when it is
  // there but cannot be read or is too large), and calls `busy(false)` on every path that
  // began with `busy(true)`.
  static Outcome runCommand(const std::string& folder, const std::string& name,
                            clocklink::ClsModem& modem, ProgressList& list, Reporter& reporter,
                            const std::function<void(bool)>& busy);
};
