// The collection console: rows from CONSOLE.MIR with their holders and colours, the trim to
// MAXCONSOLE, a cycle over a simulated clock, pause and resume, and a command during a cycle.
#include "widgets/clock/FConsole.h"

#include "collect/RunContext.h"
#include "core/ClsCfgFile.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/SilentListener.h"
#include "testsupport/WaitFor.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/common/ProgressListWidget.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <optional>
#include <sys/stat.h>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

CardRecord holder(double card, const std::string& name, int16_t resaltar, int16_t novedad) {
  CardRecord r;
  r.version = ClsTarjetas::kVersion;
  r.card = card;
  r.name = name;
  r.Resaltar = resaltar;
  r.Novedad = novedad;
  return r;
}

class FConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
  }
  void TearDown() override { clocklink::setEventPump(nullptr); }
  void start(const std::string& ini, const std::vector<stores::ClockSpec>& clocks = {}) {
    folder.write("VELTA.INI", "[COMMON]\r\nTIMEOUT=3\r\n" + ini);
    stores::writeClocks(clocks);
    apptest::objects().createSettings();
    gCfgFile->Init(*gDataFolder + "VELTA.INI");
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
  }
  std::string total(FConsole& w) { return w.findChild<QLabel*>("TTotal")->text().toStdString(); }

  apptest::TempDataFolder folder;
};

const char* const kFiveLines =
    "00100 01/12/2026 08:00 1 01 ANA\r\n"
    "00200 01/12/2026 08:01 1 01 BETO\r\n"
    "ABCDE 01/12/2026 08:02 1 01 NADIE\r\n"
    "00000 01/12/2026 08:03 1 00 RELOJ ABIERTO!!!!!!!!!!\r\n"
    "00300 01/12/2026 08:04 1 01 CARLA\r\n";

}  // namespace

TEST_F(FConsoleTest, RowsCarryHoldersColoursAndTheNewestFirst) {
  folder.write("VELTA.TAR", ClsTarjetas::encodeRecord(holder(100, "Ana Virtual", 1, 0)) +
                                ClsTarjetas::encodeRecord(holder(200, "Beto Virtual", 0, 1)));
  folder.write("CONSOLE.MIR", kFiveLines);
  start("FRECONLINE=0\r\nMODOVIRTUAL=1\r\nMAXCONSOLE=10\r\n");
  FConsole w(nullptr, apptest::windowContext());
  QTreeWidget* list = w.records();
  ASSERT_EQ(list->topLevelItemCount(), 5);
  EXPECT_EQ(total(w), " 5/ 5");
  EXPECT_FALSE(w.timer()->isActive()) << "FRECONLINE 0: no cycles";
  auto row = [&](int line) {
    for (int i = 0; i < 5; ++i)
      if (list->topLevelItem(i)->text(0).toInt() == line) return list->topLevelItem(i);
    return static_cast<QTreeWidgetItem*>(nullptr);
  };
  EXPECT_EQ(list->topLevelItem(0)->text(0), "0005") << "descending";
  EXPECT_EQ(row(1)->text(6), "Ana Virtual");
  EXPECT_TRUE(row(1)->font(0).bold());
  EXPECT_NE(row(1)->foreground(0).color(), QColor(255, 0, 0));
  EXPECT_TRUE(row(2)->font(0).bold());
  EXPECT_EQ(row(2)->foreground(0).color(), QColor(255, 0, 0));
  EXPECT_EQ(row(3)->text(6), "") << "a card that is no number has no holder";
  EXPECT_FALSE(row(3)->font(0).bold());
  EXPECT_EQ(row(4)->foreground(0).color(), QColor(255, 0, 0)) << "RELOJ ABIERTO";
  EXPECT_EQ(row(1)->text(1), "01/12/2026");
  EXPECT_EQ(row(1)->text(5), "00100");
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FConsole.png"));
}

// A FIFO in the console file's place neither hangs the window nor passes in silence: the
// refusal is a red line of the window's list, at the opening and again after every cycle
// (which clears the list), so an operator coming back to an unattended console sees it.
TEST_F(FConsoleTest, ARefusedConsoleFileIsSaidInTheListAfterEveryCycle) {
  ASSERT_EQ(::mkfifo(folder.file("CONSOLE.MIR").c_str(), 0600), 0);
  start("FRECONLINE=1\r\nMODOVIRTUAL=1\r\n");
  FConsole w(nullptr, apptest::windowContext());
  auto* lines = w.findChild<ProgressListWidget*>("LstP");
  ASSERT_NE(lines, nullptr);
  const std::string refusal = GetMsg(386) + ": " + folder.file("CONSOLE.MIR") + ": " +
                              GetExtraMsg(ExtraMsg::ReasonNotPlain);
  ASSERT_EQ(lines->count(), 1);
  EXPECT_EQ(lines->text(1), refusal);
  EXPECT_EQ(lines->style(1), kRedLine);
  EXPECT_EQ(w.records()->topLevelItemCount(), 0);
  w.show();
  ASSERT_TRUE(apptest::waitFor([&] { return w.cycles() >= 2; }));
  ASSERT_GE(lines->count(), 1);
  EXPECT_EQ(lines->text(lines->count()), refusal);
  EXPECT_EQ(lines->style(lines->count()), kRedLine);
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FConsole-refused.png"));
}

