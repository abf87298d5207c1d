#include "widgets/admin/FEmpr.h"

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/tests/ListEditorSteps.h"
#include "widgets/dialogs/FileDialogs.h"
#include "widgets/dialogs/MsgBoxReporter.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <basekit/atomicfile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <cerrno>

namespace {

CompanyRecord company(double from, double to, const std::string& name) {
  CompanyRecord r;
  r.version = 3;
  r.inUse = 1;
  r.desde = from;
  r.hasta = to;
  r.name = storefile::fitText(name, 50);
  r.archivo = storefile::fitText(name + ".MIR", 20);
  r.carpeta = storefile::fitText("/out/", 255);
  return r;
}

class FEmprTest : public ::testing::Test {
 protected:
  FEmprTest() {
    apptest::objects().createSettings();
    gCfgFile->LongTarjeta = 8;
    gCfgFile->LongTouch = 4;
    apptest::objects().createClockList();
    gListaRelojes->m_TipoNumero = 1;
  }

  void writeCompanies(const std::vector<CompanyRecord>& companies) {
    std::string bytes;
    for (const CompanyRecord& r : companies) bytes += ClsListaEmpresas::encodeRecord(r);
    tmp.write("EMPR.DAT", bytes);
  }

  // Slots 1..100 of EMPR.DAT as written, read back through the store.
  ClsListaEmpresas::Table reload() {
    ClsListaEmpresas store;
    store.Iniciar(tmp.file("EMPR.DAT"));
    (void)store.CargarEmpresas();
    return store.table();
  }

  // Enters a new company through the commands; true when it was added.
  bool enter(FEmprModel& m, const std::string& from, const std::string& to,
             const std::string& name) {
    const size_t before = m.rows().size();
    m.run(FEmprModel::kNuevo);
    m.fields.desde = from;
    m.fields.hasta = to;
    m.fields.descripcion = name;
    m.run(FEmprModel::kNuevo);
    if (m.entry()) m.run(FEmprModel::kCancelar);
    return m.rows().size() == before + 1;
  }

  apptest::TempDataFolder tmp;
  apptest::MsgBoxRecorder boxes{msgbox::Yes};
  MsgBoxReporter reporter;  // the models' boxes, recorded by `boxes`
};

TEST_F(FEmprTest, OverlappingRangesAreRefused) {
  writeCompanies({company(100, 200, "Acme")});
  const struct {
    const char* name;
    const char *from, *to;
    int box;
  } cases[] = {
      {"equal", "100", "200", 355},
      {"start at the row's end", "200", "300", 355},
      {"end at the row's start", "50", "100", 355},
      {"inside", "120", "150", 355},
      {"enclosing", "50", "250", 355},
      {"right after", "201", "300", 0},
      {"right before", "1", "99", 0},
      {"from above to passes", "500", "400", 0},
      {"empty from", "", "300", 356},
      {"not a number", "12x", "300", 341},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    boxes.clear();
    FEmprModel m(reporter);
    m.load();
    EXPECT_EQ(enter(m, tc.from, tc.to, "New"), tc.box == 0);
    if (tc.box == 0) {
      EXPECT_TRUE(boxes.boxes().empty());
    } else {
      ASSERT_EQ(boxes.numbers(), std::vector<int>{tc.box});
      EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
    }
  }
}

TEST_F(FEmprTest, EntryChecksDescriptionAndFolder) {
  FEmprModel m(reporter);
  int beeps = 0;
  m.hooks.beep = [&] { ++beeps; };
  m.load();
  EXPECT_EQ(beeps, 1);
  m.run(FEmprModel::kBaja);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{336});
  boxes.clear();
  EXPECT_FALSE(enter(m, "1", "2", "   "));
  EXPECT_EQ(boxes.numbers(), std::vector<int>{318});
  m.run(FEmprModel::kNuevo);
  m.fields = {" 1 ", "2", "Acme", "", "C:\\DATOS"};
  m.run(FEmprModel::kNuevo);
  ASSERT_EQ(m.rows().size(), 1u);
  EXPECT_EQ(m.rows().at(0).cells, (std::vector<std::string>{"1", "2", "Acme", "", "C:\\DATOS/"}));
  EXPECT_FALSE(m.entry());
  EXPECT_TRUE(m.enabled(FEmprModel::kModificar));
  EXPECT_FALSE(m.enabled(FEmprModel::kCancelar));
}

