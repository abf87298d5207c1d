#include "collect/ConsoleFile.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>

#include <cerrno>
#include <utility>

#include "core/Basic.h"
#include "core/CardNumber.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"
#include "core/StoreRows.h"
#include "collect/testing/Hooks.h"

namespace collect {

ConsoleSettings consoleSettingsOf(std::string dataFolder, const ClsCfgFile* cfg,
                                  const ClsListaRelojes* clocks) {
  ConsoleSettings s{std::move(dataFolder)};
  if (cfg) {
    s.modoLegajo = cfg->ModoLegajo;
    s.modoVirtual = cfg->ModoVirtual;
  }
  if (clocks && clocks->m_TipoNumero == 2) s.numberKind = 2;
  return s;
}

namespace {

enum class Opened { Yes, Missing, Refused };

// Opens CONSOLE.MIR for reading. Every check is made on the descriptor: a plain file of one
// name (the console is appended to; a second name may be a file outside the folder) and of a
// size a console file can have. *why names the file and gives the reason of a refusal.
Opened openConsole(const std::string& dataFolder, basekit::ReadingFile& file, std::string& why) {
  const std::string path = dataFolder + "CONSOLE.MIR";
  int err = 0;
  if (!file.open(path, kMaxConsoleBytes))
    err = errno;
  else if (file.links() > 1)
    err = basekit::kErrSecondName;
  if (err == 0) {
    if (auto* h = testing::hooks()) h->consoleStep("opened");
    return Opened::Yes;
  }
  file.close();
  if (err == ENOENT || err == ENOTDIR) return Opened::Missing;
  why = path + ": " + systemReason(err);
  return Opened::Refused;
}

}  // namespace

std::vector<ConsoleRow> ConsoleFile::readNew(const ConsoleSettings& settings, int32_t& total) {
  std::vector<ConsoleRow> rows;
  m_error.clear();
  ClsTarjetas cards;
  cards.Iniciar(settings.dataFolder + "VELTA.TAR");
  cards.CargarTarjetas();
  basekit::ReadingFile file;
  if (openConsole(settings.dataFolder, file, m_error) != Opened::Yes) return rows;
  const int16_t modoLegajo = settings.modoLegajo;
  const int16_t modoVirtual = settings.modoVirtual;
  const int16_t kind = settings.numberKind == 2 ? 2 : 1;
  const std::string openClock = GetMsg(275);
  // Line by line: memory follows the new rows, never the file.
  int32_t k = 0;
  std::string line;
  for (;;) {
    const basekit::ReadingFile::Line got = file.readLine(line, kMaxConsoleLine);
    if (got == basekit::ReadingFile::Line::End) break;
    if (got == basekit::ReadingFile::Line::Failed) {
      m_error = file.path() + ": " + systemReason(errno);
      break;
    }
    if (++k <= m_shown) continue;
    SepararCampos(line);
    const SplitFields& f = *gSplitFields;
    std::string card = f.field(1);
    ConsoleRow row;
    row.line = k;
    bool found = false;
    if (modoLegajo == 0) {
      card = basic::Trim(card);
      // A card field that is no number belongs to nobody: it must not show the holder of
      // the line before.
      double number = 0;
      if (cardNumberOf(card, kind, number)) found = cards.FindRecord(number) >= 0;
    }
    if (found) {
      row.bold = cards.Resaltar() == 1;
      if (cards.Novedad() == 1) row.bold = row.red = true;
    }
    row.cells = {basic::Format(int64_t{k}, "0000"),
                 f.field(2),
                 f.field(3),
                 f.field(4),
                 f.field(5),
                 card,
                 modoVirtual == 1 ? (found ? cards.Description(0) : std::string()) : f.rest};
    if (basic::Trim(f.rest) == openClock) row.red = true;
    rows.push_back(std::move(row));
  }
  m_shown = k;
  total = k;
  return rows;
}

bool DepurarConsola(const std::string& dataFolder, int32_t maxLines, std::string* error) {
  std::string why;
  auto fail = [&](const std::string& reason) {
    if (error) *error = reason;
    return false;
  };
  basekit::ReadingFile file;
  switch (openConsole(dataFolder, file, why)) {
    case Opened::Missing:
      return true;
    case Opened::Refused:
      return fail(why);
    case Opened::Yes:
      break;
  }
  auto readFailed = [&] { return fail(file.path() + ": " + systemReason(errno)); };
  // Counted, copied and cut from the one descriptor, never by its name again.
  int32_t count = 0;
  std::string line;
  for (;;) {
    const basekit::ReadingFile::Line got = file.readLine(line, kMaxConsoleLine);
    if (got == basekit::ReadingFile::Line::End) break;
    if (got == basekit::ReadingFile::Line::Failed) return readFailed();
    ++count;
  }
  if (count < maxLines) return true;
  // The untrimmed copy is no easier to read than the console file it copies.
  if (!storefile::copyOpenedFile(file, dataFolder + "CONS.TMP", file.mode(), &why))
    return fail(why);
  // The last lines only: memory follows what is kept, not the file.
  if (!file.seek(0)) return readFailed();
  std::string kept;
  for (int32_t k = 1; k <= count; ++k) {
    const basekit::ReadingFile::Line got = file.readLine(line, kMaxConsoleLine);
    if (got == basekit::ReadingFile::Line::End) break;
    if (got == basekit::ReadingFile::Line::Failed) return readFailed();
    if (k > count - maxLines) kept += line + "\r\n";
  }
  if (!basekit::replaceFileAtomically(file.path(), kept, &why)) {
    const int err = errno;
    return fail(file.path() + ": " + systemReason(err));
  }
  return true;
}

}  // namespace collect
