// The INI engine (private-profile semantics: names match without regard to case,
// the first match wins, every untouched line is kept byte for byte, writes
// create the file, section and key) and the IniFile object built on it.
//
// Files read as the Windows profile functions read them: LF, CR LF and a lone CR
// end a line; "[name]" is a header only with its closing bracket, and the name
// runs to the last ']' of the line; keys above the first header belong to the
// section whose name is empty; a line without '=' is a key with an empty value;
// blank, tab, VT and FF are trimmed around names and values, and a trailing
// Ctrl-Z too; a value ends at a NUL; a UTF-16LE file (BOM FF FE) is text.
//
// Where this engine differs from them, on purpose:
// - values are never cut to 254 characters;
// - a name or value that cannot live on one line (a line break or NUL anywhere,
//   '=' or a leading '[' or ';' in a key, ']' in a section, an empty key) is
//   refused, not written torn;
// - every write replaces the whole file atomically, and a file that could not
//   be read, or a UTF-16 file that would not come back byte for byte, is never
//   written;
// - INIWrite gives true when the write succeeded, and a file it creates is
//   readable by its owner only.
#pragma once

#include <basekit/plainfile.h>

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace basekit {

class IniDocument {
 public:
  IniDocument() = default;
  // Profile files hold a few hundred keys at most; a larger file is refused.
  static constexpr size_t kMaxFileBytes = size_t{4} << 20;

  // A missing file gives an empty document. An existing file that cannot be
  // read, or is larger than maxBytes, also gives an empty document, but one
  // that refuses to save, so its content is never overwritten.
  static IniDocument load(const std::string& path, size_t maxBytes = kMaxFileBytes);

  // Values in and out are UTF-8. Blanks around the value and one pair of
  // matching surrounding quotes are removed. A key line without '=' reads as "".
  bool read(std::string_view section, std::string_view key, std::string& value) const;
  std::string get(std::string_view section, std::string_view key, std::string_view def) const;

  // Replaces the key's line in place (the stored name keeps its spelling), or
  // appends the key at the end of its section, or the section at the end of the
  // document. False (and nothing changed) for names or values that cannot be
  // stored on one line: a line break anywhere, '=' in a key, ']' in a section,
  // an empty key.
  bool set(std::string_view section, std::string_view key, std::string_view value);

  // One atomic replace of the whole file, in the encoding it was read in. A new
  // file gets newFileMode less the umask. A failure of the file (the load's, or the replace's)
  // is handed back in *failed; it is left empty for a document refused for its form.
  bool save(std::string* error = nullptr, mode_t newFileMode = 0666,
            std::optional<FileError>* failed = nullptr) const;

  // True when some line is a section header, read by the same line and header rules as the
  // keys (a lone CR ends a line too, UTF-16 files decoded).
  bool hasSection() const;

  const std::string& path() const { return m_path; }
  // False when the file existed but could not be read (or was too large).
  bool loadedOk() const { return m_loadError.empty(); }
  // Why it could not be read; "" after a good load or for a missing file.
  const std::string& loadError() const { return m_loadError; }
  // That failure (none after a good load or for a missing file).
  const FileError& loadFailure() const { return m_loadFailure; }

 private:
  std::string toFile(std::string_view utf8) const;
  std::string fromFile(std::string_view bytes) const;

  enum class Encoding { Ansi, Utf8Bom, Utf16Le };

  std::string m_path;
  std::string m_loadError;
  FileError m_loadFailure;
  // The file loaded (none when it was missing): a save replaces only that very file.
  mutable std::optional<FileIdentity> m_loaded;
  std::string m_writeRefusal;  // why a readable file must still not be written
  Encoding m_encoding = Encoding::Ansi;
  std::string m_eol = "\r\n";
  std::vector<std::string>
      m_lines;  // raw bytes, each with its own line end (the last may lack one)
};

// The object the settings code calls: one read or one write of a key per call.
class IniFile {
 public:
  // Missing file, section or key, an empty value and the stored text
  // "NO_SUCH_KEY" all give DefaultValue.
  std::string INIRead(const std::string& Section, const std::string& KeyName,
                      const std::string& FileName, const std::string& DefaultValue);
  // Stores the value without surrounding blanks; true when the write succeeded.
  bool INIWrite(const std::string& Section, const std::string& KeyName, const std::string& KeyValue,
                const std::string& FileName);
};

}  // namespace basekit
