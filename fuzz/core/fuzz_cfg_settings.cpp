// Arbitrary bytes as VELTA.INI, in the INI form or the older plain-text form: the load
// converts every value without crashing, and what it loaded survives a save and a second
// load unchanged (the older form is retired to the INI form on the way), but for what the INI
// form cannot keep: blanks and quotes at a value's ends, and an empty value, which reads as the
// default.
#include "core/ClsCfgFile.h"
#include "fuzz_nosync.h"
#include "fuzz_scratch.h"

#include <basekit/atomicfile.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <unistd.h>

namespace {

// A text as the INI form keeps it: no blanks at its ends, no end-of-file mark behind it, and
// no pair of matching quotes around it (a read drops them).
std::string kept(std::string s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
  for (std::string last; last != s;) {
    last = s;
    while (!s.empty() && (blank(s.back()) || s.back() == '\x1A')) s.pop_back();
    size_t b = 0;
    while (b < s.size() && blank(s[b])) ++b;
    s.erase(0, b);
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
      s = s.substr(1, s.size() - 2);
  }
  return s;
}

// Everything LoadCfg fills, as one comparable row.
auto settingsOf(ClsCfgFile c) {
  for (std::string* t : {&c.formatoFecha, &c.AutoDias, &c.ModemDriver, &c.txtUID, &c.txtPWD,
                         &c.txtDatabase, &c.txtServer, &c.ODBCString, &c.SAPUsername,
                         &c.SAPPassword, &c.SAPUrl, &c.SAPpath, &c.SAPProxy}) {
    *t = kept(*t);
    if (*t == "NO_SUCH_KEY") t->clear();  // the INI read gives the default for it
  }
  // An empty value reads as the key's default.
  if (c.formatoFecha.empty()) c.formatoFecha = "dd\\/mm\\/YYYY";
  if (c.AutoDias.empty()) c.AutoDias = "11111111";
  return std::make_tuple(c.Version, c.Auto, c.formatoFecha, c.PorPrograma, c.Hora, c.Minutos,
                         c.RelojActivo, c.LongTarjeta, c.LongTouch, c.TimeOut, c.TimeOutModem,
                         c.LENGUAJE, c.AutoDias, c.Backup, c.MultiEmpresa, c.ModemDriver,
                         c.ModoVirtual, c.ModoLegajo, c.Convertir, c.FrecOnline, c.FrecAuto,
                         c.EliminarDuplicados, c.MaxConsole, c.cboDSNList, c.txtUID, c.txtPWD,
                         c.txtDatabase, c.cboDrivers, c.txtServer, c.ODBCString, c.SAPEnabled,
                         c.SAPUsername, c.SAPPassword, c.SAPUrl, c.SAPpath, c.SAPProxy,
                         c.SAPRemotePort, c.SAPTransferBinary, c.SAPModoPasivo, c.SkinBorderColor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzInputFile("VELTA.INI", data, size);
  ::unlink((path + "old").c_str());
  ClsCfgFile cfg;
  cfg.Init(path);
  cfg.rshFile = fuzzScratchDir() + "no-RSH.CFG";  // the RSH keys come from the INI file
  cfg.LoadCfg();
  (void)cfg.AutoDiasAt(3);
  const auto loaded = settingsOf(cfg);

  // A file the INI engine cannot write back as it stands (a UTF-16 mark over other bytes) is
  // refused, with a reason, and left exactly as it was.
  std::string before, after;
  if (!basekit::readWholeFile(path, before)) std::abort();
  // Any outcome will do: the target looks for crashes, not answers.
  (void)cfg.SaveCfg();
  if (!cfg.lastSaveError().empty()) {
    if (!basekit::readWholeFile(path, after) || after != before) std::abort();
    return 0;
  }
  ClsCfgFile again;
  again.Init(path);
  again.rshFile = cfg.rshFile;
  again.LoadCfg();
  if (settingsOf(again) != loaded) std::abort();
  return 0;
}
