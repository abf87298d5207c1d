#include <basekit/codepage.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <mutex>

namespace basekit {
namespace {

struct Tables {
  // Only 0x80..0x9F differ from Latin-1; encoding searches those 32 entries.
  std::array<char32_t, 256> toUnicode{};
};

// Built once through iconv; the five undefined bytes keep their C1 code points.
const Tables& tables() {
  static Tables t;
  static std::once_flag once;
  std::call_once(once, [] {
    for (int b = 0; b < 256; ++b) t.toUnicode[b] = static_cast<char32_t>(b);
    iconv_t cd = iconv_open("UTF-32LE", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    for (int b = 0x80; b < 0xA0; ++b) {
      char in = static_cast<char>(b);
      unsigned char out[4] = {};
      char* ip = &in;
      char* op = reinterpret_cast<char*>(out);
      size_t il = 1, ol = 4;
      if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && ol == 0)
        t.toUnicode[b] = static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
  });
  return t;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int toByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  const Tables& t = tables();
  for (int b = 0x80; b < 0xA0; ++b)
    if (t.toUnicode[b] == c) return b;
  return -1;
}

}  // namespace

std::string cp1252ToUtf8(std::string_view bytes) {
  const Tables& t = tables();
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char b : bytes) appendUtf8(out, t.toUnicode[b]);
  return out;
}

std::string utf8ToCp1252(std::string_view utf8, bool* exact) {
  bool allExact = true;
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    size_t len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b & 0xE0) == 0xC0) {
      len = 2;
      c = b & 0x1F;
      min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      c = b & 0x0F;
      min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      c = b & 0x07;
      min = 0x10000;
    }
    bool valid = len != 0 && i + len <= n;
    for (size_t k = 1; valid && k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80)
        valid = false;
      else
        c = (c << 6) | (p[i + k] & 0x3F);
    }
    if (valid && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
    if (!valid) {
      // One '?' per bad lead byte; continuation bytes that follow are
      // consumed by the next rounds as bad bytes of their own.
      out += '?';
      allExact = false;
      ++i;
      continue;
    }
    int byte = toByte(c);
    if (byte < 0) {
      out += '?';
      allExact = false;
    } else {
      out += static_cast<char>(byte);
    }
    i += len;
  }
  if (exact) *exact = allExact;
  return out;
}

}  // namespace basekit
