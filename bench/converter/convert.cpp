// Converter throughput: a large site's day (1,000,000 punches, 100,000 lookup lines).
#include "V2000Cvt.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

int main() {
  constexpr int kPunches = 1000000, kCards = 100000;
  char tmpl[] = "/tmp/convert-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::filesystem::path dir = tmpl, old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  {
    std::ofstream lookup("BRIVANO.TXT", std::ios::binary);
    char line[64];
    for (int i = 0; i < kCards; ++i) {
      std::snprintf(line, sizeof line, "%05d C%05d\r\n", i + 1, i);
      lookup << line;
    }
    std::ofstream punches("REGIS.MIR", std::ios::binary);
    for (int i = 0; i < kPunches; ++i) {
      // About 1% of the cards are not in the lookup file, so error lines are written too.
      int card = static_cast<int>((int64_t{i} * 7919) % (kCards + 1000)) + 1;
      std::snprintf(line, sizeof line, "%08d %02d/%02d/2024 %02d:%02d 0%d %02d\r\n", card,
                    i % 28 + 1, i % 12 + 1, i % 24, i % 60, i % 10, i % 2 ? 20 : 1);
      punches << line;
    }
  }
  auto start = std::chrono::steady_clock::now();
  int32_t result = QCvt("REGIS.MIR", "CVT_REGIS.MIR", " ");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
  std::printf("result %d in %.3f s\n", result, seconds);
  std::printf("convert: %.0f lines/s\n", kPunches / seconds);
  return result == 0 || result == 1 ? 0 : 1;
}
