// Arbitrary bytes as CONSOLE.MIR: the console's read turns every line into one row, a second
// read adds none, and the trim keeps exactly the file's last lines (each cut to the console's
// longest line), the untrimmed file kept as CONS.TMP. The first input byte picks the settings
// and the trim length.
#include "collect/ConsoleFile.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "core/StoreRows.h"
#include "fuzz_nosync.h"
#include "fuzz_scratch.h"

#include <basekit/atomicfile.h>

#include <cstdlib>
#include <unistd.h>

namespace {

// Lines as the console counts them: ended by LF, one CR before it dropped, cut to the longest
// line a console takes.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) lf = text.size();
    std::string line = text.substr(pos, lf - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line.substr(0, collect::kMaxConsoleLine));
    pos = lf + 1;
  }
  return out;
}

// A card table with a marked, a flagged and a plain holder, written once.
void writeCards() {
  ClsTarjetas store;
  store.Iniciar(*gDataFolder + "VELTA.TAR");
  StoreRowVector rows;
  rows.addRow({"100", {"ANA", "1", "X", "", "7"}});
  rows.addRow({"200", {"BETO", "2", "", "X", "8"}});
  rows.addRow({"171", {"CARLA", "3", "", "", "9"}});  // 0xAB on a touch clock
  // Any outcome will do: the target looks for crashes, not answers.
  (void)store.GrabarTarjetas(rows, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ProgramObjects objects;  // for the whole fuzzing run
  static ClsCfgFile& cfg = objects.createSettings();
  static ClsListaRelojes& clocks = objects.createClockList();
  static const bool ready = [] {
    *gDataFolder = fuzzScratchDir();
    writeCards();
    return true;
  }();
  (void)ready;
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  cfg.ModoLegajo = mode & 1;
  cfg.ModoVirtual = (mode >> 1) & 1;
  clocks.m_TipoNumero = (mode & 4) ? 2 : 0;
  const int32_t maxLines = static_cast<int32_t>(mode >> 3) - 2;  // -2..29
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  fuzzInputFile("CONSOLE.MIR", data + 1, size - 1);
  ::unlink((*gDataFolder + "CONS.TMP").c_str());

  const std::vector<std::string> lines = linesOf(text);
  const collect::ConsoleSettings settings = collect::consoleSettingsOf(*gDataFolder, &cfg, &clocks);
  collect::ConsoleFile console;
  int32_t total = -1;
  const auto rows = console.readNew(settings, total);
  if (total != static_cast<int32_t>(lines.size()) || rows.size() != lines.size()) std::abort();
  for (size_t k = 0; k < rows.size(); ++k)
    if (rows[k].line != static_cast<int32_t>(k + 1)) std::abort();
  if (!console.readNew(settings, total).empty()) std::abort();

  if (!collect::DepurarConsola(*gDataFolder, maxLines)) std::abort();
  std::string after, kept;
  if (!basekit::readWholeFile(*gDataFolder + "CONSOLE.MIR", after)) std::abort();
  const int32_t count = static_cast<int32_t>(lines.size());
  if (count < maxLines) {
    if (after != text) std::abort();
    return 0;
  }
  std::string saved;
  if (!basekit::readWholeFile(*gDataFolder + "CONS.TMP", saved) || saved != text) std::abort();
  for (int32_t k = 1; k <= count; ++k)
    if (k > count - maxLines) kept += lines[static_cast<size_t>(k - 1)] + "\r\n";
  if (after != kept) std::abort();
  return 0;
}
