// Helpers the store tests share: building records byte by byte from the layouts (so the
// fixtures never come from the code under test) and reading and writing whole files.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace storefixture {

// Little-endian packed fields, blank-padded text, as the store files hold them.
struct Bytes {
  std::string b;
  Bytes& i16(int v) {
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
    return *this;
  }
  Bytes& i32(int32_t v) {
    for (int k = 0; k < 4; ++k) b += char((uint32_t(v) >> (8 * k)) & 0xFF);
    return *this;
  }
  Bytes& f64(double v) {
    char x[8];
    std::memcpy(x, &v, 8);
    b.append(x, 8);
    return *this;
  }
  Bytes& s(const std::string& t, size_t w) {
    std::string x = t;
    x.resize(w, ' ');
    b += x;
    return *this;
  }
};

inline std::string readFile(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

inline void writeFile(const std::string& p, const std::string& d) {
  std::ofstream(p, std::ios::binary) << d;
}

}  // namespace storefixture
