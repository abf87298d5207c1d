// Registry: keys and string values in a tree of our own, kept in one text file
// (VELTA_REGISTRY_FILE, else $XDG_CONFIG_HOME/velta/registry.txt, else
// ~/.config/velta/registry.txt). Key paths match without regard to case; value
// names match exactly in Value get and without regard to case in writes and
// deletes. The four roots always exist. Every change is an atomic replace of the
// file and every call reads it afresh, so two Registry objects see each other's
// writes; a tree file that exists but cannot be read is never replaced.
//
// The one exception any basekit call throws: RegistryError, from Value(v) when
// the value could not be written.
#pragma once
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace basekit {

constexpr int32_t HKEY_CLASSES_ROOT = static_cast<int32_t>(0x80000000u);
constexpr int32_t HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u);
constexpr int32_t HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u);
constexpr int32_t HKEY_USERS = static_cast<int32_t>(0x80000003u);

class RegistryError : public std::runtime_error {
 public:
  RegistryError(std::string description, std::string messageBoxText);
  int number() const { return 26001; }
  std::string source() const { return "Basekit.cRegistry"; }
  const std::string& description() const { return m_description; }
  // The box text shown before the error when the write itself failed
  // ("ERROR #..." / "Please Exit and try again."); empty otherwise.
  const std::string& messageBoxText() const { return m_box; }

 private:
  std::string m_description;
  std::string m_box;
};

class Registry {
 public:
  int32_t ClassKey() const { return m_classKey; }
  void ClassKey(int32_t root) { m_classKey = root; }
  const std::string& SectionKey() const { return m_sectionKey; }
  void SectionKey(std::string_view path) { m_sectionKey = path; }
  const std::string& ValueKey() const { return m_valueKey; }
  void ValueKey(std::string_view name) { m_valueKey = name; }
  const std::string& Default() const { return m_default; }
  void Default(std::string_view def) { m_default = def; }

  bool KeyExists() const;
  // Value named ValueKey (exact case) under ClassKey\SectionKey, else Default.
  std::string Value() const;
  // Creates the key when needed and stores v; throws RegistryError when not written.
  void Value(std::string_view v);
  // Rows of {name, data} in creation order; cleared and 0 for a missing key.
  void EnumerateValues(std::vector<std::array<std::string, 2>>& sKeys, int16_t& iKeyCount) const;
  // Sub-key names in creation order; cleared and 0 for a missing key.
  void EnumerateSections(std::vector<std::string>& sSect, int16_t& iSectCount) const;
  bool CreateKey() const;
  // Removes ClassKey\SectionKey with all its sub-keys; false when it is missing or the write
  // failed.
  bool DeleteKey() const;
  // Removes the value named ValueKey (any letter case); false when missing or the write failed.
  bool DeleteValue() const;

  // The value last written successfully through Value(v).
  const std::string& lastWritten() const { return m_lastWritten; }

  // The file this process uses for the tree.
  static std::string storePath();

 private:
  int32_t m_classKey = 0;
  std::string m_sectionKey;
  std::string m_valueKey;
  std::string m_default;
  std::string m_lastWritten;
};

}  // namespace basekit
