// The configuration dialog's rules without widgets: the OK checks and their bounds, the
// settings shown and saved, the clock and user lists and their commands, the SAP form.
#include "admin/ConfigForm.h"

#include "admin/tests/ConfigTestData.h"
#include "core/Messages.h"
#include "core/MsgStyle.h"
#include "testsupport/RecordingReporter.h"

#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using config::ConfigForm;

namespace {

// Settings as start-up leaves them before any file: they pass every check.
ConfigForm defaultForm() {
  ClsCfgFile cfg;
  return config::fromSettings(cfg, {"Hayes", ""});
}

struct CheckCase {
  const char* name;
  std::function<void(ConfigForm&)> change;
  int message;  // 0 = accepted
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class Checks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Checks, FirstFailureOrPass) {
  ConfigForm f = defaultForm();
  ASSERT_FALSE(config::check(f));
  GetParam().change(f);
  const auto failure = config::check(f);
  if (GetParam().message == 0) {
    EXPECT_FALSE(failure) << failure->message;
    return;
  }
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->message, GetParam().message);
  EXPECT_EQ(failure->icon, GetParam().message == 326 ? msgbox::Exclamation : msgbox::Critical);
}

#define SET(field, value) [](ConfigForm& f) { f.field = value; }
INSTANTIATE_TEST_SUITE_P(
    Bounds, Checks,
    ::
        testing::Values(CheckCase{"NoDateFormat", SET(fofe, -1), 326},
                        CheckCase{"HourMinus1", SET(hora[0], "-1"), 327},
                        CheckCase{"Hour24", SET(hora[0], "24"), 327},
                        CheckCase{"Hour0", SET(hora[0], "0"), 0},
                        CheckCase{"Hour23", SET(hora[0], "23"), 0},
                        CheckCase{"HourAbcIsZero", SET(hora[0], "abc"), 0},
                        CheckCase{"Minute60", SET(hora[1], "60"), 327},
                        CheckCase{"Minute59", SET(hora[1], "59"), 0},
                        CheckCase{"CardDigits0", SET(digi[0], "0"), 333},
                        CheckCase{"CardDigits21", SET(digi[0], "21"), 333},
                        CheckCase{"TouchDigits0", SET(digi[1], "0"), 333},
                        CheckCase{"TouchDigits21", SET(digi[1], "21"), 333},
                        CheckCase{"CardDigits1", SET(digi[0], "1"), 0},
                        CheckCase{"TouchDigits20", SET(digi[1], "20"), 0},
                        CheckCase{"TimeOut0", SET(timeOut, "0"), 361},
                        CheckCase{"TimeOut61", SET(timeOut, "61"), 361},
                        CheckCase{"TimeOut1", SET(timeOut, "1"), 0},
                        CheckCase{"TimeOut60", SET(timeOut, "60"), 0},
                        CheckCase{"ModemTimeOut0", SET(timeOutModem, "0"), 362},
                        CheckCase{"ModemTimeOut32001", SET(timeOutModem, "32001"), 362},
                        CheckCase{"ModemTimeOut1", SET(timeOutModem, "1"), 0},
                        CheckCase{"ModemTimeOut32000", SET(timeOutModem, "32000"), 0},
                        CheckCase{"FrecAutoHours24", SET(frecAuto[0], "24"), 327},
                        CheckCase{"FrecAutoMinutes60", SET(frecAuto[1], "60"), 327},
                        CheckCase{"FrecAuto2359",
                                  [](ConfigForm& f) {
                                    f.frecAuto = {"23", "59"};
                                  },
                                  0},
                        CheckCase{"Online0", SET(frecOnline, "0"), 379},
                        CheckCase{"Online61", SET(frecOnline, "61"), 379},
                        CheckCase{"Online1", SET(frecOnline, "1"), 0},
                        CheckCase{"Online60", SET(frecOnline, "60"), 0},
                        CheckCase{"ConsoleAbc", SET(maxConsole, "abc"), 412},
                        CheckCase{"ConsoleEmpty", SET(maxConsole, ""), 412},
                        CheckCase{"Console0", SET(maxConsole, "0"), 412},
                        CheckCase{"Console10000", SET(maxConsole, "10000"), 412},
                        CheckCase{"Console1", SET(maxConsole, "1"), 0},
                        CheckCase{"Console9999", SET(maxConsole, "9999"), 0},
                        CheckCase{
                            "FirstCheckWins",
                            [](ConfigForm& f) {
                              f.maxConsole = "abc";
                              f.timeOut = "0";
                              f.hora[1] = "99";
                            },
                            327}),
    [](const auto& info) { return std::string(info.param.name); });
#undef SET

