// The clock editor's logic without its window: the rows its lists offer, what loading shows,
// the model and date-name reactions, and Accept's checks and store into the clock list.
#include "admin/fRelojModel.h"

#include "admin/tests/EditorTestData.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/RecordingReporter.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class fRelojModelTest : public ::testing::Test {
 protected:
  fRelojModelTest() {
    apptest::objects().createSettings();
    list.Iniciar(tmp.file("velta002.dat"));
  }

  void putClock(int16_t slot, int16_t prg, const std::function<void(ClsListaRelojes&)>& edit = {}) {
    editortest::putClock(list, slot, prg, edit);
  }

  apptest::TempDataFolder tmp;
  apptest::RecordingReporter reporter;
  ClsListaRelojes list;
};

TEST_F(fRelojModelTest, NewClockOpensWithDefaultsAndGoesToTheFirstFreeSlot) {
  putClock(1, 1);
  putClock(2, 2);
  list.Operation = 0;
  fRelojModel m(list, reporter);
  ASSERT_TRUE(m.load());
  const fRelojModel::Controls& c = m.controls;
  ASSERT_FALSE(c.prgRows.empty());
  EXPECT_EQ(c.prgRows[0], "003");
  EXPECT_EQ(c.prgRows.size(), 98u);
  EXPECT_EQ(c.prg, 0);
  EXPECT_TRUE(c.prgEnabled);
  EXPECT_EQ(fRelojModel::numeroRows()[static_cast<size_t>(c.numero)], "1");
  EXPECT_EQ(c.modelo, 0);
  EXPECT_EQ(fRelojModel::puertoRows()[static_cast<size_t>(c.puerto)], "COM2");
  EXPECT_EQ(fRelojModel::velocidadRows()[static_cast<size_t>(c.velocidad)], "9600");
  EXPECT_EQ(c.comunicacion, 1);
  EXPECT_EQ(c.tipoNumero, 0);
  EXPECT_TRUE(c.activo);
  EXPECT_TRUE(c.hora);
  EXPECT_FALSE(c.borrar);
  EXPECT_FALSE(c.archivoCustom);
  EXPECT_EQ(c.archivo, "REGIS.MIR");
  EXPECT_EQ(c.path, "");
  EXPECT_EQ(c.interfaz, 0);
  EXPECT_EQ(c.opTipo, 0);
  EXPECT_EQ(c.portLocal, "7001");
  EXPECT_EQ(c.portRemoto, "7001");

  ASSERT_TRUE(m.accept());
  EXPECT_EQ(list.Operation, 1);
  ASSERT_EQ(list.GetCurData(3), 1);
  EXPECT_EQ(list.m_Prg, 3);
  EXPECT_EQ(list.m_Version, 7);
  EXPECT_EQ(list.m_Puerto, "COM2");
  EXPECT_EQ(list.m_TipoNumero, 1);
  EXPECT_EQ(list.m_PortLocal, 7001);
  EXPECT_TRUE(reporter.reports().empty());
}

struct AcceptCase {
  const char* name;
  std::function<void(fRelojModel::Controls&)> edit;
  int box;  // 0: stored
  std::function<void(const ClsListaRelojes&)> check;
};

TEST_F(fRelojModelTest, AcceptChecksAndStoresEachControl) {
  const AcceptCase cases[] = {
      {"file trimmed, upper case", [](auto& c) { c.archivo = " regis.mir "; }, 0,
       [](auto& r) { EXPECT_EQ(r.M_Archivo, "REGIS.MIR"); }},
      {"file of blanks", [](auto& c) { c.archivo = "   "; }, 325, {}},
      {"no port row", [](auto& c) { c.puerto = -1; }, 325, {}},
      {"phone and IP(0)",
       [](auto& c) {
         c.telefono = "4444";
         c.ip[0] = "10";
       },
       357,
       {}},
      {"phone with IP(1..3) only",
       [](auto& c) {
         c.telefono = "4444";
         c.ip = {"", "1", "2", "3"};
       },
       0, [](auto& r) { EXPECT_EQ(r.m_IP, ""); }},
      {"address joined",
       [](auto& c) {
         c.ip = {" 10", "1", "2", "30 "};
       },
       0, [](auto& r) { EXPECT_EQ(r.m_IP, "10.1.2.30"); }},
      {"port with a blank", [](auto& c) { c.portLocal = " 7001"; }, 0,
       [](auto& r) { EXPECT_EQ(r.m_PortLocal, 7001); }},
      {"empty port", [](auto& c) { c.portRemoto = ""; }, 0,
       [](auto& r) { EXPECT_EQ(r.m_PortRemoto, 0); }},
      {"highest port", [](auto& c) { c.portLocal = "65535"; }, 0,
       [](auto& r) { EXPECT_EQ(r.m_PortLocal, 65535); }},
      {"port too high", [](auto& c) { c.portLocal = "65536"; }, 344, {}},
      {"negative port", [](auto& c) { c.portRemoto = "-1"; }, 344, {}},
      {"folder gets a separator", [](auto& c) { c.path = " /data/out "; }, 0,
       [](auto& r) { EXPECT_EQ(r.m_Path, "/data/out/"); }},
      {"Windows folder kept", [](auto& c) { c.path = "C:\\DATOS\\"; }, 0,
       [](auto& r) { EXPECT_EQ(r.m_Path, "C:\\DATOS\\"); }},
      {"kind and interface",
       [](auto& c) {
         c.tipoNumero = 1;
         c.interfaz = 2;
         c.opTipo = 1;
       },
       0,
       [](auto& r) {
         EXPECT_EQ(r.m_TipoNumero, 2);
         EXPECT_EQ(r.m_TipoInterface, 2);
         EXPECT_EQ(r.m_tipo, 1);
       }},
  };
  for (const AcceptCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    list.Borrar(1);
    reporter.clear();
    list.Operation = 0;
    fRelojModel m(list, reporter);
    ASSERT_TRUE(m.load());
    tc.edit(m.controls);
    EXPECT_EQ(m.accept(), tc.box == 0);
    EXPECT_EQ(list.Operation, 1);
    if (tc.box != 0) {
      ASSERT_EQ(reporter.numbers(), std::vector<int>{tc.box});
      EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Critical);
      EXPECT_TRUE(list.Deleted(1));
      continue;
    }
    EXPECT_TRUE(reporter.reports().empty());
    ASSERT_EQ(list.GetCurData(1), 1);
    tc.check(list);
  }
}

