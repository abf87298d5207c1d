#include "widgets/admin/FBases.h"

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/EditorSupport.h"
#include "widgets/admin/tests/ListEditorSteps.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <basekit/atomicfile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <cerrno>
#include <functional>

namespace {

CardRecord card(double number, const std::string& name, int16_t group = 0,
                const std::string& legajo = "") {
  CardRecord r;
  r.card = number;
  r.name = name;
  r.Grupo = group;
  r.Legajo = legajo;
  return r;
}

class FBasesTest : public ::testing::Test {
 protected:
  FBasesTest() {
    apptest::objects().createSettings();
    gCfgFile->LongTarjeta = 5;
    gCfgFile->LongTouch = 4;
    apptest::objects().createClockList();
    gListaRelojes->m_TipoNumero = 1;
  }

  void writeCards(const std::vector<CardRecord>& cards) {
    std::string bytes;
    for (const CardRecord& r : cards) bytes += ClsTarjetas::encodeRecord(r);
    tmp.write("VELTA.TAR", bytes);
  }

  // The names of VELTA.TAR, in file order.
  std::vector<std::string> storedNames() {
    ClsTarjetas store;
    store.Iniciar(tmp.file("VELTA.TAR"));
    (void)store.CargarTarjetas();
    std::vector<std::string> names;
    for (const CardRecord& r : store.table())
      if (r.card > 0) names.push_back(basic::Trim(r.name));
    return names;
  }

  const CardRow& row(const FBasesModel& m, size_t i) { return m.rows().at(i); }