TEST(ConfigForm, DateFormatsBothWays) {
  for (size_t i = 0; i < config::kDateFormats.size(); ++i) {
    ClsCfgFile cfg;
    cfg.formatoFecha = std::string(" ") + config::kDateFormats[i].stored + " ";
    ConfigForm f = config::fromSettings(cfg, {});
    EXPECT_EQ(f.fofe, static_cast<int>(i));
    cfg.formatoFecha.clear();
    config::apply(f, cfg);
    EXPECT_EQ(cfg.formatoFecha, config::kDateFormats[i].stored);
  }
  EXPECT_EQ(std::string(config::kDateFormats[0].stored), "dd\\/mm\\/YY");
  ClsCfgFile cfg;
  cfg.formatoFecha = "dd-mm-YYYY";
  EXPECT_EQ(config::fromSettings(cfg, {}).fofe, -1);
}

TEST(ConfigForm, NumbersShownAndSaved) {
  ClsCfgFile cfg;
  cfg.FrecAuto = 135;
  cfg.MaxConsole = 200;
  cfg.TimeOutModem = 45;
  cfg.Version = 1;
  ConfigForm f = config::fromSettings(cfg, {});
  EXPECT_EQ(f.frecAuto[0], "02");
  EXPECT_EQ(f.frecAuto[1], "15");
  EXPECT_EQ(f.maxConsole, "0200");
  EXPECT_EQ(f.timeOutModem, "00045");
  EXPECT_EQ(f.timeOut, "01");

  f.frecAuto = {"1", "30"};
  f.hora = {"7.5", "8.5"};
  f.frecOnline = "  12abc";
  config::apply(f, cfg);
  EXPECT_EQ(cfg.Version, 2);
  EXPECT_EQ(cfg.FrecAuto, 90);
  EXPECT_EQ(cfg.Hora, 8);
  EXPECT_EQ(cfg.Minutos, 8);
  EXPECT_EQ(cfg.FrecOnline, 12);
  f.hora[0] = "abc";
  config::apply(f, cfg);
  EXPECT_EQ(cfg.Hora, 0);
}

TEST(ConfigForm, WeekMask) {
  ClsCfgFile cfg;
  cfg.AutoDias = "0000000";
  config::normaliseAutoDias(cfg);
  EXPECT_EQ(cfg.AutoDias, "11111111");
  ConfigForm f = config::fromSettings(cfg, {});
  for (bool day : f.semana) EXPECT_TRUE(day);
  EXPECT_TRUE(f.cerrar);
  config::apply(f, cfg);
  EXPECT_EQ(cfg.AutoDias, "11111111");

  f.semana = {false, true, false, false, false, true, false};
  f.cerrar = false;
  config::apply(f, cfg);
  EXPECT_EQ(cfg.AutoDias, "01000100");
  cfg.AutoDias = "0x100010";  // anything but "1" leaves the box clear
  f = config::fromSettings(cfg, {});
  EXPECT_EQ(f.semana, (std::array<bool, 7>{false, false, true, false, false, false, true}));
  EXPECT_FALSE(f.cerrar);
}

TEST(ConfigForm, Language) {
  ClsCfgFile cfg;
  cfg.LENGUAJE = 1000;
  ConfigForm f = config::fromSettings(cfg, {});
  EXPECT_EQ(f.lenguaje, 1);
  f.lenguaje = 2;
  config::apply(f, cfg);
  EXPECT_EQ(cfg.LENGUAJE, 2000);
  for (int16_t stored : {int16_t{7000}, int16_t{-1000}}) {
    cfg.LENGUAJE = stored;
    f = config::fromSettings(cfg, {});
    EXPECT_EQ(f.lenguaje, 0) << stored;
    config::apply(f, cfg);
    EXPECT_EQ(cfg.LENGUAJE, 0);
  }
}

TEST(ConfigForm, EmployeeNumberRulesOutVirtualDescription) {
  ClsCfgFile cfg;
  cfg.ModoLegajo = 1;
  cfg.ModoVirtual = 1;
  ConfigForm f = config::fromSettings(cfg, {});
  EXPECT_FALSE(f.modoVirtual);
  EXPECT_FALSE(f.modoVirtualEnabled());
  config::apply(f, cfg);
  EXPECT_EQ(cfg.ModoVirtual, 0);
  EXPECT_EQ(cfg.ModoLegajo, 1);
  f.setModoLegajo(false);
  EXPECT_TRUE(f.modoVirtualEnabled());
}

TEST(ConfigForm, StoredZeroDisablesDependants) {
  ClsCfgFile cfg;
  ConfigForm f = config::fromSettings(cfg, {});
  EXPECT_FALSE(f.autoDependantsEnabled());
  EXPECT_FALSE(f.horaEnabled());
  cfg.Auto = 1;
  cfg.PorPrograma = 1;
  f = config::fromSettings(cfg, {});
  EXPECT_TRUE(f.autoDependantsEnabled());
  EXPECT_TRUE(f.horaEnabled());
}

