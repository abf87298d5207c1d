// Every command of the main window has its window: with the program's openers registered,
// each opener slot is set, each command reaches the opener of its window, and the window it
// opens is that window. Message boxes and the three-choice window are answered by their
// seams; each window opened is closed as soon as it shows.
#include "widgets/main/ProgramWindows.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/dialogs/FrmMsg.h"
#include "widgets/dialogs/testing/Hooks.h"
#include "widgets/main/FormP.h"

#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Clocks are written as designated initialisers naming only what differs from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Slot = WindowOpeners::Opener WindowOpeners::*;

// The main window's commands and the window each opens. A window that reaches a clock or the
// modem before the operator asks for anything is not opened here (the dial-up window dials
// as it opens, the siren window reads the clock's schedule): its command is shown to reach
// its opener, and the window's own tests open it against the clock simulator.
struct Command {
  const char* action;
  Slot slot;
  const char* window;
  bool reachesClockAsItOpens = false;
};
const Command kCommands[] = {
    {"co1", &WindowOpeners::FIniModemConectar, "FIniModem", true},
    {"co2", &WindowOpeners::FLeer, "FLeer"},
    {"co4", &WindowOpeners::FTime, "FTime"},
    {"co5", &WindowOpeners::fAuto, "fAuto"},
    {"co6", &WindowOpeners::FCbioReloj, "FCbioReloj"},
    {"co7", &WindowOpeners::FConsole, "FConsole"},
    {"he0", &WindowOpeners::FCacheo, "FCacheo"},
    {"he1", &WindowOpeners::FTjtas, "FTjtas"},
    {"he2", &WindowOpeners::FSirenas, "FSirenas", true},
    {"he3", &WindowOpeners::FBases, "FBases"},
    {"he5", &WindowOpeners::FEmpr, "FEmpr"},
    {"he7", &WindowOpeners::FrmTest, "FrmTest"},
    {"op0", &WindowOpeners::Fconfig, "Fconfig"},
    {"ve0", &WindowOpeners::FVerArch, "FVerArch"},
    {"ve1", &WindowOpeners::FAud, "FAud"},
    {"ay0", &WindowOpeners::frmAbout, "frmAbout"},
};
// A new opener slot needs its command in the table above.
static_assert(sizeof(WindowOpeners) == std::size(kCommands) * sizeof(WindowOpeners::Opener));
// The window's own commands, which open no window: the status reading, the clearing of the
// clock's records and the exit.
const std::set<QString> kOwnCommands = {"co0", "co3", "op2"};

// Closes the modal window that opens next and keeps its name; gives up once `done` is set
// (the command returned without one).
void closeNextWindow(const std::shared_ptr<bool>& done, QString& name) {
  QTimer::singleShot(0, [done, &name] {
    if (*done) return;
    QWidget* w = QApplication::activeModalWidget();
    if (!w) {
      closeNextWindow(done, name);
      return;
    }
    name = w->objectName();
    w->close();
  });
}

class ProgramWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
    dialogs::testing::setFrmMsgHook([](const std::string&) { return 0; });
    stores::writeUsers({{"ADMIN", 3, 2}});
    // Slot 1 enables the commands of the common models, slot 2 (model 2, a telephone number)
    // the clock-number change and the dial.
    stores::writeClocks(
        {stores::ClockSpec{}, stores::ClockSpec{.slot = 2, .model = 2, .phone = "5551234"}});
    // No polling on its own (the console and the on-line run wait for the operator); the
    // company editor enabled.
    data.write("VELTA.INI", "[COMMON]\r\nFRECONLINE=0\r\nMULTIEMPRESA=1\r\n");
    apptest::objects().createSettings();
    gCfgFile->Init(data.file("VELTA.INI"));
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
    ASSERT_TRUE(gUsers->FindUser("ADMIN", "3"));
    // As the program does: one run context, built once the objects are there.
    if (std::optional<RunContext> built = collect::programContext(apptest::objects()))
      context.emplace(*built);
    registerOpeners(openers, context);
  }
  void TearDown() override {
    form.reset();
    dialogs::testing::setFrmMsgHook({});
    clocklink::setEventPump({});
  }

  apptest::TempDataFolder data;
  apptest::MsgBoxRecorder boxes;
  std::optional<RunContext> context;
  WindowOpeners openers;
  std::unique_ptr<FormP> form;
};

TEST_F(ProgramWindowsTest, EveryOpenerSlotIsSet) {
  for (const Command& c : kCommands) EXPECT_TRUE(openers.*c.slot) << c.window;
}

TEST_F(ProgramWindowsTest, EveryCommandOpensItsWindow) {
  // Each opener notes its window's name, then opens it unless the window reaches a clock.
  std::vector<std::string> reached;
  for (const Command& c : kCommands) {
    WindowOpeners::Opener real = openers.*c.slot;
    openers.*c.slot = [&reached, c, real](QWidget* parent) {
      reached.push_back(c.window);
      if (!c.reachesClockAsItOpens) real(parent);
    };
  }
  form = std::make_unique<FormP>(openers, apptest::runContext(), &apptest::objects());
  form->show();

  // Every command of the window is either one of its own or in the table.
  std::set<QString> listed(kOwnCommands);
  for (const Command& c : kCommands) listed.insert(c.action);
  for (const QAction* a : form->findChildren<QAction*>()) {
    if (a->property("veltaMenu").isValid()) {
      EXPECT_TRUE(listed.count(a->objectName())) << a->objectName().toStdString();
    }
  }

  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.action);
    auto* a = form->findChild<QAction*>(c.action);
    ASSERT_NE(a, nullptr);
    // The clock that enables the command becomes the current one.
    for (int16_t slot : {1, 2}) {
      if (a->isEnabled()) break;
      form->MostrarConfig(slot);
      form->FijarControles();
    }
    ASSERT_TRUE(a->isEnabled());
    reached.clear();
    QString shown;
    auto done = std::make_shared<bool>(false);
    if (!c.reachesClockAsItOpens) closeNextWindow(done, shown);
    a->trigger();
    *done = true;
    EXPECT_EQ(reached, std::vector<std::string>{c.window});
    if (!c.reachesClockAsItOpens) {
      EXPECT_EQ(shown.toStdString(), c.window);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_TRUE(form->isVisible()) << "the command closed the main window";
  }
}

}  // namespace
