#include "fileerror.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>
#include <basekit/registry.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace basekit {
namespace {

// File layout: one "[root\path]" line per key (root as 8 hex digits), followed by
// its "name=data" lines; keys appear parent first, in creation order. Characters
// that would break the layout are written as %XX.
struct Key {
  std::string name;
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<std::unique_ptr<Key>> children;
};

struct Tree {
  std::vector<std::pair<uint32_t, std::unique_ptr<Key>>> roots;

  Key* root(uint32_t handle, bool create) {
    for (auto& [h, k] : roots)
      if (h == handle) return k.get();
    if (!create) return nullptr;
    roots.emplace_back(handle, std::make_unique<Key>());
    return roots.back().second.get();
  }
};

bool validRoot(int32_t root) {
  return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE ||
         root == HKEY_USERS;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::vector<std::string> splitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const auto bs = path.find('\\', start);
    const size_t end = bs == std::string_view::npos ? path.size() : bs;
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

Key* child(Key* k, std::string_view name, bool create) {
  const std::string want = lower(name);
  for (auto& c : k->children)
    if (lower(c->name) == want) return c.get();
  if (!create) return nullptr;
  k->children.push_back(std::make_unique<Key>());
  k->children.back()->name = std::string(name);
  return k->children.back().get();
}

std::string escape(std::string_view s, bool inPath) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const bool edge = (i == 0 || i + 1 == s.size()) && (c == ' ' || c == '\t');
    if (c < 0x20 || c == '%' || c == '=' || c == '[' || c == ']' || c == ';' || edge ||
        (inPath && c == '\\')) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string unescape(std::string_view s) {
  auto hexval = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() + 0 && hexval(s[i + 1]) >= 0 && hexval(s[i + 2]) >= 0) {
      out += static_cast<char>(hexval(s[i + 1]) * 16 + hexval(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

Tree parseTree(const std::string& text) {
  Tree t;
  Key* cur = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    auto lf = text.find('\n', pos);
    if (lf == std::string::npos) lf = text.size();
    std::string_view line(text.data() + pos, lf - pos);
    pos = lf + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      const auto parts = splitPath(line.substr(1, line.size() - 2));
      cur = nullptr;
      if (parts.empty()) continue;
      char* end = nullptr;
      const unsigned long h = std::strtoul(parts[0].c_str(), &end, 16);
      if (end == parts[0].c_str() || *end != '\0' || h > 0xFFFFFFFFul ||
          !validRoot(static_cast<int32_t>(h)))
        continue;
      cur = t.root(static_cast<uint32_t>(h), true);
      for (size_t i = 1; i < parts.size(); ++i) cur = child(cur, unescape(parts[i]), true);
      continue;
    }
    const auto eq = line.find('=');
    if (cur && eq != std::string_view::npos)
      cur->values.emplace_back(unescape(line.substr(0, eq)), unescape(line.substr(eq + 1)));
  }
  return t;
}

void writeKey(std::string& out, const std::string& path, const Key& k) {
  out += "[" + path + "]\n";
  for (const auto& [n, v] : k.values) out += escape(n, false) + "=" + escape(v, false) + "\n";
  for (const auto& c : k.children) writeKey(out, path + "\\" + escape(c->name, true), *c);
}

std::string formatTree(const Tree& t) {
  std::string out = "; Velta key tree\n";
  for (const auto& [h, k] : t.roots) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", h);
    writeKey(out, buf, *k);
  }
  return out;
}

// Holds the tree file's lock for one read-modify-write, so two processes that
// register at once do not lose each other's keys.
class Session {
 public:
  // The key tree holds a few registrations (names and values of at most 255
  // characters each); a file many times larger than any real tree is refused.
  static constexpr size_t kMaxTreeBytes = size_t{16} << 20;

  explicit Session(bool forWrite) : m_path(Registry::storePath()) {
    if (forWrite) detail::makeFolders(m_path);
    const std::string lockPath = m_path + ".lock";
    // Never through a symbolic link: a planted link must not make us create the file it names.
    FileError lockFailure;
    const auto mode = forWrite ? LockFile::Mode::Exclusive : LockFile::Mode::Shared;
    if (m_lock.lock(lockPath, mode, LockFile::Wait::UntilFree, &lockFailure) !=
            LockFile::Result::Locked &&
        forWrite && lockFailure.kind != FileFault::System) {
      m_lockError = "cannot lock " + detail::describe(lockFailure);
      m_lockErrno = detail::errnoOf(lockFailure);
    }
    std::string text;
    FileError error;
    ReadingFile file;
    if (file.open(m_path, kMaxTreeBytes, &error) && file.readAll(text, &error)) {
      tree = parseTree(text);
      m_read = file.identity();
    } else {
      // A missing file is an empty tree; one that exists but cannot be read must
      // not be replaced by a tree holding only this call's change.
      if (!error.missing()) {
        m_readError = detail::describe(error);
        m_readErrno = detail::errnoOf(error);
      }
    }
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool save(std::string* error) {
    if (!m_lockError.empty()) {
      if (error) *error = "not saved, " + m_lockError;
      errno = m_lockErrno;
      return false;
    }
    if (!m_readError.empty()) {
      if (error) *error = "not saved, the key tree could not be read: " + m_readError;
      errno = m_readErrno;
      return false;
    }
    // Rewritten from the tree read: only that very file is replaced, with its mode.
    FileError failure;
    if (m_read ? replaceReadFile(m_path, *m_read, formatTree(tree), &failure)
               : replaceFileAtomically(m_path, formatTree(tree), &failure, 0600))
      return true;
    if (error) *error = detail::describe(failure);
    errno = detail::errnoOf(failure);
    return false;
  }

  // The key at root\path; nullptr for an unknown root, or a missing key when create is false.
  Key* find(int32_t root, std::string_view path, bool create) {
    if (!validRoot(root)) return nullptr;
    // The roots always exist, as they do on the platform, written to or not.
    Key* k = tree.root(static_cast<uint32_t>(root), true);
    for (const auto& part : splitPath(path)) {
      if (!k) return nullptr;
      k = child(k, part, create);
    }
    return k;
  }

  Tree tree;

 private:
  std::string m_path;
  std::string m_readError;
  std::string m_lockError;
  int m_readErrno = 0;
  int m_lockErrno = 0;
  std::optional<FileIdentity> m_read;  // the file the tree was read from (none: it was missing)
  LockFile m_lock;
};

}  // namespace

RegistryError::RegistryError(std::string description, std::string messageBoxText)
    : std::runtime_error(description),
      m_description(std::move(description)),
      m_box(std::move(messageBoxText)) {}

std::string Registry::storePath() {
  if (const char* p = std::getenv("VELTA_REGISTRY_FILE"); p && *p) return p;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
    return std::string(x) + "/velta/registry.txt";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/velta/registry.txt";
}

bool Registry::KeyExists() const {
  Session s(false);
  return s.find(m_classKey, m_sectionKey, false) != nullptr;
}

std::string Registry::Value() const {
  Session s(false);
  if (const Key* k = s.find(m_classKey, m_sectionKey, false))
    for (const auto& [n, v] : k->values)
      if (n == m_valueKey) return v;
  return m_default;
}

void Registry::Value(std::string_view v) {
  std::string box;
  bool written = false;
  {
    Session s(true);
    if (Key* k = s.find(m_classKey, m_sectionKey, true)) {
      bool replaced = false;
      for (auto& [n, old] : k->values)
        if (lower(n) == lower(m_valueKey)) {  // value names are one name regardless of case
          old = std::string(v);
          replaced = true;
          break;
        }
      if (!replaced) k->values.emplace_back(m_valueKey, std::string(v));
      std::string error;
      written = s.save(&error);
      if (!written) {
        const int err = errno;
        box = "ERROR #" + std::to_string(err) + " : " + error + "\rPlease Exit and try again.";
      }
    }
  }
  if (written) {
    m_lastWritten = std::string(v);
    return;
  }
  throw RegistryError("Failed To Set registry value Key: '" + std::to_string(m_classKey) +
                          "',Section: '" + m_sectionKey + "',Key: '" + m_valueKey +
                          "' to value: '" + std::string(v) + "'",
                      box);
}

void Registry::EnumerateValues(std::vector<std::array<std::string, 2>>& sKeys,
                               int16_t& iKeyCount) const {
  sKeys.clear();
  iKeyCount = 0;
  Session s(false);
  if (const Key* k = s.find(m_classKey, m_sectionKey, false))
    for (const auto& [n, v] : k->values) sKeys.push_back({n, v});
  iKeyCount = static_cast<int16_t>(sKeys.size());
}

void Registry::EnumerateSections(std::vector<std::string>& sSect, int16_t& iSectCount) const {
  sSect.clear();
  iSectCount = 0;
  Session s(false);
  if (const Key* k = s.find(m_classKey, m_sectionKey, false))
    for (const auto& c : k->children) sSect.push_back(c->name);
  iSectCount = static_cast<int16_t>(sSect.size());
}

bool Registry::CreateKey() const {
  Session s(true);
  if (!s.find(m_classKey, m_sectionKey, true)) return false;
  return s.save(nullptr);
}

bool Registry::DeleteKey() const {
  Session s(true);
  const auto parts = splitPath(m_sectionKey);
  if (parts.empty())  // a root is not deleted
    return false;
  std::string parentPath;
  for (size_t i = 0; i + 1 < parts.size(); ++i) parentPath += parts[i] + "\\";
  Key* parent = s.find(m_classKey, parentPath, false);
  if (!parent) return false;
  const std::string want = lower(parts.back());
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it)
    if (lower((*it)->name) == want) {
      parent->children.erase(it);
      return s.save(nullptr);
    }
  return false;
}

bool Registry::DeleteValue() const {
  Session s(true);
  Key* k = s.find(m_classKey, m_sectionKey, false);
  if (!k) return false;
  for (auto it = k->values.begin(); it != k->values.end(); ++it)
    if (lower(it->first) ==
        lower(m_valueKey)) {  // one name regardless of case, as Value(v) writes it
      k->values.erase(it);
      return s.save(nullptr);
    }
  return false;
}

}  // namespace basekit
