// ManualRead: the steps of reading the current clock's punches by hand into a file the
// operator names (the FLeer window is a thin face over it): the proposed name, the name and
// existing-file checks, the download, and the shipping of the file by FTP and remote command.
#pragma once

#include "collect/RunContext.h"
#include "core/Basic.h"
#include "core/ProgressList.h"

#include <cstdint>
#include <functional>
#include <string>

class Reporter;

namespace collect {

// The name proposed when the window opens: the clock's file name (a date pattern + ".MIR"
// when the clock names its files by date), or the shipping name when SAP shipping is on.
std::string proposedReadName(const std::string& mArchivo, int16_t archivoFecha, bool sapEnabled,
                             const basic::DateTime& now);

class ManualRead {
 public:
  // The windows and choices the read needs from its face; each may be left empty in tests.
  struct Hooks {
    // The three-choice question for an existing file: 1 append, 2 replace, 3 cancel.
    std::function<int(const std::string& text)> askExisting;
    std::function<void()> started;     // the download is about to run
    std::function<int16_t()> shipFtp;  // shows the FTP window; its tmpReturnValue
    std::function<int16_t()> shipRsh;  // shows the remote-command window; its tmpReturnValue
  };
  enum class Outcome {
    Refused,    // nothing read: empty name, a cancelled question, a file that cannot be emptied
    ReadAgain,  // the question's "&Cancelar": back to the name box, the read may start again
    Failed,     // the download failed or was stopped (337 shown)
    Done,       // read; shipped as the settings ask (a shipping failure has shown its box)
  };

  // The boxes of the read (a refused name, a failed download or shipping) go to `reporter`.
  ManualRead(ProgressList& list, Reporter& reporter, Hooks hooks)
      : m_list(list), m_reporter(reporter), m_hooks(std::move(hooks)) {}

  // The read command over `ctx`'s current clock: `folder` the chosen folder, `boxText` the
  // name box as typed.
  Outcome run(RunContext& ctx, const std::string& folder, const std::string& boxText,
              int16_t dropDup);

 private:
  void ship(RunContext& ctx, const std::string& dir, const std::string& boxText);
  ProgressList& m_list;
  Reporter& m_reporter;
  Hooks m_hooks;
};

}  // namespace collect
