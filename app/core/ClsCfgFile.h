// The settings of the main program: VELTA.INI (sections COMMON, ODBC, SAP, SKIN and a
// read-only RSH), the older plain-text form of the same file (read once, then retired to
// VELTA.INIold) and the remote-shell file RSH.CFG. One instance for the whole run.
//
// A settings file that is neither INI text nor the older form (empty, binary, any other
// text) gives the defaults and is left as it is until the operator saves the configuration.
// One that exists but cannot be read, or is far larger than settings can be, is refused:
// loadError() says why, and it is never written over.
#pragma once

#include "core/StoreResult.h"

#include <cstdint>
#include <functional>
#include <string>

namespace basekit {
class IniDocument;
}

class ClsCfgFile {
 public:
  // Colour of the skin border sample; start-up value and INI default of SkinBorderColor.
  static constexpr int32_t kSkinBorderColour = 8388608;

  int16_t Version = 2;
  int16_t Auto = 0;
  std::string formatoFecha = "dd\\/mm\\/YYYY";
  int16_t PorPrograma = 0;
  int16_t Hora = 0;
  int16_t Minutos = 0;
  int16_t RelojActivo = 1;
  int16_t LongTarjeta = 5;
  int16_t LongTouch = 4;
  int16_t TimeOut = 1;
  int16_t TimeOutModem = 45;
  int16_t LENGUAJE = 0;
  std::string AutoDias = "11111111";
  int16_t Backup = 0;
  int16_t MultiEmpresa = 0;
  std::string ModemDriver;
  int16_t ModoVirtual = 0;
  int16_t ModoLegajo = 0;
  int16_t Convertir = 0;
  int32_t FrecOnline = 1;
  int32_t FrecAuto = 0;
  int16_t EliminarDuplicados = 0;
  int16_t MaxConsole = 200;
  int16_t cboDSNList = 0;
  std::string txtUID;
  std::string txtPWD;
  std::string txtDatabase;
  int16_t cboDrivers = -1;
  std::string txtServer;
  std::string ODBCString;
  int16_t SAPEnabled = 0;
  std::string SAPUsername;
  std::string SAPPassword;
  std::string SAPUrl;
  std::string SAPpath;
  std::string SAPProxy;
  int16_t SAPRemotePort = 21;
  int16_t SAPTransferBinary = 0;
  int16_t SAPModoPasivo = 0;
  int16_t RSHEnabled = 0;
  std::string RSHServer;
  std::string RSHSystemName;
  std::string RSHSystemNumber;
  std::string RSHUser;
  std::string RSHPathEvt;
  int32_t SkinBorderColor = kSkinBorderColour;
  // Run-time slots between the collection windows and the FTP / remote-command windows.
  std::string tmpFTPFileName;
  std::string tmpFTPFilePath;
  int16_t tmpReturnValue = 0;
  // The collection window's progress list: appends one line. Empty when none is handed over.
  std::function<void(const std::string&)> tmpLst;

  // Stores the settings file path (the data folder & "VELTA.INI").
  void Init(const std::string& path);
  // Largest VELTA.INI read: the 46 stored keys take a few kilobytes.
  static constexpr size_t kMaxSettingsBytes = size_t{1} << 20;
  // Largest RSH.CFG read: six key=value lines.
  static constexpr size_t kMaxRshBytes = size_t{64} << 10;

  // Fills every setting from the file (INI form, else legacy form), then the RSH keys.
  // Always 0; a file that was refused is named in loadError().
  int16_t LoadCfg();
  // Why the last LoadCfg refused VELTA.INI or RSH.CFG (one line each); "" when both were read
  // or are missing.
  const std::string& loadError() const { return loadError_; }
  // True when the last LoadCfg refused VELTA.INI itself (its settings are the defaults).
  bool settingsRefused() const { return settingsRefused_; }
  // Writes COMMON, ODBC, SAP and SKIN to the settings file (the operator's save: a file of
  // no known form is replaced by the INI text). Fails with WriteFailed; lastSaveError() says why.
  StoreResult SaveCfg();
  // The save when the main window closes: the same, but a file of no known form, or one that
  // was refused, is left as it is (that counts as done).
  StoreResult SaveCfgOnClose();
  // Why the last SaveCfg failed, with the file name, in the current language; "" after one
  // that wrote the file.
  const std::string& lastSaveError() const { return lastSaveError_; }
  // True when the settings hold a password (SAPPassword, txtPWD): the saved file is then
  // readable by its owner only (0600), whatever mode it had.
  bool holdsPassword() const;
  // Value of key in a text file of key=value items, or def.
  std::string ReadCfg(const std::string& key, const std::string& def, const std::string& pFile);

  // Character of AutoDias at a 1-based position; "0" where the text is too short.
  char AutoDiasAt(int position) const {
    return position >= 1 && static_cast<size_t>(position) <= AutoDias.size()
               ? AutoDias[position - 1]
               : '0';
  }

  const std::string& path() const { return path_; }
  // Name of RSH.CFG; relative to the current directory unless changed (tests point it elsewhere).
  std::string rshFile = "RSH.CFG";
  // Default of RSHSERVER.
  static constexpr const char* kRshServerDefault = "sapserver";

 private:
  void setStartup();
  void loadIni(const basekit::IniDocument& doc);
  void loadLegacy(const std::string& text);
  void loadRsh();
  void noteRefusal(const std::string& why);

  std::string path_;
  std::string lastSaveError_;
  std::string loadError_;
  bool settingsRefused_ = false;
  bool unrecognised_ = false;  // the file is of no known form: the defaults are in use
};
