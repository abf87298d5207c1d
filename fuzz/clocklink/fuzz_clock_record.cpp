// The record parser and the status count on arbitrary text.
#include "RecordParser.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace clocklink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int model = data[0] % 7;
  const std::string frame(reinterpret_cast<const char*>(data + 1), size - 1);
  ParsedRecord r = parseRecordFrame(frame, model, " 1 ", "21", Today{2026, 5});
  if (r.text.empty() || (r.text[0] != '0' && r.text[0] != '1')) __builtin_trap();
  (void)statusCount(frame);
  (void)shortenCard(frame);
  return 0;
}