// Browsing offers all but Cancel; an entry offers Update, Cancel and Exit, also after a
// refused check.
TEST_F(FEmprTest, CommandSetFollowsTheBrowseAndEntryStates) {
  writeCompanies({company(1, 9, "Acme"), company(10, 19, "Beta")});
  FEmprModel m(reporter);
  m.load();
  // Nuevo, Modificar, Baja, Cancelar, Salir
  walkBrowseAndEntry(m, {"5", "6", "New", "", ""}, {"20", "29", "New", "", ""},
                     {true, true, true, false, true}, {true, false, false, true, true});
  EXPECT_EQ(m.rows().size(), 3u);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{355});
  EXPECT_EQ(m.fields.descripcion, "Acme");
}

TEST_F(FEmprTest, BajaAsksAndRemovesTheSelectedRow) {
  writeCompanies({company(1, 9, "Acme"), company(10, 19, "Beta")});
  FEmprModel m(reporter);
  m.load();
  m.mostrarDatos(2);
  boxes.answer(msgbox::No);
  m.run(FEmprModel::kBaja);
  EXPECT_EQ(m.rows().size(), 2u);
  EXPECT_EQ(m.rows().selected(), 1);  // No leaves the shown row as it is
  EXPECT_EQ(m.fields.descripcion, "Beta");
  boxes.answer(msgbox::Yes);
  m.run(FEmprModel::kBaja);
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{194, 194}));
  ASSERT_EQ(m.rows().size(), 1u);
  EXPECT_EQ(m.rows().at(0).cells[2], "Acme");
  EXPECT_EQ(m.rows().selected(), 0);
  EXPECT_EQ(m.fields.descripcion, "Acme");
}

TEST_F(FEmprTest, TouchRangesAreHexadecimal) {
  gListaRelojes->m_TipoNumero = 2;
  {
    FEmprModel m(reporter);
    m.load();
    ASSERT_TRUE(enter(m, "00FF", "0100", "Touch"));
    ASSERT_TRUE(enter(m, "FFFF", "FFFF", "Top"));
    ASSERT_TRUE(m.salir());
  }
  const ClsListaEmpresas::Table stored = reload();
  EXPECT_EQ(stored[1].desde, 255);
  EXPECT_EQ(stored[1].hasta, 256);
  EXPECT_EQ(stored[2].desde, 65535);
  FEmprModel again(reporter);
  again.load();
  EXPECT_EQ(again.rows().at(0).cells[0], "FF");
  EXPECT_EQ(again.rows().at(0).cells[1], "100");
  EXPECT_EQ(again.rows().at(1).cells[0], "FFFF");
}

TEST_F(FEmprTest, ExitWritesTheSortedOrderIntoSlotsOneToN) {
  writeCompanies({company(1, 9, "Zeta"), company(10, 19, "Alfa"), company(20, 29, "Mu")});
  FEmprModel m(reporter);
  m.load();
  m.sortBy(2);
  m.mostrarDatos(3);  // "Zeta"
  m.fields.descripcion = " Zeta SA ";
  m.fields.archivo = " Z.MIR ";
  m.fields.directorio = "/z";
  m.run(FEmprModel::kModificar);
  ASSERT_TRUE(m.salir());
  const ClsListaEmpresas::Table stored = reload();
  // The table as the editor left it for the store: every company of the current form.
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(stored[i].version, 3) << i;
  EXPECT_EQ(basic::Trim(stored[1].name), "Alfa");
  EXPECT_EQ(basic::Trim(stored[2].name), "Mu");
  EXPECT_EQ(basic::Trim(stored[3].name), "Zeta SA");
  EXPECT_EQ(basic::Trim(stored[3].archivo), "Z.MIR");
  EXPECT_EQ(basic::Trim(stored[3].carpeta), "/z/");
  EXPECT_EQ(stored[1].desde, 10);
  for (int i = 1; i <= 100; ++i) EXPECT_EQ(stored[i].inUse, i <= 3 ? 1 : -1) << i;
}

