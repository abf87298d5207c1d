// The ways in: the stores' editor hooks and the main window's openers show each editor
// modally; every window here is answered by a command of its own, as an operator would.
#include "widgets/admin/EditorHooks.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/FBases.h"
#include "widgets/admin/FEmpr.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <functional>

namespace {

// Triggers command `mnu(index)` of the modal window that opens next.
void whenShownTrigger(int index) {
  QTimer::singleShot(0, [index] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    QAction* a = w->findChild<QAction*>(QStringLiteral("mnu(%1)").arg(index));
    ASSERT_NE(a, nullptr);
    a->trigger();
  });
}

class EditorOpenersTest : public ::testing::Test {
 protected:
  EditorOpenersTest() {
    apptest::objects().createSettings();
    apptest::objects().createClockList();
    gListaRelojes->Iniciar(tmp.file("velta002.dat"));
    apptest::objects().createUsers();
    gUsers->Iniciar(tmp.file("VELTA.DAT"));
    registerEditorHooks(apptest::objects().editorHooks());
  }

  apptest::TempDataFolder tmp;
  apptest::MsgBoxRecorder boxes;
};

TEST_F(EditorOpenersTest, StoresOpenTheirEditorsThroughTheHooks) {
  gListaRelojes->m_Prg = 2;
  gListaRelojes->M_Numero = "1";
  gListaRelojes->m_Puerto = "COM1";
  gListaRelojes->m_Velocidad = "9600";
  gListaRelojes->M_Comunicacion = 1;
  gListaRelojes->M_Archivo = "REGIS.MIR";
  gListaRelojes->SetCurData(2);
  whenShownTrigger(1);  // Cancelar
  EXPECT_FALSE(gListaRelojes->Modificar(2));
  whenShownTrigger(0);  // Aceptar
  EXPECT_TRUE(gListaRelojes->Modificar(2));

  gUsers->Operation = 0;
  whenShownTrigger(1);
  apptest::objects().editorHooks().users(*gUsers);
  EXPECT_EQ(gUsers->Operation, -1);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(EditorOpenersTest, MainWindowOpenersShowTheCardAndCompanyEditors) {
  whenShownTrigger(5);  // Salir
  openFBases(nullptr);
  EXPECT_TRUE(tmp.exists("VELTA.TAR"));
  whenShownTrigger(4);  // Salir
  openFEmpr(nullptr);
  EXPECT_TRUE(tmp.exists("EMPR.DAT"));
}

}  // namespace
