// Arbitrary bytes as EMPR.DAT: load, route a few cards, save.
#include "core/ClsListaEmpresas.h"
#include "core/ProgramObjects.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzInputFile("EMPR.DAT", data, size);
  ProgramObjects objects;  // each input from a fresh start
  ClsListaEmpresas store;
  store.Iniciar(path);
  // Any outcome will do: the target looks for crashes, not answers.
  (void)store.CargarEmpresas();
  for (double card : {0.0, 1.0, 150.0, 1e300, -5.0}) store.GetEmpresa(card);
  store.Nuevo();
  (void)store.GrabarEmpresas();
  return 0;
}
