// V2000Cvt: the converter add-in's one export. The main program loads the library by name
// and binds QCvt with dlsym; the type below is what it casts the symbol to.
#pragma once
#include <cstdint>

extern "C" {
// Converts the card-first punch file `in` into customer lines appended to `out`, looking
// cards up in BRIVANO.TXT of the current directory. `unused` is never read.
// 1 all cards found, 0 some error lines, -1 open failure, -2 malformed line, -3 file failure.
__attribute__((visibility("default"))) int32_t QCvt(const char* in, const char* out,
                                                    const char* unused);
using QCvtFunction = int32_t (*)(const char*, const char*, const char*);
}
