#include "core/ClsCfgFile.h"

#include "core/Basic.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/StoreRows.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/inifile.h>
#include <basekit/plainfile.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// One stored setting: where it lives, its INI default and the member it fills.
struct Row {
  const char* section;
  const char* key;
  const char* iniDefault;
  int16_t* i16 = nullptr;
  int32_t* i32 = nullptr;
  std::string* text = nullptr;
};

// Rows 0 to 38 and the skin colour, in table order.
std::vector<Row> storedRows(ClsCfgFile& c) {
  return {
      {"COMMON", "VERSION", "2", &c.Version},
      {"COMMON", "AUTO", "0", &c.Auto},
      {"COMMON", "FFECHA", "dd\\/mm\\/YYYY", nullptr, nullptr, &c.formatoFecha},
      {"COMMON", "PORPROGRAMA", "0", &c.PorPrograma},
      {"COMMON", "HORA", "0", &c.Hora},
      {"COMMON", "MINUTOS", "0", &c.Minutos},
      {"COMMON", "RELOJACTIVO", "1", &c.RelojActivo},
      {"COMMON", "LONGTARJETA", "5", &c.LongTarjeta},
      {"COMMON", "LONGTOUCH", "0", &c.LongTouch},
      {"COMMON", "TIMEOUT", "1", &c.TimeOut},
      {"COMMON", "TIMEOUTMODEM", "45", &c.TimeOutModem},
      {"COMMON", "LENGUAJE", "0", &c.LENGUAJE},
      {"COMMON", "AUTODIAS", "11111111", nullptr, nullptr, &c.AutoDias},
      {"COMMON", "BACKUP", "0", &c.Backup},
      {"COMMON", "MULTIEMPRESA", "0", &c.MultiEmpresa},
      {"COMMON", "MODEMDRIVER", "", nullptr, nullptr, &c.ModemDriver},
      {"COMMON", "MODOVIRTUAL", "0", &c.ModoVirtual},
      {"COMMON", "MODOLEGAJO", "0", &c.ModoLegajo},
      {"COMMON", "CONVERTIR", "0", &c.Convertir},
      {"COMMON", "FRECONLINE", "1", nullptr, &c.FrecOnline},
      {"COMMON", "FRECAUTO", "0", nullptr, &c.FrecAuto},
      {"COMMON", "ELIMINARDUPLICADOS", "0", &c.EliminarDuplicados},
      {"COMMON", "MAXCONSOLE", "200", &c.MaxConsole},
      {"ODBC", "cboDSNList", "0", &c.cboDSNList},
      {"ODBC", "txtUID", "", nullptr, nullptr, &c.txtUID},
      {"ODBC", "txtpwd", "", nullptr, nullptr, &c.txtPWD},
      {"ODBC", "txtDatabase", "", nullptr, nullptr, &c.txtDatabase},
      {"ODBC", "cboDrivers", "-1", &c.cboDrivers},
      {"ODBC", "txtServer", "", nullptr, nullptr, &c.txtServer},
      {"ODBC", "ODBCString", "", nullptr, nullptr, &c.ODBCString},
      {"SAP", "SAPEnabled", "0", &c.SAPEnabled},
      {"SAP", "SAPUsername", "", nullptr, nullptr, &c.SAPUsername},
      {"SAP", "SAPPassword", "", nullptr, nullptr, &c.SAPPassword},
      {"SAP", "SAPUrl", "", nullptr, nullptr, &c.SAPUrl},
      {"SAP", "SAPpath", "", nullptr, nullptr, &c.SAPpath},
      {"SAP", "SAPProxy", "", nullptr, nullptr, &c.SAPProxy},
      {"SAP", "SAPRemotePort", "21", &c.SAPRemotePort},
      {"SAP", "SAPTransferBinary", "0", &c.SAPTransferBinary},
      {"SAP", "SAPModoPasivo", "0", &c.SAPModoPasivo},
      {"SKIN", "skinBorderColor", "8388608", nullptr, &c.SkinBorderColor},
  };
}
constexpr size_t kLegacyItems = 39;  // rows 0 to 38