  apptest::TempDataFolder tmp;
  apptest::MsgBoxRecorder boxes{msgbox::Yes};
  MsgBoxReporter reporter;  // the models' boxes, recorded by `boxes`
};

TEST_F(FBasesTest, ListsNumbersInTheCurrentClocksKindAndDigits) {
  writeCards(
      {card(123, "Ana", 7, "L1"), card(1234567, "Bruno"), card(0, "gone"), card(255, "Carla")});
  struct {
    int16_t kind;
    std::vector<std::string> numbers;
  } cases[] = {{1, {"00123", "34567", "00255"}}, {2, {"007B", "D687", "00FF"}}};
  for (const auto& tc : cases) {
    gListaRelojes->m_TipoNumero = tc.kind;
    FBasesModel m(reporter);
    int beeps = 0;
    m.hooks.beep = [&] { ++beeps; };
    m.load();
    ASSERT_EQ(m.rows().size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(row(m, i).cells[0], tc.numbers[i]) << tc.kind;
    EXPECT_EQ(row(m, 0).cells,
              (std::vector<std::string>{tc.numbers[0], "Ana", "007", "", "", "L1"}));
    EXPECT_EQ(m.fields.descrip, "Ana");
    EXPECT_EQ(m.rows().selected(), 0);
    EXPECT_EQ(beeps, 0);
  }
}

TEST_F(FBasesTest, SalirWritesEachLoadedCardsOwnNumber) {
  CardRecord marked = card(1234567, "Bruno", 12, "99");
  marked.Resaltar = 1;
  marked.Novedad = 1;
  writeCards({card(123, "Ana"), marked});
  const std::string before = tmp.read("VELTA.TAR");
  FBasesModel m(reporter);
  m.load();
  EXPECT_EQ(row(m, 1).cells[0], "34567");
  ASSERT_TRUE(m.salir());
  EXPECT_EQ(tmp.read("VELTA.TAR"), before);
  EXPECT_TRUE(boxes.boxes().empty());
}

struct EntryCase {
  const char* name;
  int16_t kind;
  FBasesModel::Fields typed;
  int box;                         // 0: row added
  std::vector<std::string> added;  // the new row's cells
};

TEST_F(FBasesTest, NewHolderIsCheckedPaddedAndAppended) {
  writeCards({card(123, "Ana")});
  const EntryCase cases[] = {
      {"touch padded, upper case",
       2,
       {"ab", "Eva", "5", " L7 ", false, true},
       0,
       {"00AB", "Eva", "005", "", "X", "L7"}},
      {"group not numeric",
       1,
       {"77", "Eva", "x", "", true, false},
       0,
       {"00077", "Eva", "000", "X", "", ""}},
      {"empty group stays",
       1,
       {"78", "Eva", "  ", "", false, false},
       0,
       {"00078", "Eva", "", "", "", ""}},
      {"exact duplicate", 1, {"00123", "Eva", "", "", false, false}, 358, {}},
      {"duplicate once padded", 1, {"123", "Eva", "", "", false, false}, 358, {}},
      {"empty number", 1, {"  ", "Eva", "", "", false, false}, 356, {}},
      {"blank description", 1, {"9", "   ", "", "", false, false}, 318, {}},
      {"not a decimal number", 1, {"12a", "Eva", "", "", false, false}, 341, {}},
      {"not a touch number", 2, {"xyz", "Eva", "", "", false, false}, 341, {}},
  };
  for (const EntryCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    gListaRelojes->m_TipoNumero = tc.kind;
    boxes.clear();
    FBasesModel m(reporter);
    m.load();
    m.run(FBasesModel::kNuevo);
    ASSERT_TRUE(m.entry());
    EXPECT_EQ(m.fields.grupo, "00");
    EXPECT_FALSE(m.enabled(FBasesModel::kSalir));
    EXPECT_TRUE(m.enabled(FBasesModel::kCancelar));
    EXPECT_EQ(m.caption0(), 112);
    m.fields = tc.typed;
    m.run(FBasesModel::kNuevo);
    if (tc.box != 0) {
      EXPECT_EQ(boxes.numbers(), std::vector<int>{tc.box});
      EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
      EXPECT_TRUE(m.entry());
      EXPECT_EQ(m.rows().size(), 1u);
      if (tc.box == 341) {
        EXPECT_EQ(m.fields.touch, "");
      }
      continue;
    }
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_FALSE(m.entry());
    EXPECT_TRUE(m.enabled(FBasesModel::kSalir));
    EXPECT_FALSE(m.enabled(FBasesModel::kCancelar));
    ASSERT_EQ(m.rows().size(), 2u);
    EXPECT_EQ(row(m, 1).cells, tc.added);
    EXPECT_EQ(m.rows().selected(), 1);
  }
}

// Browsing offers all but Cancelar; an entry offers only Actualizar and Cancelar, also after
// a refused check.
TEST_F(FBasesTest, CommandSetFollowsTheBrowseAndEntryStates) {
  writeCards({card(1, "Ana"), card(2, "Bruno")});
  FBasesModel m(reporter);
  m.load();
  // Nuevo, Modificar, Baja, Cancelar, Importar, Salir
  walkBrowseAndEntry(m, {"", "Eva", "", "", false, false}, {"9", "Eva", "", "", false, false},
                     {true, true, true, false, true, true},
                     {true, false, false, true, false, false});
  EXPECT_EQ(m.rows().size(), 3u);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{356});
  EXPECT_EQ(m.fields.descrip, "Ana");
}

TEST_F(FBasesTest, ImportedNumbersAreNotPaddedAndImportingTwiceAddsTwice) {
  writeCards({card(5, "Ana")});
  tmp.write("DBTAR.DAT", "123 - Imported One\r\n456 - Imported Two\r\n");
  FBasesModel m(reporter);
  m.load();
  m.run(FBasesModel::kImportar);
  m.run(FBasesModel::kImportar);
  ASSERT_EQ(m.rows().size(), 5u);
  EXPECT_EQ(row(m, 1).cells[0], "123");
  EXPECT_EQ(row(m, 3).cells[0], "123");
  EXPECT_EQ(row(m, 4).cells[1], "Imported Two");
  boxes.clear();
  m.run(FBasesModel::kNuevo);
  m.fields = {"00123", "Typed", "", "", false, false};
  m.run(FBasesModel::kNuevo);
  EXPECT_TRUE(boxes.boxes().empty());
  ASSERT_EQ(m.rows().size(), 6u);
  ASSERT_TRUE(m.salir());
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"Ana", "Imported One", "Imported Two",
                                                     "Imported One", "Imported Two", "Typed"}));
  // Answering No imports nothing.
  boxes.answer(msgbox::No);
  m.run(FBasesModel::kImportar);
  EXPECT_EQ(m.rows().size(), 6u);
}

