#include "init/StationInit.h"

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsUsers.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"
#include "core/StoreRows.h"

#include <basekit/codepage.h>
#include <basekit/plainfile.h>

#include <cerrno>
#include <cmath>
#include <sys/stat.h>
#include <system_error>

namespace {

constexpr size_t kNameWidth = 20;  // the user file's name field
constexpr int16_t kAdministrator = 2;

// What is under a name, without following a link in its last component.
struct Entry {
  int err = 0;  // 0 when lstat found something
  mode_t mode = 0;
  nlink_t links = 0;
};

Entry entryAt(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {errno == 0 ? EIO : errno, 0, 0};
  return {0, st.st_mode, st.st_nlink};
}

// The file layer's refusal of what is under a data file's name and may not be written there.
basekit::FileError refusalOf(const std::string& path, mode_t mode) {
  using basekit::FileError;
  using basekit::FileFault;
  if (S_ISLNK(mode)) return FileError::refusal(FileFault::SymbolicLink, path);
  if (S_ISDIR(mode)) return FileError::system(EISDIR, path);
  return FileError::refusal(FileFault::NotPlainFile, path);
}

}  // namespace

StationInit::StationInit(std::string folder) : m_folder(std::move(folder)) {
  // "/srv/data/" and "/srv/data" are the same folder; "/" stays itself.
  while (m_folder.size() > 1 && m_folder.back() == '/') m_folder.pop_back();
  m_slashed = m_folder.empty() || m_folder.back() == '/' ? m_folder : m_folder + "/";
  ClsCfgFile& cfg = ProgramObjects::live().createSettings();
  m_cfg = &cfg;
  cfg.Init(m_slashed + "VELTA.INI");
  cfg.rshFile = m_slashed + "RSH.CFG";
  // The settings of a folder that holds them (the file layer refuses a link or a FIFO there,
  // which checkFolder names); the start-up values otherwise.
  const Entry folderEntry = entryAt(m_folder);
  if (folderEntry.err == 0 && S_ISDIR(folderEntry.mode)) cfg.LoadCfg();
  if (cfg.LENGUAJE != 1000 && cfg.LENGUAJE != 2000) cfg.LENGUAJE = 0;
  m_lenguaje = cfg.LENGUAJE;
}

std::string StationInit::refusedName(const basekit::FileError& failure) const {
  return GetExtraMsgIn(ExtraMsg::InitNameRefused, m_lenguaje,
                       {failure.path, fileReasonIn(failure, m_lenguaje)});
}

std::string StationInit::checkFolder() {
  if (m_folder.empty()) return GetExtraMsgIn(ExtraMsg::InitUsage, m_lenguaje);
  const Entry folder = entryAt(m_folder);
  if (folder.err == ENOENT) {
    m_folderExists = false;
    return {};
  }
  if (folder.err != 0) return refusedName(basekit::FileError::system(folder.err, m_folder));
  // A station's files are never reached through a link the administrator did not mean.
  if (S_ISLNK(folder.mode)) return GetExtraMsgIn(ExtraMsg::InitFolderLink, m_lenguaje, {m_folder});
  if (!S_ISDIR(folder.mode)) return GetExtraMsgIn(ExtraMsg::InitNotFolder, m_lenguaje, {m_folder});
  m_folderExists = true;

  if (std::string why = checkUserFile(); !why.empty()) return why;
  const std::string settings = m_slashed + "VELTA.INI";
  const Entry ini = entryAt(settings);
  if (ini.err == ENOENT) {
    m_keepSettings = false;
    return {};
  }
  if (ini.err != 0) return refusedName(basekit::FileError::system(ini.err, settings));
  if (!S_ISREG(ini.mode)) return refusedName(refusalOf(settings, ini.mode));
  // The program would refuse to save settings that have a second name.
  if (ini.links > 1)
    return refusedName(basekit::FileError::refusal(basekit::FileFault::SecondName, settings));
  // Settings the program could not read would stop its start: say so now.
  if (m_cfg->settingsRefused())
    return GetExtraMsgIn(ExtraMsg::InitFailed, m_lenguaje, {m_folder, m_cfg->loadError()});
  m_keepSettings = true;
  return {};
}

std::string StationInit::checkUserFile() const {
  const std::string users = m_slashed + "VELTA.DAT";
  const Entry dat = entryAt(users);
  if (dat.err == ENOENT) return {};
  if (dat.err != 0) return refusedName(basekit::FileError::system(dat.err, users));
  // An existing user file, even an empty one, is the administrator's to look at: its users
  // are never replaced from here.
  if (S_ISREG(dat.mode)) return GetExtraMsgIn(ExtraMsg::InitHasUsers, m_lenguaje, {users});
  return refusedName(refusalOf(users, dat.mode));
}

std::string StationInit::checkUser(const std::string& user) const {
  const std::string name = storefile::trimBlanks(user);
  if (name.empty()) return GetMsgIn(325, m_lenguaje);
  bool exact = true;
  const std::string stored = basekit::utf8ToCp1252(name, &exact);
  // A longer name would be cut, and the cut name is not the one the administrator types.
  if (!exact || stored.size() > kNameWidth)
    return GetExtraMsgIn(ExtraMsg::InitUserName, m_lenguaje, {name});
  return {};
}

std::string StationInit::checkPassword(const std::string& typed,
                                       const std::optional<std::string>& again,
                                       int32_t& password) const {
  const std::string text = basic::Trim(typed);
  if (text.empty()) return GetMsgIn(325, m_lenguaje);
  if (again && basic::Trim(*again) != text) return GetMsgIn(360, m_lenguaje);
  if (!basic::IsNumeric(text)) return GetMsgIn(410, m_lenguaje);
  // What the log-in accepts: a whole number that fits the file's signed 32-bit field.
  const double v = basic::Val(text);
  if (!std::isfinite(v) || v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0)
    return GetExtraMsgIn(ExtraMsg::InitPasswordWhole, m_lenguaje);
  password = static_cast<int32_t>(v);
  return {};
}

std::string StationInit::write(const std::string& user, int32_t password) {
  if (!m_folderExists) {
    basekit::FileError failure;
    if (!basekit::makeFolders(m_folder, &failure))
      return GetExtraMsgIn(ExtraMsg::InitFailed, m_lenguaje,
                           {m_folder, fileReasonIn(failure, m_lenguaje)});
    m_folderExists = true;
  }
  // The settings first: should the user file then fail, a second run finds no user file and
  // keeps the settings written here.
  if (!m_keepSettings && !m_cfg->SaveCfg().ok) return m_cfg->lastSaveError();
  // Somebody may have put a user file there since the check.
  if (std::string why = checkUserFile(); !why.empty()) return why;
  ClsUsers users;
  users.Iniciar(m_slashed + "VELTA.DAT");
  users.Version = ClsUsers::kVersion;
  users.Code = 1;
  users.Name = storefile::trimBlanks(user);
  users.Psw = password;
  users.Level = kAdministrator;
  users.SetCurData(1);
  if (!users.GrabarUsers().ok) return users.status().message;
  return {};
}

std::string StationInit::done(const std::string& user) const {
  return GetExtraMsgIn(ExtraMsg::InitDone, m_lenguaje, {m_folder, storefile::trimBlanks(user)});
}