// Stores a number read from a file; a text that is no number of the row's type takes the
// row's INI default (strict: whole text numeric; else the leading numeric value).
void storeNumber(const Row& r, const std::string& text, bool strict) {
  if (r.i16) {
    auto v = strict ? basic::ParseInteger(text) : basic::ToInteger(basic::Val(text));
    // The FTP port is unsigned: 0..65535 as written by hand, or the negative 16-bit form the
    // configuration dialog stores, is the same port.
    if (!v && std::string_view(r.key) == "SAPRemotePort") {
      const auto wide = strict ? basic::ParseLong(text) : basic::ToLong(basic::Val(text));
      if (wide && *wide >= 0 && *wide <= 65535)
        v = static_cast<int16_t>(static_cast<uint16_t>(*wide));
    }
    *r.i16 = v ? *v : basic::ParseInteger(r.iniDefault).value_or(0);
  } else if (r.i32) {
    auto v = strict ? basic::ParseLong(text) : basic::ToLong(basic::Val(text));
    *r.i32 = v ? *v : basic::ParseLong(r.iniDefault).value_or(0);
  }
}

// Whole text file of at most maxBytes, Windows-1252 on disk, UTF-8 in memory.
bool readText(const std::string& path, std::string& out, size_t maxBytes,
              basekit::FileError* error = nullptr) {
  std::string bytes;
  if (!basekit::readWholeFile(path, bytes, error, maxBytes)) return false;
  out = basekit::cp1252ToUtf8(bytes);
  return true;
}

// Items of a sequential text file: each ends at a comma or a line end; an item that starts
// with a double quote is taken up to the closing quote, without the quotes.
std::vector<std::string> splitItems(const std::string& data) {
  std::vector<std::string> items;
  size_t i = 0;
  const size_t n = data.size();
  while (i < n) {
    std::string item;
    size_t j = i;
    while (j < n && data[j] == ' ') ++j;
    if (j < n && data[j] == '"') {
      size_t end = data.find('"', j + 1);
      if (end == std::string::npos) end = n;
      item = data.substr(j + 1, end - j - 1);
      i = end + 1;
      while (i < n && data[i] != ',' && data[i] != '\n') ++i;
    } else {
      while (i < n && data[i] != ',' && data[i] != '\n') item += data[i++];
      if (!item.empty() && item.back() == '\r') item.pop_back();
    }
    if (i < n) ++i;
    items.push_back(item);
  }
  return items;
}

std::string rowText(const Row& r) { return r.text ? *r.text : basic::Str(r.i16 ? *r.i16 : *r.i32); }

// The older form as its writer left it: plain text (no control characters but tab and line
// ends, a trailing Ctrl-Z allowed) whose items (at most one per stored row) begin with the
// format number. Anything else (empty, binary, other text) is no settings file we know.
bool looksLegacy(const std::string& text) {
  std::string body = text;
  while (!body.empty() && body.back() == '\x1a') body.pop_back();
  for (unsigned char c : body)
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f) return false;
  std::vector<std::string> items = splitItems(body);
  while (!items.empty() && basic::Trim(items.back()).empty()) items.pop_back();
  if (items.empty() || items.size() > kLegacyItems) return false;
  return basic::IsNumeric(basic::Trim(items[0]));
}

// Value of key in the items of a key=value file, as ReadCfg finds it; def when absent.
std::string itemValue(const std::vector<std::string>& items, const std::string& key,
                      const std::string& def) {
  const std::string want = basic::UCase(key) + "=";
  for (const std::string& item : items) {
    if (basic::UCase(item).find(want) == std::string::npos) continue;
    // Cut as if the key began the item.
    return item.size() > key.size() + 1 ? item.substr(key.size() + 1) : std::string();
  }
  return def;
}

// The INI text of the stored rows, in table order (VERSION at least 2: INI form).
std::string iniText(const std::vector<Row>& rows, int16_t version) {
  std::string out;
  const char* section = "";
  for (const Row& r : rows) {
    if (std::string(section) != r.section) {
      section = r.section;
      out += std::string(out.empty() ? "" : "\r\n") + "[" + section + "]\r\n";
    }
    std::string value = &r == &rows[0] ? basic::Str(std::max<int16_t>(version, 2)) : rowText(r);
    out += std::string(r.key) + "=" + basic::Trim(value) + "\r\n";
  }
  return basekit::utf8ToCp1252(out);
}

// A relative name as a full path in the current folder, so a refusal names the file plainly.
std::string inCurrentFolder(const std::string& name) {
  if (name.empty() || name[0] == '/') return name;
  std::string cwd(4096, '\0');
  if (!::getcwd(cwd.data(), cwd.size())) return name;
  return std::string(cwd.c_str()) + "/" + name;
}