TEST_F(FEmprTest, AnEmptiedTableIsLeftInTheCurrentForm) {
  // Free slots that carry the older form's version (the loader reads a whole file by slot 1's
  // version, so only the later slots can hold it).
  std::vector<CompanyRecord> free(100);
  for (size_t i = 0; i < free.size(); ++i) {
    free[i].version = i == 0 ? FEmprModel::kSavedVersion : ClsListaEmpresas::kOldVersion;
    free[i].inUse = -1;
  }
  writeCompanies(free);
  FEmprModel m(reporter);
  m.load();
  ASSERT_TRUE(m.salir());
  const ClsListaEmpresas::Table stored = reload();
  for (int i = 1; i <= 100; ++i) {
    EXPECT_EQ(stored[i].version, 3) << i;
    EXPECT_EQ(stored[i].inUse, -1) << i;
  }
}

TEST_F(FEmprTest, NoMoreThanAHundredCompanies) {
  std::vector<CompanyRecord> all;
  for (int i = 0; i < 100; ++i) all.push_back(company(i * 10, i * 10 + 9, "C" + std::to_string(i)));
  writeCompanies(all);
  FEmprModel m(reporter);
  m.load();
  ASSERT_EQ(m.rows().size(), 100u);
  m.run(FEmprModel::kNuevo);
  EXPECT_FALSE(m.entry());
  EXPECT_EQ(boxes.numbers(), std::vector<int>{338});
}

TEST_F(FEmprTest, AFailedWriteSaysSoAndKeepsTheList) {
  writeCompanies({company(1, 9, "Acme")});
  const std::string before = tmp.read("EMPR.DAT");
  FEmprModel m(reporter);
  m.load();
  ASSERT_TRUE(enter(m, "10", "20", "Beta"));
  basekit::testing::failNextReplace(ENOSPC);
  EXPECT_FALSE(m.salir());
  ASSERT_EQ(boxes.numbers(), std::vector<int>{320});
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
  EXPECT_EQ(m.rows().size(), 2u);
  EXPECT_EQ(tmp.read("EMPR.DAT"), before);
  EXPECT_TRUE(m.salir());
}

TEST_F(FEmprTest, WindowDiscardsOnCloseAndWritesOnExit) {
  writeCompanies({company(1, 9, "Acme"), company(10, 19, "Beta")});
  const std::string before = tmp.read("EMPR.DAT");
  {
    FEmpr w;
    w.show();
    w.commands().action(FEmprModel::kBaja)->trigger();
    EXPECT_EQ(w.list()->model()->rowCount(), 1);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    w.close();
  }
  EXPECT_EQ(tmp.read("EMPR.DAT"), before);

  FEmpr w;
  w.show();
  auto* desde = w.findChild<QLineEdit*>("TxtDesde");
  EXPECT_FALSE(desde->isEnabled());
  w.list()->horizontalHeader()->sectionClicked(2);
  w.list()->horizontalHeader()->sectionClicked(2);
  EXPECT_EQ(w.list()->model()->index(0, 2).data().toString(), "Beta");
  w.commands().button(1)->click();  // Nuevo
  EXPECT_TRUE(desde->isEnabled());
  EXPECT_FALSE(w.commands().action(FEmprModel::kBaja)->isEnabled());
  QTest::keyClicks(desde, "20");
  QTest::keyClicks(w.findChild<QLineEdit*>("TxtHasta"), "29");
  w.findChild<QLineEdit*>("TxtDescripcion")->setText("Gamma");
  dialogs::testing::setNextFileName(std::string("/data/gamma"));
  w.findChild<QPushButton*>("CmdExaminar")->click();
  EXPECT_EQ(w.findChild<QLineEdit*>("TxtDirectorio")->text(), "/data/gamma");
  w.commands().action(0)->trigger();  // Actualizar
  EXPECT_FALSE(w.model().entry());
  EXPECT_EQ(w.list()->model()->rowCount(), 3);
  EXPECT_EQ(w.findChild<QLineEdit*>("TxtDirectorio")->text(), "/data/gamma/");
  EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("FEmpr.png")));
  w.commands().button(5)->click();  // Salir
  EXPECT_EQ(w.result(), QDialog::Accepted);
  const ClsListaEmpresas::Table stored = reload();
  EXPECT_EQ(basic::Trim(stored[1].name), "Gamma");
  EXPECT_EQ(basic::Trim(stored[2].name), "Beta");
  EXPECT_EQ(basic::Trim(stored[3].name), "Acme");
}

}  // namespace
