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
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes the UTF-8 sequence at i into c and moves i past it; false (i unchanged) when the
// bytes there are no valid UTF-8 (a stray or overlong sequence, a surrogate, past U+10FFFF).
bool nextUtf8(std::string_view s, size_t& i, char32_t& c) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const unsigned char b = p[i];
  size_t len = 0;
  char32_t min = 0;
  if (b < 0x80) {
    c = b;
    ++i;
    return true;
  }
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
  if (len == 0 || i + len > s.size()) return false;
  for (size_t k = 1; k < len; ++k) {
    if ((p[i + k] & 0xC0) != 0x80) return false;
    c = (c << 6) | (p[i + k] & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  i += len;
  return true;
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
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    if (!nextUtf8(utf8, i, c)) {
      // One '?' per bad lead byte; continuation bytes that follow are
      // consumed by the next rounds as bad bytes of their own.
      out += '?';
      allExact = false;
      ++i;
      continue;
    }
    const int byte = toByte(c);
    if (byte < 0) {
      out += '?';
      allExact = false;
    } else {
      out += static_cast<char>(byte);
    }
  }
  if (exact) *exact = allExact;
  return out;
}

bool utf16LeToUtf8(std::string_view bytes, std::string& out) {
  out.clear();
  bool exact = bytes.size() % 2 == 0;
  const size_t n = bytes.size() / 2;
  auto unit = [&](size_t i) -> char32_t {
    return static_cast<unsigned char>(bytes[2 * i]) |
           static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
  };
  for (size_t i = 0; i < n; ++i) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
      exact = false;
    }
    appendUtf8(out, c);
  }
  return exact;
}

bool utf8ToUtf16Le(std::string_view utf8, std::string& out) {
  auto put = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    if (!nextUtf8(utf8, i, c)) return false;
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return true;
}

}  // namespace basekit
