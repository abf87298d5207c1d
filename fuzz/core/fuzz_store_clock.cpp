// Arbitrary bytes as velta002.dat: load, read every slot, save.
#include "core/ClsListaRelojes.h"
#include "core/ProgramObjects.h"
#include "fuzz_scratch.h"

#include <basekit/atomicfile.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzInputFile("velta002.dat", data, size);
  ProgramObjects objects;  // each input from a fresh start
  ClsListaRelojes store;
  store.Iniciar(path);
  // Any outcome will do: the target looks for crashes, not answers.
  (void)store.CargarRelojes();
  StoreRowVector rows;
  store.FillList(rows);
  for (int16_t i = 0; i <= 101; ++i)
    if (store.GetCurData(i)) store.SetCurData(i);
  if (!store.GrabarRelojes().ok) std::abort();
  std::string saved;
  if (!basekit::readWholeFile(path, saved) || saved.size() != 58100) std::abort();
  return 0;
}
