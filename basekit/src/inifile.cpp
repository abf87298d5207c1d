#include "fileerror.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/inifile.h>
#include <basekit/paths.h>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace basekit {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

// The profile functions trim blank, tab, VT and FF around names and values, and
// a Ctrl-Z at the end (the DOS end-of-file mark some editors still leave).
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\x1A')) s.remove_suffix(1);
  return s;
}

// Length of the line end at the end of line: CR LF, LF or a lone CR.
size_t endLength(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") return 2;
  if (!line.empty() && (line.back() == '\n' || line.back() == '\r')) return 1;
  return 0;
}

// A line without its line end.
std::string_view body(std::string_view line) {
  line.remove_suffix(endLength(line));
  return line;
}

// Case folding of ASCII and the Latin-1 letters, on UTF-8 text; enough for the
// names settings files use.
std::string fold(std::string_view utf8) {
  std::string out(utf8);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return out;
}

struct Parsed {
  enum Kind { Other, Section, Key } kind = Other;
  std::string_view name;   // section or key name, trimmed, file encoding
  std::string_view value;  // key value, trimmed, file encoding
};

Parsed parse(std::string_view line) {
  Parsed p;
  std::string_view s = trimBlanks(body(line));
  if (s.empty() || s.front() == ';') return p;
  if (s.front() == '[') {
    // The name runs to the last ']' ("[a]b]" is section "a]b"); without one the
    // line is no header and belongs to the section above it.
    const auto close = s.rfind(']');
    if (close != std::string_view::npos && close > 0) {
      p.kind = Parsed::Section;
      p.name = trimBlanks(s.substr(1, close - 1));
      return p;
    }
  }
  p.kind = Parsed::Key;
  const auto eq = s.find('=');
  if (eq == std::string_view::npos) {
    p.name = s;  // a key without '=': present, with an empty value
    return p;
  }
  p.name = trimBlanks(s.substr(0, eq));
  p.value = trimBlanks(s.substr(eq + 1));
  p.value = p.value.substr(0, p.value.find('\0'));  // the profile functions stop at a NUL
  return p;
}

bool hasBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string trimSpaces(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

}  // namespace

IniDocument IniDocument::load(const std::string& path, size_t maxBytes) {
  IniDocument doc;
  doc.m_path = path;
  std::string data;
  FileError error;
  ReadingFile file;
  if (!file.open(path, maxBytes, &error) || !file.readAll(data, &error)) {
    // Missing (also: a path through a non-folder) is an empty document; anything
    // else must not be overwritten by a later save.
    if (!error.missing()) {
      doc.m_loadError = detail::describe(error);
      doc.m_loadFailure = error;
    }
    return doc;
  }
  doc.m_loaded = file.identity();
  std::string decoded;
  std::string_view rest(data);
  if (rest.substr(0, kBom.size()) == kBom) {
    doc.m_encoding = Encoding::Utf8Bom;
    rest.remove_prefix(kBom.size());
  } else if (rest.substr(0, kUtf16Bom.size()) == kUtf16Bom) {
    // Held as UTF-8 in memory and written back as UTF-16LE; a file that would not
    // come back byte for byte is read but never written.
    doc.m_encoding = Encoding::Utf16Le;
    if (!utf16LeToUtf8(rest.substr(kUtf16Bom.size()), decoded))
      doc.m_writeRefusal = "the file is not UTF-16LE throughout";
    rest = decoded;
  }
  bool eolSeen = false;
  while (!rest.empty()) {
    // A line ends at LF, CR LF or a lone CR, as the profile functions read it.
    const auto brk = rest.find_first_of("\r\n");
    size_t n = rest.size();
    if (brk != std::string_view::npos)
      n = brk + ((rest[brk] == '\r' && brk + 1 < rest.size() && rest[brk + 1] == '\n') ? 2 : 1);
    doc.m_lines.emplace_back(rest.substr(0, n));
    if (!eolSeen && brk != std::string_view::npos) {
      doc.m_eol = std::string(rest.substr(brk, n - brk));
      eolSeen = true;
    }
    rest.remove_prefix(n);
  }
  return doc;
}

std::string IniDocument::toFile(std::string_view utf8) const {
  return m_encoding == Encoding::Ansi ? utf8ToCp1252(utf8) : std::string(utf8);
}

std::string IniDocument::fromFile(std::string_view bytes) const {
  return m_encoding == Encoding::Ansi ? cp1252ToUtf8(bytes) : std::string(bytes);
}

bool IniDocument::read(std::string_view section, std::string_view key, std::string& value) const {
  const std::string wantSection = fold(trimBlanks(section));
  const std::string wantKey = fold(trimBlanks(key));
  // Keys above the first header belong to the section whose name is empty.
  bool inSection = wantSection.empty();
  bool sectionSeen = inSection;
  for (const std::string& line : m_lines) {
    const Parsed p = parse(line);
    if (p.kind == Parsed::Section) {
      // Only the first section of that name counts.
      if (inSection) return false;
      inSection = !sectionSeen && fold(fromFile(p.name)) == wantSection;
      sectionSeen = sectionSeen || inSection;
    } else if (p.kind == Parsed::Key && inSection && fold(fromFile(p.name)) == wantKey) {
      std::string_view v = p.value;
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      value = fromFile(v);
      return true;
    }
  }
  return false;
}

