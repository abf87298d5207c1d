// Arbitrary punch and lookup files (split at the first "\n===\n") through QCvt, in a
// temporary folder; the number formatting is checked against printf on the way.
#include "Conversion.h"
#include "V2000Cvt.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

void writeFile(const char* path, std::string_view data) {
  FILE* f = std::fopen(path, "wb");
  if (!f) std::abort();
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

const char* folder() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/fuzz_qcvt-XXXXXX";
    if (!mkdtemp(tmpl) || chdir(tmpl) != 0) std::abort();
    return std::string(tmpl);
  }();
  return dir.c_str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  folder();
  std::string_view all(reinterpret_cast<const char*>(data), size);
  if (size >= 4) {
    int32_t v;
    std::memcpy(&v, data, 4);
    char want[32];
    std::string got;
    std::snprintf(want, sizeof want, "%07d", v);
    v2000cvt::appendNumber(got, v, v < 0 ? 6 : 7);
    if (got != want) std::abort();
    got.clear();
    std::snprintf(want, sizeof want, "%2.2d", v);
    v2000cvt::appendNumber(got, v, 2);
    if (got != want) std::abort();
  }
  size_t cut = all.find("\n===\n");
  std::string_view input = all.substr(0, cut);
  std::string_view lookup =
      cut == std::string_view::npos ? std::string_view{} : all.substr(cut + 5);
  writeFile("in.txt", input);
  writeFile("BRIVANO.TXT", lookup);
  std::remove("out.txt");
  int32_t r = QCvt("in.txt", "out.txt", " ");
  if (r < -3 || r > 1 || r == -1) std::abort();
  return 0;
}
