#include <basekit/inifile.h>

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/paths.h>

#include <cerrno>
#include <optional>
#include <sys/stat.h>

namespace basekit {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A line without its line end.
std::string_view body(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
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
    s.remove_prefix(1);
    const auto close = s.find(']');
    p.kind = Parsed::Section;
    p.name = trimBlanks(s.substr(0, close));
    return p;
  }
  const auto eq = s.find('=');
  if (eq == std::string_view::npos) return p;
  p.kind = Parsed::Key;
  p.name = trimBlanks(s.substr(0, eq));
  p.value = trimBlanks(s.substr(eq + 1));
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

IniDocument IniDocument::load(const std::string& path) {
  IniDocument doc;
  doc.m_path = path;
  std::string data;
  std::string error;
  if (!readWholeFile(path, data, &error)) {
    // Missing (also: a path through a non-folder) is an empty document; anything
    // else must not be overwritten by a later save.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR))
      doc.m_loadError = error;
    return doc;
  }
  std::string_view rest(data);
  if (rest.substr(0, kBom.size()) == kBom) {
    doc.m_bom = true;
    rest.remove_prefix(kBom.size());
  }
  const auto firstLf = rest.find('\n');
  if (firstLf != std::string_view::npos)
    doc.m_eol = (firstLf > 0 && rest[firstLf - 1] == '\r') ? "\r\n" : "\n";
  while (!rest.empty()) {
    const auto lf = rest.find('\n');
    const size_t n = lf == std::string_view::npos ? rest.size() : lf + 1;
    doc.m_lines.emplace_back(rest.substr(0, n));
    rest.remove_prefix(n);
  }
  return doc;
}

std::string IniDocument::toFile(std::string_view utf8) const {
  return m_bom ? std::string(utf8) : utf8ToCp1252(utf8);
}

std::string IniDocument::fromFile(std::string_view bytes) const {
  return m_bom ? std::string(bytes) : cp1252ToUtf8(bytes);
}

bool IniDocument::read(std::string_view section, std::string_view key, std::string& value) const {
  const std::string wantSection = fold(trimBlanks(section));
  const std::string wantKey = fold(trimBlanks(key));
  bool inSection = false;
  bool sectionSeen = false;
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
      hasBreak(value) || section.find(']') != std::string_view::npos)
    return false;

  const std::string wantSection = fold(section);
  const std::string wantKey = fold(key);
  const std::string newLine = toFile(key) + "=" + toFile(value) + m_eol;

  std::optional<size_t> sectionLine;
  size_t lastContent = 0;  // index after the section's last non-blank line
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const Parsed p = parse(m_lines[i]);
    if (p.kind == Parsed::Section) {
      if (sectionLine) break;
      if (fold(fromFile(p.name)) == wantSection) {
        sectionLine = i;
        lastContent = i + 1;
      }
      continue;
    }
    if (!sectionLine) continue;
    if (!trimBlanks(body(m_lines[i])).empty()) lastContent = i + 1;
    if (p.kind == Parsed::Key && fold(fromFile(p.name)) == wantKey) {
      // The stored spelling of the name stays, as a profile write keeps it; so
      // does the line end the line already had (the last line may have none).
      std::string_view old(m_lines[i]);
      const std::string_view oldEnd = old.substr(body(old).size());
      m_lines[i] = std::string(p.name) + "=" + toFile(value) + std::string(oldEnd);
      return true;
    }
  }

  auto terminateLine = [this](size_t i) {
    std::string& l = m_lines[i];
    if (!l.empty() && l.back() == '\r')
      l += '\n';  // a file cut after the CR of its last line end
    else if (l.empty() || l.back() != '\n')
      l += m_eol;
  };
  if (sectionLine) {
    terminateLine(lastContent - 1);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(lastContent), newLine);
    return true;
  }
  if (!m_lines.empty()) terminateLine(m_lines.size() - 1);
  m_lines.push_back("[" + toFile(section) + "]" + m_eol);
  m_lines.push_back(newLine);
  return true;
}

bool IniDocument::save(std::string* error, mode_t newFileMode) const {
  if (!m_loadError.empty()) {
    if (error) *error = "not saved, the file could not be read: " + m_loadError;
    return false;
  }
  std::string data;
  if (m_bom) data += kBom;
  for (const std::string& l : m_lines) data += l;
  return replaceFileAtomically(m_path, data, error, newFileMode);
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
  return doc.set(Section, KeyName, trimSpaces(KeyValue)) && doc.save();
}

}  // namespace basekit
