#include "admin/ConfigForm.h"

#include "admin/FUsrModel.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Messages.h"
#include "core/Reporter.h"
#include "core/StoreRows.h"
#include "core/UserRules.h"

#include <clocklink/ClsModem.h>

namespace config {

const std::array<DateFormat, 8> kDateFormats = {{{"dd/mm/YY", "dd\\/mm\\/YY"},
                                                 {"dd/mm/YYYY", "dd\\/mm\\/YYYY"},
                                                 {"mm/dd/YY", "mm\\/dd\\/YY"},
                                                 {"mm/dd/YYYY", "mm\\/dd\\/YYYY"},
                                                 {"YY/mm/dd", "YY\\/mm\\/dd"},
                                                 {"YYYY/mm/dd", "YYYY\\/mm\\/dd"},
                                                 {"YYmmdd", "YYmmdd"},
                                                 {"YYYYmmdd", "YYYYmmdd"}}};

const std::array<const char*, 3> kLanguages = {"ESPAÑOL", "ENGLISH", "PORTUGUÊS"};

const std::array<ClockColumn, 13> kClockColumns = {{{267, 3},
                                                    {274, 2},
                                                    {204, 4},
                                                    {242, 2},
                                                    {271, 2},
                                                    {301, 3},
                                                    {289, 6},
                                                    {172, 2},
                                                    {167, 6},
                                                    {219, 2},
                                                    {183, 4},
                                                    {254, 2},
                                                    {163, 2}}};

namespace {

constexpr const char* kAllDays = "11111111";

int16_t integerOf(const std::string& text) {
  return basic::ToInteger(basic::Val(text)).value_or(0);
}

int32_t longOf(const std::string& text) { return basic::ToLong(basic::Val(text)).value_or(0); }

bool outside(const std::string& text, double low, double high) {
  const double v = basic::Val(text);
  return v < low || v > high;
}

std::string same(const std::string& s) { return basic::UCase(basic::Trim(s)); }

}  // namespace

void ConfigForm::setModoLegajo(bool on) {
  modoLegajo = on;
  if (on) modoVirtual = false;
}

std::optional<std::vector<std::string>> modemNamesOf(clocklink::ClsModem& modem) {
  const int16_t n = modem.xGetModemCount();
  if (n < 0) return std::nullopt;
  std::vector<std::string> names;
  for (int16_t i = 0; i <= n; ++i) names.push_back(modem.xGetModemName(i));
  return names;
}

void normaliseAutoDias(ClsCfgFile& cfg) {
  if (cfg.AutoDias.size() != 8) cfg.AutoDias = kAllDays;
}

ConfigForm fromSettings(const ClsCfgFile& cfg, std::vector<std::string> modemNames) {
  ConfigForm f;
  const std::string fecha = basic::Trim(cfg.formatoFecha);
  for (size_t i = 0; i < kDateFormats.size(); ++i) {
    if (basic::Trim(kDateFormats[i].stored) == fecha) {
      f.fofe = static_cast<int>(i);
      break;
    }
  }
  f.modemNames = std::move(modemNames);
  for (size_t i = 0; i < f.modemNames.size(); ++i) {
    if (same(f.modemNames[i]) == same(cfg.ModemDriver)) {
      f.modem = static_cast<int>(i);
      break;
    }
  }
  f.autoRun = cfg.Auto != 0;
  f.porPrograma = cfg.PorPrograma != 0;
  f.modoVirtual = cfg.ModoVirtual != 0;
  f.convertir = cfg.Convertir != 0;
  f.duplicados = cfg.EliminarDuplicados != 0;
  f.hora = {basic::Format(cfg.Hora, "00"), basic::Format(cfg.Minutos, "00")};
  f.frecAuto = {basic::Format(cfg.FrecAuto / 60, "00"), basic::Format(cfg.FrecAuto % 60, "00")};
  f.frecOnline = basic::Format(cfg.FrecOnline, "00");
  f.maxConsole = basic::Format(cfg.MaxConsole, "0000");
  const std::string days = cfg.AutoDias.size() == 8 ? cfg.AutoDias : kAllDays;
  for (size_t i = 0; i < 7; ++i) f.semana[i] = days[i] == '1';
  f.cerrar = days[7] == '1';
  f.timeOut = basic::Format(cfg.TimeOut, "00");
  f.timeOutModem = basic::Format(cfg.TimeOutModem, "00000");
  f.digi = {basic::Format(cfg.LongTarjeta, "00"), basic::Format(cfg.LongTouch, "00")};
  f.backup = cfg.Backup != 0;
  f.multiEmpresa = cfg.MultiEmpresa != 0;
  f.setModoLegajo(cfg.ModoLegajo != 0);
  // A language the list does not offer shows the first one, so OK never stores an index
  // that names no language.
  const int lang = basic::ToInteger(cfg.LENGUAJE / 1000.0).value_or(0);
  f.lenguaje = lang >= 0 && lang < static_cast<int>(kLanguages.size()) ? lang : 0;
  return f;
}

std::optional<CheckFailure> check(const ConfigForm& f) {
  using namespace msgbox;
  if (f.fofe < 0 || f.fofe >= static_cast<int>(kDateFormats.size()))
    return CheckFailure{326, Exclamation, "CmbFofe"};
  if (outside(f.hora[0], 0, 23)) return CheckFailure{327, Critical, "TxtHora0"};
  if (outside(f.hora[1], 0, 59)) return CheckFailure{327, Critical, "TxtHora1"};
  if (outside(f.digi[0], 1, 20)) return CheckFailure{333, Critical, "Digi0"};
  if (outside(f.digi[1], 1, 20)) return CheckFailure{333, Critical, "Digi1"};
  if (outside(f.timeOut, 1, 60)) return CheckFailure{361, Critical, "TimeOut"};
  if (outside(f.timeOutModem, 1, 32000)) return CheckFailure{362, Critical, "TXTTimeOutModem"};
  if (outside(f.frecAuto[0], 0, 23)) return CheckFailure{327, Critical, "TxtFrecAuto0"};
  if (outside(f.frecAuto[1], 0, 59)) return CheckFailure{327, Critical, "TxtFrecAuto1"};
  if (outside(f.frecOnline, 1, 60)) return CheckFailure{379, Critical, "TxtFrecOnline"};
  if (!basic::IsNumeric(f.maxConsole) || outside(f.maxConsole, 1, 9999))
    return CheckFailure{412, Critical, "MaxConsole"};
  return std::nullopt;
}

void apply(const ConfigForm& f, ClsCfgFile& cfg) {
  cfg.Version = 2;
  cfg.ModemDriver = f.modem >= 0 && f.modem < static_cast<int>(f.modemNames.size())
                        ? basic::Trim(f.modemNames[f.modem])
                        : std::string();
  if (f.fofe >= 0 && f.fofe < static_cast<int>(kDateFormats.size()))
    cfg.formatoFecha = kDateFormats[f.fofe].stored;
  cfg.PorPrograma = f.porPrograma;
  cfg.Auto = f.autoRun;
  cfg.Hora = integerOf(f.hora[0]);
  cfg.Minutos = integerOf(f.hora[1]);
  cfg.EliminarDuplicados = f.duplicados;
  cfg.LongTarjeta = integerOf(f.digi[0]);
  cfg.LongTouch = integerOf(f.digi[1]);
  cfg.TimeOut = integerOf(f.timeOut);
  cfg.TimeOutModem = integerOf(f.timeOutModem);
  cfg.LENGUAJE = static_cast<int16_t>(f.lenguaje * 1000);
  cfg.Backup = f.backup;
  cfg.MultiEmpresa = f.multiEmpresa;
  cfg.ModoVirtual = f.modoVirtual;
  cfg.ModoLegajo = f.modoLegajo;
  cfg.Convertir = f.convertir;
  cfg.FrecOnline = longOf(f.frecOnline);
  // Rounded once, after the sum: 0.5 h and 0.5 min are 30.5 minutes, stored as 30.
  cfg.FrecAuto =
      basic::ToLong(basic::Val(f.frecAuto[0]) * 60 + basic::Val(f.frecAuto[1])).value_or(0);
  cfg.MaxConsole = integerOf(f.maxConsole);
  std::string mask;
  for (bool day : f.semana) mask += day ? '1' : '0';
  mask += f.cerrar ? '1' : '0';
  cfg.AutoDias = mask;
}

// ---------------------------------------------------------------------------------------

std::vector<ClockRow> clockRows(ClsListaRelojes& clocks) {
  using storefile::trimBlanks;
  auto mark = [](int16_t v) { return std::string(v == 1 ? "X" : " "); };
  std::vector<ClockRow> rows;
  for (int slot = 1; slot <= ClsListaRelojes::kSlots; ++slot) {
    if (clocks.Deleted(static_cast<int16_t>(slot))) continue;
    // Read from the slot itself: the current clock belongs to the main window.
    const ClockRecord& r = *clocks.slot(slot);
    const std::string archivo = trimBlanks(r.M_Archivo);
    rows.push_back({slot,
                    {basic::Format(r.m_Prg, "000"), trimBlanks(r.M_Numero), trimBlanks(r.m_Descrip),
                     clocks.GetModelo(r.m_Modelo), trimBlanks(r.m_Puerto),
                     trimBlanks(r.m_Velocidad), trimBlanks(r.m_Telefono), mark(r.M_Borrar),
                     r.m_ArchivoFecha != 0 ? archivo + ".MIR" : archivo, mark(r.m_FHora),
                     GetMsg(r.M_Comunicacion == 1 ? 246 : 285),
                     GetMsg(r.m_TipoNumero == 2 ? 296 : 288), mark(r.M_Activo)}});
  }
  return rows;
}

std::vector<UserRow> userRows(ClsUsers& users) {
  std::vector<UserRow> rows;
  for (int slot = 1; slot <= ClsUsers::kSlots; ++slot) {
    if (users.Deleted(static_cast<int16_t>(slot))) continue;
    rows.push_back({slot, storefile::trimBlanks(users.slot(slot)->Name)});
  }
  return rows;
}

namespace {

bool confirmed(Reporter& reporter) {
  return reporter.ask(194, msgbox::YesNo | msgbox::Question) == msgbox::Yes;
}

bool validSlot(int slot) { return slot >= 1 && slot <= 100; }

// Both stores hand the selected slot to their editor the same way; no selection, no editor.
template <typename Store>
bool edit(Store& store, int slot) {
  return validSlot(slot) && store.Modificar(static_cast<int16_t>(slot));
}

bool nothingToDelete(int rows, Reporter& reporter) {
  if (rows >= 1) return false;
  reporter.inform(336, msgbox::Exclamation);
  return true;
}

}  // namespace

bool newClock(ClsListaRelojes& clocks) { return clocks.Modificar(0); }

bool modifyClock(ClsListaRelojes& clocks, int slot) { return edit(clocks, slot); }

bool deleteClock(ClsListaRelojes& clocks, int rows, int slot, Reporter& reporter) {
  if (nothingToDelete(rows, reporter) || !validSlot(slot) || !confirmed(reporter)) return false;
  clocks.Borrar(static_cast<int16_t>(slot));
  return true;
}

bool newUser(ClsUsers& users) { return users.Modificar(0); }

bool modifyUser(ClsUsers& users, int slot) { return edit(users, slot); }

bool deleteUser(ClsUsers& users, int rows, int slot, Reporter& reporter) {
  if (nothingToDelete(rows, reporter)) return false;
  // The last user stays, silently; the last administrator stays with a reason, or nobody
  // could open this dialog again.
  if (rows == 1 || !validSlot(slot)) return false;
  if (!leavesAnAdministrator(users, slot, -1)) {
    refuseLastAdministrator(reporter, users, slot);
    return false;
  }
  if (!confirmed(reporter)) return false;
  users.Borrar(static_cast<int16_t>(slot));
  return true;
}

// ---------------------------------------------------------------------------------------

SapForm sapFromSettings(const ClsCfgFile& cfg) {
  SapForm s;
  s.enabled = cfg.SAPEnabled != 0;
  s.password = cfg.SAPPassword;
  s.path = cfg.SAPpath;
  s.url = cfg.SAPUrl;
  s.user = cfg.SAPUsername;
  // Ports above 32767 are kept in the 16-bit setting as their bit pattern.
  s.remotePort = basic::Str(static_cast<uint16_t>(cfg.SAPRemotePort));
  s.proxy = cfg.SAPProxy;
  s.binary = cfg.SAPTransferBinary != 0;
  s.passive = cfg.SAPModoPasivo != 0;
  return s;
}

std::optional<uint16_t> sapPort(const std::string& text) {
  const std::optional<int32_t> port = basic::ToLong(basic::Val(basic::Trim(text)));
  if (!port || *port < 0 || *port > 65535) return std::nullopt;
  return static_cast<uint16_t>(*port);
}

std::optional<CheckFailure> checkSap(const SapForm& form) {
  if (!sapPort(form.remotePort)) return CheckFailure{344, msgbox::Critical, "txtRemotePort"};
  return std::nullopt;
}

void applySap(const SapForm& s, ClsCfgFile& cfg) {
  cfg.SAPEnabled = s.enabled;
  cfg.SAPPassword = s.password;
  cfg.SAPpath = s.path;
  cfg.SAPUrl = s.url;
  cfg.SAPUsername = s.user;
  cfg.SAPRemotePort = static_cast<int16_t>(sapPort(s.remotePort).value_or(0));
  cfg.SAPProxy = s.proxy;
  cfg.SAPTransferBinary = s.binary;
  cfg.SAPModoPasivo = s.passive;
}

}  // namespace config