bool IniDocument::hasSection() const {
  return std::any_of(m_lines.begin(), m_lines.end(),
                     [](const std::string& line) { return parse(line).kind == Parsed::Section; });
}

std::string IniDocument::get(std::string_view section, std::string_view key,
                             std::string_view def) const {
  std::string value;
  return read(section, key, value) ? value : std::string(def);
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
  section = trimBlanks(section);
  key = trimBlanks(key);
  value = trimBlanks(value);
  if (key.empty() || key.front() == ';' || key.front() == '[' ||
      key.find('=') != std::string_view::npos || hasBreak(key) || hasBreak(section) ||
      hasBreak(value) || section.find(']') != std::string_view::npos ||
      (key.find('\0') != std::string_view::npos) || section.find('\0') != std::string_view::npos ||
      value.find('\0') != std::string_view::npos)
    return false;

  const std::string wantSection = fold(section);
  const std::string wantKey = fold(key);
  const std::string newLine = toFile(key) + "=" + toFile(value) + m_eol;

  // The nameless section is the stretch above the first header.
  bool found = wantSection.empty();
  size_t lastContent = 0;  // index after the section's last non-blank line
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const Parsed p = parse(m_lines[i]);
    if (p.kind == Parsed::Section) {
      if (found) break;
      if (fold(fromFile(p.name)) == wantSection) {
        found = true;
        lastContent = i + 1;
      }
      continue;
    }
    if (!found) continue;
    if (!trimBlanks(body(m_lines[i])).empty()) lastContent = i + 1;
    if (p.kind == Parsed::Key && fold(fromFile(p.name)) == wantKey) {
      // The stored spelling of the name stays, as a profile write keeps it; so
      // does the line end the line already had (the last line may have none). A
      // key line without '=' becomes key=value here too.
      std::string_view old(m_lines[i]);
      const std::string_view oldEnd = old.substr(body(old).size());
      m_lines[i] = std::string(p.name) + "=" + toFile(value) + std::string(oldEnd);
      return true;
    }
  }

  auto terminateLine = [this](size_t i) {
    std::string& l = m_lines[i];
    if (endLength(l) == 0)
      l += m_eol;
    else if (i + 1 == m_lines.size() && l.back() == '\r' && m_eol == "\r\n")
      l += '\n';  // a file cut after the CR of its last line end
  };
  if (found) {
    if (lastContent > 0) terminateLine(lastContent - 1);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(lastContent), newLine);
    return true;
  }
  if (!m_lines.empty()) terminateLine(m_lines.size() - 1);
  m_lines.push_back("[" + toFile(section) + "]" + m_eol);
  m_lines.push_back(newLine);
  return true;
}

bool IniDocument::save(std::string* error, mode_t newFileMode,
                       std::optional<FileError>* failed) const {
  const std::string& refusal = !m_loadError.empty() ? m_loadError : m_writeRefusal;
  if (!refusal.empty()) {
    if (error) *error = "not saved, the file could not be read as it stands: " + refusal;
    if (failed) {
      failed->reset();  // a refusal of the document's form is no failure of the file
      if (!m_loadError.empty()) *failed = m_loadFailure;
    }
    return false;
  }
  std::string text;
  for (const std::string& l : m_lines) text += l;
  std::string data;
  switch (m_encoding) {
    case Encoding::Ansi:
      data = std::move(text);
      break;
    case Encoding::Utf8Bom:
      data = std::string(kBom) + text;
      break;
    case Encoding::Utf16Le:
      data = kUtf16Bom;
      if (!utf8ToUtf16Le(text, data)) {
        if (error) *error = "not saved, a value is not text that UTF-16 can hold";
        return false;
      }
      break;
  }
  // Rewritten from what was read: the new file takes the read one's mode, and replaces it only
  // while the name still refers to it.
  FileError failure;
  if (m_loaded ? replaceReadFile(m_path, *m_loaded, data, &failure)
               : replaceFileAtomically(m_path, data, &failure, newFileMode)) {
    // The next save of this document replaces the file this one wrote.
    struct stat st {};
    if (::lstat(m_path.c_str(), &st) == 0)
      m_loaded = FileIdentity{st.st_dev, st.st_ino, static_cast<mode_t>(st.st_mode & 07777)};
    return true;
  }
  if (error) *error = detail::describe(failure);
  if (failed) *failed = failure;
  return false;
}

std::string IniFile::INIRead(const std::string& Section, const std::string& KeyName,
                             const std::string& FileName, const std::string& DefaultValue) {
  const IniDocument doc = IniDocument::load(toLocalPath(FileName));
  std::string value;
  if (!doc.read(Section, KeyName, value) || value.empty() || value == "NO_SUCH_KEY")
    return DefaultValue;
  return value;
}

bool IniFile::INIWrite(const std::string& Section, const std::string& KeyName,
                       const std::string& KeyValue, const std::string& FileName) {
  IniDocument doc = IniDocument::load(toLocalPath(FileName));
  // Settings files hold passwords (VELTA.INI keeps the SAP one): a file this
  // write creates is its owner's alone.
  return doc.set(Section, KeyName, trimSpaces(KeyValue)) && doc.save(nullptr, 0600);
}

}  // namespace basekit