// The settings hold a password in plain text: the file is its owner's alone, whatever mode it
// had. Set on the descriptor, so a save (which keeps a file's mode) writes 0600; a file of a
// second name is another file's too, and its save is refused anyway.
void keepOwnerOnly(const basekit::ReadingFile& file) {
  struct stat st {};
  if (file.isOpen() && ::fstat(file.fd(), &st) == 0 && st.st_nlink == 1 &&
      (st.st_mode & 07777) != 0600)
    (void)::fchmod(file.fd(), 0600);
}

void keepOwnerOnly(const std::string& path) {
  basekit::ReadingFile file;
  if (file.open(path)) keepOwnerOnly(file);
}

// The failed save's text: the file's reason when the file failed; a file refused as it stands
// (a value its encoding cannot hold) is an error in the settings file.
std::string saveFailure(const std::string& path, const std::optional<basekit::FileError>& failure) {
  return GetExtraMsg(ExtraMsg::SaveFailed, {path, failure ? fileReason(*failure) : GetMsg(311)});
}

}  // namespace

// ---------------------------------------------------------------------------------------

void ClsCfgFile::Init(const std::string& path) { path_ = path; }

void ClsCfgFile::setStartup() {
  ClsCfgFile fresh;
  fresh.path_ = path_;
  fresh.rshFile = rshFile;
  fresh.tmpFTPFileName = tmpFTPFileName;
  fresh.tmpFTPFilePath = tmpFTPFilePath;
  fresh.tmpReturnValue = tmpReturnValue;
  fresh.tmpLst = tmpLst;
  // The RSH rows get no start-up value of their own; the read sets them.
  fresh.RSHEnabled = RSHEnabled;
  fresh.RSHServer = RSHServer;
  fresh.RSHSystemName = RSHSystemName;
  fresh.RSHSystemNumber = RSHSystemNumber;
  fresh.RSHUser = RSHUser;
  fresh.RSHPathEvt = RSHPathEvt;
  *this = fresh;
}

int16_t ClsCfgFile::LoadCfg() {
  setStartup();
  std::string text;
  basekit::FileError error;
  if (!path_.empty()) {
    if (readText(path_, text, kMaxSettingsBytes, &error)) {
      // A file with a "[section]" line, as the INI engine reads lines, is in INI form
      // whatever its VERSION says.
      const basekit::IniDocument doc = basekit::IniDocument::load(path_, kMaxSettingsBytes);
      if (!doc.loadedOk()) {  // changed since it was looked at
        settingsRefused_ = true;
        noteRefusal(fileFailure(doc.loadFailure()));
      } else if (doc.hasSection()) {
        loadIni(doc);
        // An unattended station never saves its settings: a password read from a file others
        // may read goes to its owner alone now, as a save would do.
        if (holdsPassword()) keepOwnerOnly(path_);
      } else if (looksLegacy(text)) {
        loadLegacy(text);
      } else {
        unrecognised_ = true;
      }
    } else if (!error.missing()) {
      settingsRefused_ = true;
      noteRefusal(fileFailure(error));
    }
  }
  loadRsh();
  // Only the three offsets are languages: any other value, hand-edited or torn, would blank
  // every caption of every window, so it reads as Spanish as an unreadable one does.
  if (LENGUAJE != 0 && LENGUAJE != 1000 && LENGUAJE != 2000) LENGUAJE = 0;
  return 0;
}

void ClsCfgFile::noteRefusal(const std::string& why) {
  if (!loadError_.empty()) loadError_ += "\n";
  loadError_ += why;
}

void ClsCfgFile::loadIni(const basekit::IniDocument& doc) {
  // One read of the file for all keys, with the profile read's rules: a missing key, an empty
  // value and the text NO_SUCH_KEY give the row's default.
  for (const Row& r : storedRows(*this)) {
    std::string v;
    if (!doc.read(r.section, r.key, v) || v.empty() || v == "NO_SUCH_KEY") v = r.iniDefault;
    if (r.text)
      *r.text = v;
    else
      storeNumber(r, v, true);
  }
}

