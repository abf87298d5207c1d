#include "ConsoleFile.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>

#include <fstream>
#include <sstream>

#include "Basic.h"
#include "CardNumber.h"
#include "ClsCfgFile.h"
#include "ClsListaRelojes.h"
#include "ClsTarjetas.h"
#include "Globals.h"
#include "Messages.h"
#include "Release.h"

namespace collect {

namespace {

bool readLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

}  // namespace

std::vector<ConsoleRow> ConsoleFile::readNew(int32_t& total) {
  std::vector<ConsoleRow> rows;
  ClsTarjetas cards;
  cards.Iniciar(gDataFolder + "VELTA.TAR");
  cards.CargarTarjetas();
  std::vector<std::string> lines;
  if (!readLines(gDataFolder + "CONSOLE.MIR", lines)) return rows;
  const int16_t modoLegajo = gCfgFile ? gCfgFile->ModoLegajo : 0;
  const int16_t modoVirtual = gCfgFile ? gCfgFile->ModoVirtual : 0;
  const int16_t kind = gListaRelojes && gListaRelojes->m_TipoNumero == 2 ? 2 : 1;
  const std::string openClock = GetMsg(275);
  const int32_t n = static_cast<int32_t>(lines.size());
  for (int32_t k = m_shown + 1; k <= n; ++k) {
    SepararCampos(lines[static_cast<size_t>(k - 1)]);
    const SplitFields& f = gSplitFields;
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
  m_shown = n;
  total = n;
  return rows;
}

bool DepurarConsola(int32_t maxLines) {
  const std::string console = gDataFolder + "CONSOLE.MIR";
  // A console file that is a link is never trimmed: its target's lines must not be copied
  // into CONS.TMP, and the replace below would refuse it anyway.
  if (basekit::isSymbolicLink(console)) return false;
  std::ifstream in(console, std::ios::binary);
  if (!in) return true;
  std::stringstream all;
  all << in.rdbuf();
  const std::string bytes = all.str();
  std::vector<std::string> lines;
  readLines(console, lines);
  const int32_t count = static_cast<int32_t>(lines.size());
  if (count < maxLines) return true;
  if (!basekit::replaceFileAtomically(gDataFolder + "CONS.TMP", bytes)) return false;
  std::string kept;
  for (int32_t k = 1; k <= count; ++k)
    if (k > count - maxLines) kept += lines[static_cast<size_t>(k - 1)] + "\r\n";
  return basekit::replaceFileAtomically(console, kept);
}

}  // namespace collect
