// Arbitrary bytes as VELTA.AUD: list it, append a record, list it again.
#include "core/ClsAuditoria.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzInputFile("VELTA.AUD", data, size);
  ClsAuditoria log;
  log.Iniciar(path);
  StoreRowVector rows;
  log.GetRecords(rows);
  log.AddRecord(std::string(reinterpret_cast<const char*>(data), size < 40 ? size : 40));
  log.GetRecords(rows);
  return 0;
}