TEST(ConfigForm, ModemChoice) {
  ClsCfgFile cfg;
  cfg.ModemDriver = " usr sportster ";
  ConfigForm f = config::fromSettings(cfg, {"Hayes", "USR Sportster", ""});
  EXPECT_EQ(f.modem, 1);
  config::apply(f, cfg);
  EXPECT_EQ(cfg.ModemDriver, "USR Sportster");
  cfg.ModemDriver = "";
  f = config::fromSettings(cfg, {"Hayes", "USR Sportster", ""});
  EXPECT_EQ(f.modem, 2);  // the empty last entry: no modem
  cfg.ModemDriver = "Gone";
  f = config::fromSettings(cfg, {});
  EXPECT_EQ(f.modem, -1);
  config::apply(f, cfg);
  EXPECT_EQ(cfg.ModemDriver, "");
}

TEST(ConfigForm, ModemNamesFromTheDefinitions) {
  apptest::TempDataFolder folder;
  folder.write("MODEMS.INI", "[Hayes]\nCom=1\n[USR Sportster]\nCom=2\n");
  ::setenv("VELTA_MODEMS", folder.file("MODEMS.INI").c_str(), 1);
  clocklink::ClsModem modem;
  EXPECT_EQ(config::modemNamesOf(modem), (std::vector<std::string>{"Hayes", "USR Sportster", ""}));
  ::setenv("VELTA_MODEMS", folder.file("NONE.INI").c_str(), 1);
  EXPECT_FALSE(config::modemNamesOf(modem));
  ::unsetenv("VELTA_MODEMS");
}

// ---------------------------------------------------------------------------------------

class Lists : public ::testing::Test {
 protected:
  void SetUp() override { configtest::createStores(folder); }
  apptest::TempDataFolder folder;
  apptest::RecordingReporter reporter;
};

TEST_F(Lists, ClockRows) {
  configtest::addClock(*gListaRelojes, 7, [](ClsListaRelojes& c) {
    c.M_Archivo = "YYYYmmdd";
    c.m_ArchivoFecha = 1;
    c.m_TipoNumero = 2;
    c.M_Comunicacion = 1;
    c.M_Borrar = 1;
    c.m_FHora = 1;
    c.M_Activo = 1;
    c.m_Modelo = 3;
    c.m_Telefono = "555-1234";
  });
  configtest::addClock(*gListaRelojes, 3);
  const auto rows = config::clockRows(*gListaRelojes);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].slot, 3);
  EXPECT_EQ(rows[1].slot, 7);
  using Cells = std::array<std::string, 13>;
  EXPECT_EQ(rows[0].cells, (Cells{"003", "1", "Reloj 3", "Vireo", "COM1", "9600", "", " ",
                                  "REGIS.MIR", " ", "Sin Filtros", "Tarjeta", " "}));
  EXPECT_EQ(rows[1].cells, (Cells{"007", "1", "Reloj 7", "Vireo Touch", "COM1", "9600", "555-1234",
                                  "X", "YYYYmmdd.MIR", "X", "Filtro de Ruido", "Touch", "X"}));
}

TEST_F(Lists, DeleteClock) {
  EXPECT_FALSE(config::deleteClock(*gListaRelojes, 0, 0, reporter));
  EXPECT_EQ(reporter.numbers(), std::vector<int>{336});
  EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Exclamation);
  configtest::addClock(*gListaRelojes, 3);
  configtest::addClock(*gListaRelojes, 7);
  reporter.clear();
  reporter.answer(msgbox::No);
  EXPECT_FALSE(config::deleteClock(*gListaRelojes, 2, 7, reporter));
  EXPECT_EQ(reporter.numbers(), std::vector<int>{194});
  EXPECT_EQ(reporter.reports()[0].style, msgbox::YesNo | msgbox::Question);
  EXPECT_FALSE(gListaRelojes->Deleted(7));
  EXPECT_FALSE(config::deleteClock(*gListaRelojes, 2, 0, reporter));  // no row selected
  EXPECT_TRUE(config::deleteClock(*gListaRelojes, 2, 7, reporter));
  EXPECT_TRUE(gListaRelojes->Deleted(7));
  ASSERT_EQ(config::clockRows(*gListaRelojes).size(), 1u);
}

