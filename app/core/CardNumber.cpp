#include "core/CardNumber.h"

#include <cmath>
#include <cstdio>

namespace {

std::string trimBlanks(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool cardNumberOf(const std::string& text, int16_t tipoNumero, double& out) {
  const std::string t = trimBlanks(text);
  if (t.empty()) return false;
  if (tipoNumero == 2) {
    uint64_t v = 0;
    int significant = 0;
    for (char c : t) {
      const int d = hexDigit(c);
      if (d < 0) return false;
      if (significant == 0 && d == 0) continue;  // leading zeros do not count
      if (++significant > 8) return false;
      v = v * 16 + static_cast<uint64_t>(d);
    }
    out = static_cast<double>(v);
    return true;
  }
  double v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string cardNumberText(double value, int16_t tipoNumero) {
  if (!std::isfinite(value) || value < 0) return {};
  char buf[64];
  if (tipoNumero == 2 && value < 18446744073709551616.0) {
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(value));
  } else {
    std::snprintf(buf, sizeof buf, "%.0f", std::floor(value));
  }
  return buf;
}