TEST_F(FConsoleTest, MaxConsoleTrimsTheListAndTheFileOnExit) {
  struct Case {
    int max;
    std::string total;
    size_t linesKept;
  };
  for (const Case& c : {Case{3, " 3/ 5", 3}, Case{0, " 0/ 5", 0}, Case{5, " 5/ 5", 5}}) {
    SCOPED_TRACE(c.max);
    apptest::resetProgramObjects();
    folder.write("CONSOLE.MIR", kFiveLines);
    start("FRECONLINE=0\r\nMAXCONSOLE=" + std::to_string(c.max) + "\r\n");
    FConsole w(nullptr, apptest::windowContext());
    EXPECT_EQ(total(w), c.total);
    if (c.max == 3) {
      EXPECT_EQ(w.records()->topLevelItem(0)->text(0), "0003") << "newest dropped";
    }
    w.show();
    w.close();  // the close box does not trim
    EXPECT_EQ(folder.read("CONSOLE.MIR"), kFiveLines);
    FConsole again(nullptr, apptest::windowContext());
    again.show();
    again.findChild<QAction*>("mnu1")->trigger();
    EXPECT_FALSE(again.isVisible());
    const std::string kept = folder.read("CONSOLE.MIR");
    EXPECT_EQ(static_cast<size_t>(std::count(kept.begin(), kept.end(), '\n')), c.linesKept);
    if (c.max == 5) {
      EXPECT_EQ(kept, kFiveLines) << "exactly MAXCONSOLE lines: rewritten unchanged";
    }
    EXPECT_EQ(folder.read("CONS.TMP"), kFiveLines) << "the untrimmed copy stays";
  }
}

TEST_F(FConsoleTest, ACycleCollectsClearsAndShowsTheNewLines) {
  apptest::TcpClockSim clock;
  clock.sim().generatePunches(4, 2);
  start("FRECONLINE=1\r\nMAXCONSOLE=100\r\n",
        {stores::ClockSpec{.description = "Puerta", .port = clock.port(), .file = "R1.MIR"}});
  FConsole w(nullptr, apptest::windowContext());
  w.passSeams().closeWaitSeconds = 0;
  w.show();
  ASSERT_TRUE(apptest::waitFor([&] { return w.cycles() >= 1; }));
  EXPECT_EQ(w.records()->topLevelItemCount(), 4);
  EXPECT_TRUE(clock.sim().punches().empty()) << "cleared after the good download";
  EXPECT_TRUE(w.timer()->isActive());
  // Pause and resume.
  w.findChild<QAction*>("mnu0")->trigger();
  EXPECT_FALSE(w.timer()->isActive());
  EXPECT_EQ(w.findChild<QAction*>("mnu0")->text().toStdString(), "Continuar");
  w.findChild<QAction*>("mnu0")->trigger();
  EXPECT_TRUE(w.timer()->isActive());
  EXPECT_EQ(w.findChild<QAction*>("mnu0")->text().toStdString(), "Pausa");
  // A command during a cycle only stops the cycle.
  bool triggered = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (w.busy() && !triggered) {
      triggered = true;
      w.findChild<QAction*>("mnu1")->trigger();
    }
  });
  watcher.start(5);
  ASSERT_TRUE(apptest::waitFor([&] { return triggered && !w.busy(); }));
  EXPECT_TRUE(w.isVisible()) << "exit was not carried out during the cycle";
  EXPECT_TRUE(w.timer()->isActive());
  w.close();
  EXPECT_FALSE(w.isVisible());
}

// The close box and Escape during a cycle on a silent clock: the cycle is cut short, and the
// window goes once it has returned, with no next cycle scheduled.
TEST_F(FConsoleTest, CloseDuringACycleWaitsForIt) {
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "escape" : "close box");
    apptest::resetProgramObjects();
    apptest::SilentListener silent;
    start("FRECONLINE=1\r\nTIMEOUT=30\r\n", {stores::ClockSpec{.port = silent.port()}});
    gMirsol->SetTimeOut(30);
    FConsole w(nullptr, apptest::windowContext());
    w.passSeams().closeWaitSeconds = 0;
    bool asked = false, visibleAfter = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (asked || !w.busy()) return;
      asked = true;
      if (escape) {
        apptest::pressEscape(&w);
      } else {
        w.close();
      }
      visibleAfter = w.isVisible();
    });
    watcher.start(5);
    w.show();
    ASSERT_TRUE(apptest::waitFor([&] { return asked && !w.isVisible(); }));
    EXPECT_TRUE(visibleAfter) << "not under the running cycle";
    EXPECT_EQ(w.cycles(), 1);
    EXPECT_FALSE(w.timer()->isActive());
  }
}

// A console freed after the shutdown released the objects (a window that outlived the main
// window) must not reach them through the context it was handed: ASan sees the freed clock
// object otherwise.
TEST_F(FConsoleTest, AWindowFreedAfterTheReleaseLeavesTheObjectsAlone) {
  start("");
  const std::optional<RunContext> ctx = collect::programContext(apptest::objects());
  ASSERT_TRUE(ctx);
  auto w = std::make_unique<FConsole>(nullptr, apptest::windowContext(ctx));
  apptest::objects().release();
  EXPECT_EQ(gMirsol, nullptr);
  w.reset();
}
