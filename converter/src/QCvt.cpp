// The add-in's export. Nothing runs at load time and nothing survives a call.
#include "Conversion.h"
#include "V2000Cvt.h"

extern "C" int32_t QCvt(const char* in, const char* out, const char* /*unused*/) {
  try {
    return v2000cvt::convertFiles(in, "BRIVANO.TXT", out);
  } catch (...) {
    // Only memory exhaustion can get here; the files are closed by then.
    return -3;
  }
}
