// Arbitrary bytes as VELTA.TAR: load, look cards up, save the table back as rows.
#include "core/ClsTarjetas.h"
#include "core/ProgramObjects.h"
#include "fuzz_scratch.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzInputFile("VELTA.TAR", data, size);
  ProgramObjects objects;  // each input from a fresh start
  ClsTarjetas store;
  store.Iniciar(path);
  // Any outcome will do: the target looks for crashes, not answers.
  (void)store.CargarTarjetas();
  StoreRowVector rows;
  for (const CardRecord& r : store.table()) {
    store.FindRecord(r.card);
    char number[64];
    std::snprintf(number, sizeof number, "%.0f", r.card);
    rows.addRow({number,
                 {store.Description(0), std::to_string(store.Grupo()), store.Resaltar() ? "X" : "",
                  store.Novedad() ? "X" : "", store.Legajo()}});
  }
  (void)store.GrabarTarjetas(rows, 1);
  return 0;
}
