// The clock windows over a damaged clock record whose interface (7) names no link: every
// command says it failed, with the box its window gives for a failure, and none beeps as done;
// model 6, which sends without waiting for an acknowledgement, included.
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/clock/FCacheo.h"
#include "widgets/clock/FCbioReloj.h"
#include "widgets/clock/FSirenas.h"
#include "widgets/clock/FTime.h"
#include "widgets/clock/FTjtas.h"

#include <clocklink/ClsMirsol.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

#include <functional>
#include <string>
#include <vector>

namespace {

class ClockWindowTest : public ::testing::Test {
 protected:
  ClockWindowTest() {
    apptest::objects().createSettings();
    apptest::objects().createClockList();
    apptest::objects().createModem();  // the run context holds it beside the clock object
    apptest::objects().createMirsol();
  }
  // The current clock as the main window sets it from the record.
  void selectRecord(int16_t model) {
    gListaRelojes->m_Modelo = model;
    gListaRelojes->m_TipoNumero = 1;
    gMirsol->SetTimeOut(1);
    (void)gMirsol->SetTimeRecorder("1", model, "COM1", "9600", "", 1, "", 7, 0, 0, 5);
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes{msgbox::Yes};
};

void trigger(QWidget& w, const char* action) { w.findChild<QAction*>(action)->trigger(); }

TEST_F(ClockWindowTest, EveryCommandOverARecordWithNoLinkFails) {
  struct Case {
    const char* name;
    std::function<void()> run;  // opens the window and gives the command
    std::vector<int> boxes;     // confirmations, then the failure
  };
  const Case cases[] = {
      {"search percentage",
       [] {
         FCacheo w(nullptr, apptest::windowContext());
         trigger(w, "mnu0");
       },
       {340}},
      {"clock number",
       [] {
         FCbioReloj w(nullptr, apptest::windowContext());
         w.Text1()->setText("7");
         trigger(w, "mnu0");
       },
       {194, 350}},
      {"date and time",
       [] {
         FTime w(nullptr, apptest::windowContext());
         trigger(w, "mnu0");
       },
       {329}},
      {"a card suspended",
       [] {
         FTjtas w(nullptr, apptest::windowContext());
         w.Tarjeta()->setText("123");
         trigger(w, "mnu1_0");
       },
       {196, 339}},
      {"a card enabled",
       [] {
         FTjtas w(nullptr, apptest::windowContext());
         w.Tarjeta()->setText("123");
         trigger(w, "mnu1_1");
       },
       {198, 314}},
      {"normal locking",
       [] {
         FTjtas w(nullptr, apptest::windowContext());
         trigger(w, "mnu3_0");
       },
       {338}},
      {"every card enabled",
       [] {
         FTjtas w(nullptr, apptest::windowContext());
         trigger(w, "mnu3_1");
       },
       {200, 338}},
      {"every card suspended",
       [] {
         FTjtas w(nullptr, apptest::windowContext());
         trigger(w, "mnu3_2");
       },
       {201, 338}},
      {"the siren list read on opening",
       [] { FSirenas w(nullptr, apptest::windowContext()); },
       {332}},
      {"a siren added",
       [] {
         FSirenas w(nullptr, apptest::windowContext());
         w.command(0)->trigger();  // Nuevo
         w.ListaDias()->setCurrentIndex(1);
         w.ListaSirenas()->setCurrentIndex(0);
         w.MEdHora(0)->setText("7");
         w.MEdHora(1)->setText("5");
         w.MEdDuracion()->setText("5");
         w.command(0)->trigger();  // Actualizar
       },
       {332, 328}},
      {"every siren deleted",
       [] {
         FSirenas w(nullptr, apptest::windowContext());
         w.command(2)->trigger();
       },
       {332, 199, 338, 332}},
  };
  for (const int16_t model : {int16_t{6}, int16_t{0}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", model " + std::to_string(model));
      selectRecord(model);
      boxes.clear();
      c.run();
      EXPECT_EQ(boxes.numbers(), c.boxes);
    }
  }
}

}  // namespace