TEST_F(fRelojModelTest, LoadingShowsTheStoredClockAndAcceptKeepsIt) {
  putClock(4, 4, [](ClsListaRelojes& r) {
    r.M_Numero = "a";
    r.m_Modelo = 2;  // Pexel, but stored with card kind 1
    r.m_TipoNumero = 1;
    r.m_IP = "10.1.2.30";
    r.m_PortLocal = 65535;
    r.m_PortRemoto = 7001;
    r.m_ArchivoFecha = 1;
    r.M_Archivo = "YYmmdd";
    r.m_Path = "C:\\DATOS\\";
  });
  list.Operation = 4;
  fRelojModel m(list, reporter);
  ASSERT_TRUE(m.load());
  const fRelojModel::Controls& c = m.controls;
  EXPECT_EQ(c.prgRows, std::vector<std::string>{"004"});
  EXPECT_FALSE(c.prgEnabled);
  EXPECT_EQ(fRelojModel::numeroRows()[static_cast<size_t>(c.numero)], "a");
  EXPECT_EQ(c.modelo, 2);
  EXPECT_EQ(c.tipoNumero, 0);  // "Tarjeta": the stored kind wins over the model's reaction
  EXPECT_EQ(c.ip, (std::array<std::string, 4>{"10", "1", "2", "30"}));
  EXPECT_EQ(c.portLocal, " 65535");
  EXPECT_EQ(c.portRemoto, " 7001");
  EXPECT_TRUE(c.archivoCustom);
  EXPECT_EQ(c.archivo, "YYYYmmdd");

  ASSERT_TRUE(m.accept());
  ASSERT_EQ(list.GetCurData(4), 1);
  EXPECT_EQ(list.M_Numero, "a");
  EXPECT_EQ(list.m_IP, "10.1.2.30");
  EXPECT_EQ(list.m_PortLocal, 65535);
  EXPECT_EQ(list.m_PortRemoto, 7001);
  EXPECT_EQ(list.M_Archivo, "YYYYMMDD");
  EXPECT_EQ(list.m_ArchivoFecha, 1);
  EXPECT_EQ(list.m_TipoNumero, 1);
  EXPECT_EQ(list.m_Path, "C:\\DATOS\\");
}

TEST_F(fRelojModelTest, ShortAddressesAndUnknownValuesLoadEmpty) {
  putClock(1, 1, [](ClsListaRelojes& r) {
    r.m_IP = "...";
    r.m_Puerto = "COM99";
  });
  list.Operation = 1;
  fRelojModel m(list, reporter);
  ASSERT_TRUE(m.load());
  EXPECT_EQ(m.controls.ip, (std::array<std::string, 4>{}));
  EXPECT_EQ(m.controls.puerto, -1);
  EXPECT_FALSE(m.accept());
  EXPECT_EQ(reporter.numbers(), std::vector<int>{325});
}

TEST_F(fRelojModelTest, ModelPicksTheCardKindAndTheDateBoxTheFileName) {
  list.Operation = 0;
  fRelojModel m(list, reporter);
  ASSERT_TRUE(m.load());
  const int expected[] = {0, 0, 1, 1, 0, 0, 0};
  for (int row = 0; row < 7; ++row) {
    m.setModelo(row);
    EXPECT_EQ(m.controls.tipoNumero, expected[row]) << row;
  }
  m.controls.tipoNumero = 1;  // the operator's own choice
  m.setModelo(6);             // the same model again is no change
  EXPECT_EQ(m.controls.tipoNumero, 1);

  m.setArchivoCustom(true);
  EXPECT_EQ(m.controls.archivo, "YYYYmmdd");
  m.controls.archivo = "YYmmdd";
  m.setArchivoCustom(true);
  EXPECT_EQ(m.controls.archivo, "YYmmdd");
  m.setArchivoCustom(false);
  EXPECT_EQ(m.controls.archivo, "");
  EXPECT_FALSE(m.accept());
  EXPECT_EQ(reporter.numbers(), std::vector<int>{325});
}

TEST_F(fRelojModelTest, AClockStaysInTheSlotItWasOpenedFrom) {
  putClock(5, 7);
  putClock(7, 7, [](ClsListaRelojes& r) { r.m_Descrip = "the real seven"; });
  list.Operation = 5;
  fRelojModel m(list, reporter);
  ASSERT_TRUE(m.load());
  m.controls.descrip = "edited";
  ASSERT_TRUE(m.accept());
  ASSERT_EQ(list.GetCurData(5), 1);
  EXPECT_EQ(list.m_Prg, 5);
  EXPECT_EQ(list.m_Descrip, "edited");
  ASSERT_EQ(list.GetCurData(7), 1);
  EXPECT_EQ(list.m_Descrip, "the real seven");
}

}  // namespace
