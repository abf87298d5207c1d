// Module fnAuto: the download routine. Downloads the current clock's punches and appends each
// one as a line to its company's or the caller's output file, to ERRORES.TXT, BACKUP.MIR and
// CONSOLE.MIR as the settings ask, showing its progress in the caller's list; then runs the
// converter add-in when asked and marks OK.TMP. A punch is reported written only once its
// line is on disk, and the clock is cleared (clearAfterDownload) only when it holds exactly
// what was written.
#pragma once

#include "collect/ClockOps.h"
#include "collect/ConverterLink.h"
#include "core/ProgressList.h"

#include <clocklink/CollectionStatus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ClsCfgFile;

namespace collect {

class AppendJournal;

// What one download works with; collect::downloadContext fills it for the run's current clock.
struct CollectContext {
  ClockOps& clock;
  const ClsCfgFile& cfg;
  int16_t tipoNumero = 1;  // the clock's card kind (m_TipoNumero; 2 = touch keys)
  int16_t modelo = 0;      // the clock's model (m_Modelo)
  std::string dataFolder;  // with a trailing "/"
  Converter& converter;
};

// What a download that does not end in success leaves in the files it appended to.
enum class OnFailure {
  KeepWritten,  // what was received stays written (the manual read, which never clears)
  // Every file goes back to the length it had before the call: the clock is not cleared and
  // keeps the punches, and the next download writes each of them once.
  CutBack,
};

// The files and choices of one download; a top-up goes on with the same.
struct DownloadParams {
  std::string dir, name;
  int16_t dropDup = 0, factor = 0, console = 0;
};

// What one download gave: the routine's result, and what it wrote, which a clearing checks
// the clock against. Only a complete download may be cleared, and only once.
struct Download {
  clocklink::CollectionStatus status = clocklink::kFailure;  // kSuccess or kFailure
  bool clearable = false;
  DownloadParams params;
  std::vector<std::string> texts;       // every record fetched, in order
  int32_t steps = 0;                    // records the clock delivered (dropped ones too)
  std::optional<std::string> prevKept;  // the duplicate test's last kept text
  // With OnFailure::CutBack, what a complete download and its top-ups appended to, so that a
  // clearing refused before the clock was told to clear can still take the lines back; null
  // otherwise, and once the clearing has been tried.
  std::shared_ptr<AppendJournal> journal;
};

// dir & name is the default output file; dropDup 1 drops a record equal to the one before;
// factor goes to every fetch; console -1 also appends the valid lines to CONSOLE.MIR.
// Its status is kSuccess or kFailure; onFailure says what a failure leaves in the files (with
// CutBack an interrupted download runs no converter and the list says the files were undone).
Download collectPunches(CollectContext& ctx, ProgressList& list, const std::string& dir,
                        const std::string& name, int16_t dropDup, int16_t factor, int16_t console,
                        OnFailure onFailure = OnFailure::KeepWritten);

// Clears the clock after `download`, good with `downloaded` records, but only when a fresh
// status count equals what that download took from the clock. Punches made meanwhile are
// topped up first (downloaded again, checked against what was written, the new ones written
// and synced, and added to `download`), for at most three rounds; otherwise red ">" & 312,
// kFailure and nothing cleared. With `shippingOn` the file has already gone to the host (or an
// empty clock shipped nothing): a top-up would put the new punches where the host never
// looks, so there is none; they stay on the clock, uncleared, and come in the next pass's
// file. Either way `download` cannot be cleared again.
// A refusal while the clock still holds every punch written (the count still moving after the
// last round, a top-up that could not be written or was interrupted) takes back what the
// download and its top-ups appended when the download kept a journal and `shippingOn` is off,
// and says so: the clock keeps the punches and the next download writes each of them once.
// A clock that no longer holds what was written (or cannot tell its count) keeps the lines:
// they may be the only copy left. A clearing that was sent is never taken back.
clocklink::CollectionStatus clearAfterDownload(CollectContext& ctx, ProgressList& list,
                                               Download& download, int32_t downloaded,
                                               bool shippingOn = false);

}  // namespace collect
