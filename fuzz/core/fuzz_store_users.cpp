// Arbitrary bytes as VELTA.DAT: load, try logins, save.
#include "core/ClsUsers.h"
#include "core/ProgramObjects.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzInputFile("VELTA.DAT", data, size);
  ProgramObjects objects;  // each input from a fresh start
  ClsUsers store;
  store.Iniciar(path);
  // Any outcome will do: the target looks for crashes, not answers.
  (void)store.CargarUsers();
  for (int16_t i = 1; i <= 100; ++i)
    if (store.GetCurData(i)) store.FindUser(store.Name, std::to_string(store.Psw));
  store.FindUser("x", "1e99");
  (void)store.GrabarUsers();
  return 0;
}
