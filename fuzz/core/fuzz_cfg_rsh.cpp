// Arbitrary bytes as RSH.CFG: the remote-shell keys load from it without crashing, and each
// key's value is a piece of the file's text.
#include "core/ClsCfgFile.h"
#include "fuzz_scratch.h"

#include <basekit/codepage.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzInputFile("RSH.CFG", data, size);
  ClsCfgFile cfg;
  cfg.Init(fuzzScratchDir() + "no-VELTA.INI");
  cfg.rshFile = path;
  cfg.LoadCfg();
  const std::string text =
      basekit::cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const char* key : {"RSHSERVER", "RSHSYSTEMNAME", "RSHUSER", "RSHPATHEVT", "rshuser", ""}) {
    const std::string v = cfg.ReadCfg(key, "\x01", path);
    if (v != "\x01" && text.find(v) == std::string::npos) std::abort();
  }
  return 0;
}