TEST_F(Lists, EditorHandOver) {
  std::vector<int> asked;
  int16_t answer = -1;
  apptest::objects().editorHooks().clockList = [&](ClsListaRelojes& c) {
    asked.push_back(c.Operation);
    c.Operation = answer;
  };
  EXPECT_FALSE(config::newClock(*gListaRelojes));  // cancelled: no refill
  answer = 1;
  EXPECT_TRUE(config::newClock(*gListaRelojes));
  EXPECT_TRUE(config::modifyClock(*gListaRelojes, 7));
  EXPECT_FALSE(config::modifyClock(*gListaRelojes, 0));  // nothing selected: no editor
  EXPECT_EQ(asked, (std::vector<int>{0, 0, 7}));

  asked.clear();
  apptest::objects().editorHooks().users = [&](ClsUsers& u) {
    asked.push_back(u.Operation);
    u.Operation = -1;
  };
  EXPECT_FALSE(config::newUser(*gUsers));
  EXPECT_FALSE(config::modifyUser(*gUsers, 2));
  EXPECT_FALSE(config::modifyUser(*gUsers, 0));
  EXPECT_EQ(asked, (std::vector<int>{0, 2}));
}

TEST_F(Lists, DeleteUser) {
  EXPECT_FALSE(config::deleteUser(*gUsers, 0, 0, reporter));
  EXPECT_EQ(reporter.numbers(), std::vector<int>{336});
  configtest::addUser(*gUsers, 1, "ADMIN", 2);
  configtest::addUser(*gUsers, 4, "CLERK", 0);
  auto rows = config::userRows(*gUsers);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].slot, 4);
  EXPECT_EQ(rows[1].name, "CLERK");

  reporter.clear();
  EXPECT_FALSE(config::deleteUser(*gUsers, 2, 1, reporter));  // the last administrator
  EXPECT_EQ(reporter.numbers(), std::vector<int>{338});
  EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Exclamation);
  EXPECT_FALSE(gUsers->Deleted(1));

  reporter.clear();
  EXPECT_TRUE(config::deleteUser(*gUsers, 2, 4, reporter));
  EXPECT_EQ(reporter.numbers(), std::vector<int>{194});
  ASSERT_EQ(config::userRows(*gUsers).size(), 1u);
  reporter.clear();
  EXPECT_FALSE(config::deleteUser(*gUsers, 1, 1, reporter));  // the only user stays, silently
  EXPECT_TRUE(reporter.reports().empty());
  EXPECT_FALSE(gUsers->Deleted(1));
}

// ---------------------------------------------------------------------------------------

struct PortCase {
  const char* typed;
  int stored;  // INT16 setting; 999999 = refused
  const char* shownAgain;
};

TEST(SapForm, Port) {
  const PortCase cases[] = {
      {" 2121 ", 2121, "2121"},   {"21abc", 21, "21"},    {"", 0, "0"},
      {"21.5", 22, "22"},         {"65535", -1, "65535"}, {"32768", -32768, "32768"},
      {"65536", 999999, nullptr}, {"-1", 999999, nullptr}};
  for (const PortCase& c : cases) {
    ClsCfgFile cfg;
    config::SapForm s = config::sapFromSettings(cfg);
    EXPECT_EQ(s.remotePort, "21");
    s.remotePort = c.typed;
    const auto failure = config::checkSap(s);
    if (c.stored == 999999) {
      ASSERT_TRUE(failure) << c.typed;
      EXPECT_EQ(failure->message, 344);
      continue;
    }
    ASSERT_FALSE(failure) << c.typed;
    config::applySap(s, cfg);
    EXPECT_EQ(cfg.SAPRemotePort, c.stored) << c.typed;
    EXPECT_EQ(config::sapFromSettings(cfg).remotePort, c.shownAgain);
  }
}

TEST(SapForm, FieldsCopiedBack) {
  ClsCfgFile cfg;
  cfg.SAPEnabled = 1;
  cfg.SAPUrl = "ftp.example";
  config::SapForm s = config::sapFromSettings(cfg);
  EXPECT_TRUE(s.enabled);
  s.enabled = false;
  s.user = "u";
  s.password = "p";
  s.path = "/in";
  s.proxy = "proxy:8080";
  s.binary = true;
  s.passive = true;
  config::applySap(s, cfg);
  EXPECT_EQ(cfg.SAPEnabled, 0);
  EXPECT_EQ(cfg.SAPUrl, "ftp.example");
  EXPECT_EQ(cfg.SAPUsername, "u");
  EXPECT_EQ(cfg.SAPPassword, "p");
  EXPECT_EQ(cfg.SAPpath, "/in");
  EXPECT_EQ(cfg.SAPProxy, "proxy:8080");
  EXPECT_EQ(cfg.SAPTransferBinary, 1);
  EXPECT_EQ(cfg.SAPModoPasivo, 1);
}

}  // namespace
