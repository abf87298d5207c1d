// The audit-log viewer: its own opening record, Baja.
#include "widgets/admin/FAud.h"

#include "admin/FAudModel.h"
#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QTreeView>

#include <sys/stat.h>

namespace {

struct AuditFixture : ::testing::Test {
  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes;
  void SetUp() override {
    apptest::objects().createSettings();
    apptest::objects().createAuditLog();
    gAuditoria->Iniciar(folder.file("VELTA.AUD"));
  }
  std::vector<std::string> column(FAud& w, int c) {
    std::vector<std::string> out;
    auto* m = w.Lst()->model();
    for (int r = 0; r < m->rowCount(); ++r)
      out.push_back(m->index(r, c).data().toString().toStdString());
    return out;
  }
};

TEST_F(AuditFixture, ListsTheRecordOfTheCommandThatOpenedIt) {
  gAuditoria->AddRecord("Auditor\u00eda");  // what the main window records before opening it
  FAud w(nullptr, apptest::windowContext());
  ASSERT_EQ(w.model()->rowCount(), 1u);
  EXPECT_EQ(basic::Trim(column(w, 1)[0]), "MNU->Auditor\u00eda");
  EXPECT_EQ(w.windowTitle().toStdString(), "Auditor\u00eda");
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FAud.png"));
}

TEST_F(AuditFixture, BajaYesEmptiesTheLogAndASecondBajaSays336) {
  gAuditoria->AddRecord("A");
  gAuditoria->AddRecord("B");
  FAud w(nullptr, apptest::windowContext());
  boxes.answer(msgbox::Yes);
  w.mnuBaja()->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{194});
  EXPECT_EQ(boxes.boxes()[0].buttons(), msgbox::YesNo);
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Question);
  EXPECT_FALSE(folder.exists("VELTA.AUD"));
  EXPECT_EQ(w.model()->rowCount(), 0u);
  boxes.clear();
  w.mnuBaja()->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{336});
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Exclamation);
}

TEST_F(AuditFixture, BajaNoLeavesTheFileAndAFailedDeletionSays320) {
  gAuditoria->AddRecord("A");
  const std::string before = folder.read("VELTA.AUD");
  FAud w(nullptr, apptest::windowContext());
  boxes.answer(msgbox::No);
  w.mnuBaja()->trigger();
  EXPECT_EQ(folder.read("VELTA.AUD"), before);
  EXPECT_EQ(w.model()->rowCount(), 1u);

  // A log that cannot be deleted: a folder has taken its name.
  ASSERT_EQ(std::remove(folder.file("VELTA.AUD").c_str()), 0);
  ASSERT_EQ(mkdir(folder.file("VELTA.AUD").c_str(), 0755), 0);
  folder.write("VELTA.AUD/keep", "x");
  boxes.clear();
  boxes.answer(msgbox::Yes);
  w.mnuBaja()->trigger();
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{194, 320}));
  EXPECT_NE(boxes.boxes()[1].text.find("VELTA.AUD"), std::string::npos);
  EXPECT_EQ(w.model()->rowCount(), 0u);
}

TEST_F(AuditFixture, SalirCloses) {
  FAud w(nullptr, apptest::windowContext());
  w.show();
  w.mnuSalir()->trigger();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.mnuSalir()->text().toStdString(), " &Salir");
}

}  // namespace

namespace {

// The viewer lists and empties the log it is handed, not the program's.
TEST_F(AuditFixture, WorksOverTheHandedLog) {
  gAuditoria->AddRecord("programa");
  const std::string programLog = folder.read("VELTA.AUD");
  ClsAuditoria handed;
  handed.Iniciar(folder.file("OTRO.AUD"));
  handed.AddRecord("A");
  handed.AddRecord("B");
  AdminObjects objects = AdminObjects::of(apptest::objects());
  objects.audit = &handed;
  FAud w(nullptr, apptest::windowContext(objects));
  EXPECT_EQ(w.model()->rowCount(), 2u);
  boxes.answer(msgbox::Yes);
  w.mnuBaja()->trigger();
  EXPECT_FALSE(folder.exists("OTRO.AUD"));
  EXPECT_EQ(folder.read("VELTA.AUD"), programLog);
}

}  // namespace
