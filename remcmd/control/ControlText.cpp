#include "ControlText.h"

#include <basekit/codepage.h>

#include <cerrno>
#include <iconv.h>

namespace remcmd {

namespace {

class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : m_cd(::iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) ::iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as it can; `bad` is called at an invalid or
  // unconvertible sequence and says how many input bytes to skip
  // (0 = give up).
  template <typename Bad>
  bool run(std::string_view in, std::string& out, Bad bad) {
    out.clear();
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char buffer[1024];
    while (left > 0) {
      char* dst = buffer;
      std::size_t room = sizeof buffer;
      const std::size_t rc = ::iconv(m_cd, &src, &left, &dst, &room);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      const std::size_t skip = bad(std::string_view(src, left), out);
      if (skip == 0 || skip > left) return false;
      src += skip;
      left -= skip;
      ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    ::iconv(m_cd, nullptr, nullptr, &dst, &room);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return true;
  }

 private:
  iconv_t m_cd;
};

// Length of the UTF-8 sequence starting at s (1 for a stray byte).
std::size_t utf8SequenceLength(std::string_view s) {
  const auto c = static_cast<unsigned char>(s[0]);
  std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (n > s.size()) n = s.size();
  for (std::size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return i;
  return n;
}

// Windows-1252 (also the ANSI code page 0) goes through basekit's table: iconv's
// CP1252 drops the five bytes Windows leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) to U+FFFD and "?", where Windows maps them to U+0081.. and back.
bool isWindows1252(uint32_t codePage) { return codePage == 0 || codePage == 1252; }

}  // namespace

std::string charsetName(uint32_t codePage) {
  switch (codePage) {
    case 0:
      return "CP1252";
    case 65001:
      return "UTF-8";
    case 20127:
      return "ASCII";
    case 28591:
      return "ISO-8859-1";
    default:
      return "CP" + std::to_string(codePage);
  }
}

bool codePageAvailable(uint32_t codePage) {
  Converter a(charsetName(codePage), "UTF-8");
  Converter b("UTF-8", charsetName(codePage));
  return a.ok() && b.ok();
}

bool utf8ToBytes(std::string_view utf8, uint32_t codePage, std::string& bytes) {
  if (isWindows1252(codePage)) {
    bytes = basekit::utf8ToCp1252(utf8);
    return true;
  }
  Converter c(charsetName(codePage), "UTF-8");
  if (!c.ok()) {
    bytes.clear();
    return false;
  }
  return c.run(utf8, bytes, [](std::string_view rest, std::string& out) {
    out.push_back('?');
    return utf8SequenceLength(rest);
  });
}

bool bytesToUtf8(std::string_view bytes, uint32_t codePage, std::string& utf8) {
  if (isWindows1252(codePage)) {
    utf8 = basekit::cp1252ToUtf8(bytes);
    return true;
  }
  Converter c("UTF-8", charsetName(codePage));
  if (!c.ok()) {
    utf8.clear();
    return false;
  }
  const bool multi = codePage == 65001;
  return c.run(bytes, utf8, [multi](std::string_view rest, std::string& out) {
    out.append("\xEF\xBF\xBD");
    return multi ? utf8SequenceLength(rest) : std::size_t{1};
  });
}

bool utf16leToUtf8(std::string_view utf16, std::string& utf8) {
  Converter c("UTF-8", "UTF-16LE");
  if (!c.ok() || utf16.size() % 2 != 0) return false;
  return c.run(utf16, utf8, [](std::string_view, std::string&) { return std::size_t{0}; });
}

bool utf8ToUtf16le(std::string_view utf8, std::string& utf16) {
  Converter c("UTF-16LE", "UTF-8");
  if (!c.ok()) return false;
  return c.run(utf8, utf16, [](std::string_view rest, std::string& out) {
    out.append("?\0", 2);
    return utf8SequenceLength(rest);
  });
}

}  // namespace remcmd