void ClsCfgFile::loadLegacy(const std::string& text) {
  std::vector<std::string> items = splitItems(text);
  std::vector<Row> rows = storedRows(*this);
  for (size_t i = 0; i < kLegacyItems && i < items.size(); ++i) {
    // The INI form holds no line break or NUL in a value: a text stops there, in memory as
    // in the file that replaces this one.
    const std::string_view whole = items[i];
    std::string item =
        basic::Trim(whole.substr(0, whole.find_first_of(std::string_view("\r\n\0", 3))));
    if (rows[i].text)
      *rows[i].text = item;
    else
      storeNumber(rows[i], item, false);
  }
  // Retire the legacy file: keep a synced copy first, then put the INI form of the values
  // in its place, so it is never read as legacy again. Without a good copy it stays as it was.
  // The copy holds what the file held, passwords included: its owner's alone.
  // Rewritten from the one descriptor read: only that very file is replaced, with its mode.
  basekit::ReadingFile file;
  if (!file.open(path_, kMaxSettingsBytes) || !storefile::copyOpenedFile(file, path_ + "old", 0600))
    return;
  if (holdsPassword()) keepOwnerOnly(file);
  (void)basekit::replaceReadFile(file, iniText(rows, Version));
}

bool ClsCfgFile::holdsPassword() const { return !SAPPassword.empty() || !txtPWD.empty(); }

void ClsCfgFile::loadRsh() {
  struct RshRow {
    const char* key;
    const char* def;
    std::string* text;
  };
  const RshRow rows[] = {{"RSHSERVER", kRshServerDefault, &RSHServer},
                         {"RSHSYSTEMNAME", "R3P", &RSHSystemName},
                         {"RSHSYSTEMNUMBER", "00", &RSHSystemNumber},
                         {"RSHUSER", "hrmarca", &RSHUser},
                         {"RSHPATHEVT", "/usr/sap/R3P/SYS/exe/run/", &RSHPathEvt}};
  // One read for all keys. Whatever is there under the name is RSH.CFG: one that cannot be
  // read (a folder, a FIFO, a file far too large) gives every key its default and is refused,
  // never passed over for the INI's section.
  const std::string rsh = inCurrentFolder(rshFile);
  std::string data;
  basekit::FileError error;
  const bool read = readText(rsh, data, kMaxRshBytes, &error);
  if (read || !error.missing()) {
    std::vector<std::string> items;
    if (read)
      items = splitItems(data);
    else
      noteRefusal(fileFailure(error));
    RSHEnabled = basic::ToInteger(basic::Val(itemValue(items, "RSHENABLED", "0"))).value_or(0);
    for (const RshRow& r : rows) *r.text = itemValue(items, r.key, r.def);
  } else {
    const basekit::IniDocument doc = basekit::IniDocument::load(path_, kMaxSettingsBytes);
    auto read = [&doc](const char* key, const char* def) {
      std::string v;
      if (!doc.read("RSH", key, v) || v.empty() || v == "NO_SUCH_KEY") v = def;
      return v;
    };
    RSHEnabled = basic::ParseInteger(read("RSHENABLED", "0")).value_or(0);
    for (const RshRow& r : rows) *r.text = read(r.key, r.def);
  }
}

StoreResult ClsCfgFile::SaveCfg() {
  // One load, every key set in place, one atomic write: lines this object does not own stay.
  // A file of no known form holds no line worth keeping: it is replaced by the INI text.
  lastSaveError_.clear();
  // With a password in the settings the file goes to its owner alone before it is written,
  // and once more after (a file of another owner is written anew, with its old mode).
  const bool secret = holdsPassword();
  if (secret) keepOwnerOnly(path_);
  if (unrecognised_) {
    basekit::FileError failure;
    if (basekit::replaceFileAtomically(path_, iniText(storedRows(*this), Version), &failure, 0600))
      unrecognised_ = false;
    else
      lastSaveError_ = saveFailure(path_, failure);
  } else {
    basekit::IniDocument doc = basekit::IniDocument::load(path_, kMaxSettingsBytes);
    for (const Row& r : storedRows(*this)) doc.set(r.section, r.key, basic::Trim(rowText(r)));
    std::string detail;
    std::optional<basekit::FileError> failure;
    if (!doc.save(&detail, 0600, &failure)) lastSaveError_ = saveFailure(path_, failure);
  }
  if (!lastSaveError_.empty()) return StoreResult::failed(StoreFailure::WriteFailed);
  if (secret) keepOwnerOnly(path_);
  return StoreResult::written();
}

StoreResult ClsCfgFile::SaveCfgOnClose() {
  lastSaveError_.clear();
  if (unrecognised_ || settingsRefused_) return StoreResult::written();
  return SaveCfg();
}

std::string ClsCfgFile::ReadCfg(const std::string& key, const std::string& def,
                                const std::string& pFile) {
  std::string data;
  if (!readText(pFile, data, kMaxRshBytes)) return def;
  return itemValue(splitItems(data), key, def);
}