TEST_F(FBasesTest, ImportedQuotedItemsAndCommasAreSavedAsTheirOwnHolders) {
  tmp.write("DBTAR.DAT", "555 - Pepe Import,\"456 - Lopez, Ana\"\r\n\"123 - Ana\"\r\n");
  FBasesModel m(reporter);
  m.load();
  m.run(FBasesModel::kImportar);
  ASSERT_EQ(m.rows().size(), 3u);
  EXPECT_EQ(row(m, 1).cells[0], "456");
  EXPECT_EQ(row(m, 2).cells[0], "123");
  ASSERT_TRUE(m.salir());
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"Pepe Import", "Lopez, Ana", "Ana"}));
}

TEST_F(FBasesTest, ModificarKeepsTheNumberAndTheTypedGroup) {
  writeCards({card(1234567, "Bruno", 3)});
  FBasesModel m(reporter);
  m.load();
  m.fields.touch = "99999";  // the number box is disabled outside entry; never applied
  m.fields.descrip = "Bruno B";
  m.fields.grupo = "7";
  m.fields.resaltar = true;
  m.run(FBasesModel::kModificar);
  EXPECT_EQ(row(m, 0).cells, (std::vector<std::string>{"34567", "Bruno B", "7", "X", "", ""}));
  m.fields.descrip = "";
  m.run(FBasesModel::kModificar);  // an empty description changes nothing
  EXPECT_EQ(row(m, 0).cells[1], "Bruno B");
  ASSERT_TRUE(m.salir());
  ClsTarjetas store;
  store.Iniciar(tmp.file("VELTA.TAR"));
  (void)store.CargarTarjetas();
  ASSERT_EQ(store.FindRecord(1234567), 0);
  EXPECT_EQ(store.Grupo(), 7);
  EXPECT_EQ(store.Resaltar(), 1);
}

TEST_F(FBasesTest, HeaderSortIsStableTogglesAndSalirWritesThatOrder) {
  writeCards({card(1, "Carla", 2), card(2, "Ana", 1), card(3, "Bruno", 2), card(4, "Ana", 3)});
  FBasesModel m(reporter);
  m.load();
  auto names = [&] {
    std::vector<std::string> out;
    for (size_t i = 0; i < m.rows().size(); ++i)
      out.push_back(row(m, i).cells[1] + row(m, i).cells[2]);
    return out;
  };
  m.sortBy(1);
  EXPECT_EQ(names(), (std::vector<std::string>{"Ana001", "Ana003", "Bruno002", "Carla002"}));
  m.sortBy(1);
  EXPECT_EQ(names(), (std::vector<std::string>{"Carla002", "Bruno002", "Ana001", "Ana003"}));
  m.sortBy(2);  // a new column starts ascending; equal groups keep their order
  EXPECT_EQ(names(), (std::vector<std::string>{"Ana001", "Carla002", "Bruno002", "Ana003"}));
  ASSERT_TRUE(m.salir());
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"Ana", "Carla", "Bruno", "Ana"}));
}

TEST_F(FBasesTest, EmptyListBeepsAndBajaSaysThereIsNothing) {
  FBasesModel m(reporter);
  int beeps = 0;
  m.hooks.beep = [&] { ++beeps; };
  m.load();
  EXPECT_EQ(beeps, 1);
  EXPECT_TRUE(m.rows().empty());
  m.run(FBasesModel::kBaja);
  ASSERT_EQ(boxes.numbers(), std::vector<int>{336});
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Exclamation);
  ASSERT_TRUE(m.salir());  // the first Salir creates the file
  EXPECT_TRUE(tmp.exists("VELTA.TAR"));
}

