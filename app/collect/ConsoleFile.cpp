#include "collect/ConsoleFile.h"

#include "collect/testing/Hooks.h"
#include "core/Basic.h"
#include "core/CardNumber.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>

#include <cerrno>
#include <cstdint>
#include <string_view>
#include <utility>

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
// size a console file can have (`maxBytes`; the trim takes one of any size, reading its end).
// *why names the file and gives the reason of a refusal.
Opened openConsole(const std::string& dataFolder, basekit::ReadingFile& file, std::string& why,
                   size_t maxBytes = kMaxConsoleBytes) {
  const std::string path = dataFolder + "CONSOLE.MIR";
  basekit::FileError error;
  if (file.open(path, maxBytes, &error)) {
    if (file.links() == 1) {
      if (auto* h = testing::hooks()) h->consoleStep("opened");
      return Opened::Yes;
    }
    error = basekit::FileError::refusal(basekit::FileFault::SecondName, path);
  }
  file.close();
  if (error.missing()) return Opened::Missing;
  why = fileFailure(error);
  return Opened::Refused;
}

// The lines of `text` (ended by LF, a CR before it taken off), each cut to a console line's
// length as the reader cuts it.
std::vector<std::string_view> consoleLines(std::string_view rest) {
  std::vector<std::string_view> lines;
  while (!rest.empty()) {
    const size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line.substr(0, kMaxConsoleLine));
  }
  return lines;
}

}  // namespace

std::vector<ConsoleRow> ConsoleFile::readNew(const ConsoleSettings& settings, int32_t& total) {
  std::vector<ConsoleRow> rows;
  m_error.clear();
  ClsTarjetas cards;
  cards.Iniciar(settings.dataFolder + "VELTA.TAR");
  // without a card table the rows show no names
  (void)cards.CargarTarjetas();
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
    basekit::FileError error;
    const basekit::ReadingFile::Line got = file.readLine(line, kMaxConsoleLine, &error);
    if (got == basekit::ReadingFile::Line::End) break;
    if (got == basekit::ReadingFile::Line::Failed) {
      m_error = fileFailure(error);
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
  auto failed = [&](const basekit::FileError& e) { return fail(fileFailure(e)); };
  basekit::ReadingFile file;
  // Of any size: a console file that grew past what the console reads is what most needs the
  // trim, which then takes its last lines from its end.
  switch (openConsole(dataFolder, file, why, SIZE_MAX)) {
    case Opened::Missing:
      return true;
    case Opened::Refused:
      return fail(why);
    case Opened::Yes:
      break;
  }
  // The whole file, or past the console's bound its end from a whole line on: CONS.TMP keeps
  // what was read, and memory follows the bound, never the file.
  basekit::FileError failure;
  std::string untrimmed;
  if (!file.readTail(untrimmed, kMaxConsoleBytes, &failure)) return failed(failure);
  const std::vector<std::string_view> lines = consoleLines(untrimmed);
  const bool whole = static_cast<off_t>(untrimmed.size()) == file.size();
  if (whole && static_cast<int64_t>(lines.size()) < maxLines) return true;
  std::string kept;
  const size_t keep = maxLines > 0 ? static_cast<size_t>(maxLines) : 0;
  for (size_t k = lines.size() > keep ? lines.size() - keep : 0; k < lines.size(); ++k) {
    kept += lines[k];
    kept += "\r\n";
  }
  // The untrimmed copy is no easier to read than the console file it copies.
  if (!basekit::replaceFileAtomicallyWithMode(dataFolder + "CONS.TMP", untrimmed, file.mode(),
                                              &failure))
    return failed(failure);
  // The new console file takes the mode of the one read, and only replaces that very file: one
  // renamed in under the name meanwhile is left to the next trim.
  if (!basekit::replaceReadFile(file, kept, &failure)) return failed(failure);
  return true;
}

}  // namespace collect
