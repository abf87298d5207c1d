// Arbitrary bytes as a modem program file (*.cfx): the file is listed, and its run sends one
// command per non-empty item and adds one progress line each. The modem's cancel flag is set,
// so each command returns at once without a port.
#include "admin/ModemProgram.h"
#include "fuzz_scratch.h"

#include <clocklink/ClsModem.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static clocklink::ClsModem modem;
  // Any outcome will do: the target looks for crashes, not answers.
  (void)modem.SetCancel(1);
  fuzzInputFile("PROG.cfx", data, size);
  const auto names = ModemProgram::programFiles(fuzzScratchDir());
  if (names.size() != 1 || names[0] != "PROG.cfx") std::abort();

  VectorProgressList list;
  const std::optional<bool> allOk = ModemProgram::run(fuzzScratchDir() + names[0], modem, list);
  if (!allOk) std::abort();
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t items = 0;
  for (const std::string& item : clocklink::splitModemItems(text)) items += !item.empty();
  if (static_cast<size_t>(list.count()) != 1 + items || (items > 0 && *allOk)) std::abort();
  return 0;
}