TEST_F(FBasesTest, BajaAsksAndRemovesTheSelectedRow) {
  writeCards({card(1, "Ana"), card(2, "Bruno")});
  FBasesModel m(reporter);
  m.load();
  m.mostrarTarjeta(2);
  boxes.answer(msgbox::No);
  m.run(FBasesModel::kBaja);
  EXPECT_EQ(m.rows().size(), 2u);
  EXPECT_EQ(m.fields.descrip, "Ana");  // row 1 is shown again after either answer
  m.mostrarTarjeta(2);
  m.run(FBasesModel::kBaja);
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{194, 194}));
  ASSERT_EQ(m.rows().size(), 1u);
  EXPECT_EQ(m.fields.descrip, "Ana");
}

TEST_F(FBasesTest, AFailedWriteKeepsTheWindowTheRowsAndTheFile) {
  writeCards({card(1, "Ana")});
  const std::string before = tmp.read("VELTA.TAR");
  tmp.write("DBTAR.DAT", "- nameless\r\n");
  FBasesModel m(reporter);
  m.load();
  m.run(FBasesModel::kImportar);
  boxes.clear();
  EXPECT_FALSE(m.salir());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
  EXPECT_EQ(m.rows().selected(), 1);  // the row the store refused
  EXPECT_EQ(m.rows().size(), 2u);
  EXPECT_EQ(tmp.read("VELTA.TAR"), before);

  m.mostrarTarjeta(2);
  boxes.answer(msgbox::Yes);
  m.run(FBasesModel::kBaja);
  boxes.clear();
  basekit::testing::failNextReplace(ENOSPC);
  EXPECT_FALSE(m.salir());
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(tmp.read("VELTA.TAR"), before);
  EXPECT_TRUE(m.salir());
}

TEST_F(FBasesTest, WindowDiscardsOnCloseIgnoresEscapeAndWritesOnSalir) {
  writeCards({card(123, "Ana"), card(77, "Bruno")});
  const std::string before = tmp.read("VELTA.TAR");
  {
    FBases w;
    w.show();
    w.commands().action(FBasesModel::kBaja)->trigger();
    EXPECT_EQ(w.model().rows().size(), 1u);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    w.close();
  }
  EXPECT_EQ(tmp.read("VELTA.TAR"), before);

  FBases w;
  w.show();
  EXPECT_EQ(w.list()->model()->rowCount(), 2);
  EXPECT_EQ(w.list()->model()->index(0, 0).data().toString(), "00123");
  w.list()->horizontalHeader()->sectionClicked(1);
  w.list()->horizontalHeader()->sectionClicked(1);
  EXPECT_EQ(w.list()->model()->index(0, 1).data().toString(), "Bruno");
  w.commands().button(1)->click();  // Nuevo
  auto* touch = w.findChild<QLineEdit*>("Touch");
  EXPECT_TRUE(touch->isEnabled());
  EXPECT_FALSE(w.list()->isEnabled());
  QTest::keyClicks(touch, "4567890");
  EXPECT_EQ(touch->text(), "45678");
  w.findChild<QLineEdit*>("Descrip")->setText("Carla");
  EXPECT_EQ(w.commands().action(0)->text(), "A&ctualizar");
  w.commands().action(0)->trigger();  // Actualizar
  EXPECT_EQ(w.commands().action(0)->text(), "&Nuevo");
  EXPECT_EQ(w.list()->model()->rowCount(), 3);
  EXPECT_EQ(w.list()->selectionModel()->currentIndex().row(), 0);  // "Carla" sorts first
  EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("FBases.png")));
  w.commands().button(6)->click();  // Salir
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"Carla", "Bruno", "Ana"}));
}

}  // namespace
