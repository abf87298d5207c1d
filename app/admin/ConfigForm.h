// The configuration dialog without its widgets: what each control shows (texts, check states,
// selections), the enabling rules, the checks that OK runs and the copy back into the settings
// object; the rows and commands of the clock and user lists; the SAP transfer form. Fconfig and
// FCfgSAP only map these to controls, so every rule here runs without a display.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ClsCfgFile;
class ClsListaRelojes;
class ClsUsers;
class Reporter;
namespace clocklink {
class ClsModem;
}

namespace config {

// The date formats offered: what the combo shows and what FFECHA stores ("/" escaped).
struct DateFormat {
  const char* shown;
  const char* stored;
};
extern const std::array<DateFormat, 8> kDateFormats;
// The languages offered; entry i is LENGUAJE i * 1000.
extern const std::array<const char*, 3> kLanguages;

struct ConfigForm {
  // Tab 0.
  int fofe = -1;  // CmbFofe: index into kDateFormats, -1 none selected
  bool modoLegajo = false;
  bool duplicados = false;
  bool backup = false;
  bool multiEmpresa = false;
  bool modoVirtual = false;
  int lenguaje = 0;  // CmbLenguaje index
  std::string maxConsole;
  std::vector<std::string> modemNames;  // Modem entries; the last, empty one means no modem
  int modem = -1;                       // selected entry, -1 none
  // Tab 2.
  std::string timeOutModem;
  std::string timeOut;
  std::array<std::string, 2> digi;  // card digits, touch-key digits
  bool convertir = false;
  // Tab 3.
  bool autoRun = false;          // ChkAuto(0)
  bool porPrograma = false;      // ChkAuto(1)
  std::array<bool, 7> semana{};  // Sunday first
  bool cerrar = false;
  std::array<std::string, 2> hora;      // hour, minute
  std::array<std::string, 2> frecAuto;  // hours, minutes
  std::string frecOnline;

  // Enabling rules. ChkAuto(1), the week days and ChkCerrar follow ChkAuto(0); the start time
  // follows ChkAuto(1); replacing the card by the employee number rules out the virtual
  // description.
  bool autoDependantsEnabled() const { return autoRun; }
  bool horaEnabled() const { return porPrograma; }
  bool modoVirtualEnabled() const { return !modoLegajo; }
  // ChkModoLegajo changed to `on`: checking it clears ChkModoVirtual.
  void setModoLegajo(bool on);
};

// Modem names 0..n inclusive as the modem library lists them; nullopt when its definitions
// cannot be read (count -1).
std::optional<std::vector<std::string>> modemNamesOf(clocklink::ClsModem& modem);

// AUTODIAS of any length but 8 is replaced by every day and the close flag set, as the dialog
// does to the settings object when it opens.
void normaliseAutoDias(ClsCfgFile& cfg);

ConfigForm fromSettings(const ClsCfgFile& cfg, std::vector<std::string> modemNames);

// The first failed check of OK: message number, icon (msgbox constant) and the objectName of
// the control to return to.
struct CheckFailure {
  int message;
  int icon;
  std::string control;
};
std::optional<CheckFailure> check(const ConfigForm& form);

// Copies the form into the settings object in the dialog's save order (VERSION first, AUTODIAS
// last). Only for a form that passed check().
void apply(const ConfigForm& form, ClsCfgFile& cfg);

// ---------------------------------------------------------------------------------------
// Clock and user lists.

// One clock list row: the slot it shows and its 13 cells.
struct ClockRow {
  int slot;
  std::array<std::string, 13> cells;
};
struct ClockColumn {
  int header;  // message number
  int units;   // width in 24ths of the list's width
};
extern const std::array<ClockColumn, 13> kClockColumns;
std::vector<ClockRow> clockRows(ClsListaRelojes& clocks);

struct UserRow {
  int slot;
  std::string name;
};
std::vector<UserRow> userRows(ClsUsers& users);

// The list commands. `slot` is the selected row's slot, 0 when no row is selected; `rows` the
// number of rows the list shows. Each returns true when its store changed and the list must
// be refilled. The deletions' boxes go through `reporter` (the dialog's).
bool newClock(ClsListaRelojes& clocks);
bool modifyClock(ClsListaRelojes& clocks, int slot);
bool deleteClock(ClsListaRelojes& clocks, int rows, int slot, Reporter& reporter);
bool newUser(ClsUsers& users);
bool modifyUser(ClsUsers& users, int slot);
bool deleteUser(ClsUsers& users, int rows, int slot, Reporter& reporter);

// ---------------------------------------------------------------------------------------
// SAP transfer settings.

struct SapForm {
  bool enabled = false;
  std::string user;
  std::string password;
  std::string url;
  std::string path;
  std::string remotePort;
  std::string proxy;
  bool binary = false;
  bool passive = false;
};

SapForm sapFromSettings(const ClsCfgFile& cfg);
// The port as the FTP transfer needs it: 0..65535 after rounding; empty text is 0.
std::optional<uint16_t> sapPort(const std::string& text);
// Message 344 when the port is out of range, else nullopt.
std::optional<CheckFailure> checkSap(const SapForm& form);
void applySap(const SapForm& form, ClsCfgFile& cfg);

}  // namespace config
