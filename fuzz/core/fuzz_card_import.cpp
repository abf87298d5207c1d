// Arbitrary bytes as DBTAR.DAT: import the holders, check every row is one whole item, and
// read each row's number the way the save does, in both card kinds.
#include "core/CardNumber.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "fuzz_scratch.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzInputFile("DBTAR.DAT", data, size);
  ProgramObjects objects;  // each input from a fresh start
  *gDataFolder = fuzzScratchDir();
  StoreRowVector rows;
  // The refusal text does not matter here: the rows read are checked below.
  (void)ClsTarjetas().ImportarNombres(rows, 1);
  size_t items = 1;  // at most one item per comma and per line end, plus one
  for (size_t i = 0; i < size; ++i)
    if (data[i] == ',' || data[i] == '\n') ++items;
  if (rows.rowCount() > items) std::abort();
  for (const StoreRow& r : rows.rows) {
    if (r.subItems.size() != 1 || r.text.find('\n') != std::string::npos ||
        r.sub(1).find('\n') != std::string::npos)
      std::abort();
    double card;
    cardNumberOf(r.text, 1, card);
    cardNumberOf(r.text, 2, card);
  }
  return 0;
}
