// The control's saved-property stream loader on arbitrary bytes: a stream is
// either refused whole or read, and what is read survives a save and a load.
#include "PropertyStream.h"
#include "remcmd/Remcmd.h"

#include <arpa/inet.h>
#include <cstdlib>

using namespace remcmd;

namespace {
// Loading resolves host names; only texts that need no lookup are loaded.
bool needsNoLookup(const PropertyValue& v) {
  const std::string& s = std::get<std::string>(v);
  in_addr a{};
  return s.empty() || ::inet_aton(s.c_str(), &a) != 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto values = decodePropertyStream(data, size);
  if (!values) return 0;
  std::vector<uint8_t> encoded;
  if (!encodePropertyStream(*values, encoded)) std::abort();
  const auto again = decodePropertyStream(encoded.data(), encoded.size());
  if (!again || *again != *values) std::abort();
  if (needsNoLookup((*values)[0]) && needsNoLookup((*values)[6])) {
    static Remcmd control;
    control.Load(data, size);
    std::vector<uint8_t> saved;
    control.Save(saved);
    if (failed(control.Load(saved.data(), saved.size()))) std::abort();
  }
  return 0;
}
