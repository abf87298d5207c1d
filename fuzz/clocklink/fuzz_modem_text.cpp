// Arbitrary text as a modem's reply, as MODEM.MAU and as the modem
// definitions file: the reply test, the item splitter and the parser.
#include "clocklink/ClsModem.h"
#include "clocklink/Tornikel.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace clocklink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ClsModem m;
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)m.IsComando("OK", text);
  (void)m.IsComando("CONNECT", text);
  size_t total = 0;
  for (const auto& item : splitModemItems(text)) total += item.size();
  if (total > text.size()) __builtin_trap();  // items are pieces of the text
  for (const auto& d : parseModemDefinitions(text))
    if (d.name.empty() || d.com < 0 || d.com > 255) __builtin_trap();
  return 0;
}
