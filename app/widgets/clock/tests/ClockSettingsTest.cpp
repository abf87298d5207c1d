// The three clock setting dialogs against the simulator on TCP.
#include "collect/ConverterLink.h"
#include "collect/RunContext.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/SilentListener.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/clock/FCacheo.h"
#include "widgets/clock/FCbioReloj.h"
#include "widgets/clock/FTime.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QDateEdit>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>

#include <memory>

namespace {

class ClockSettingsTest : public ::testing::Test {
 protected:
  ClockSettingsTest() { apptest::objects().createSettings(); }  // the data folder deletes it
  // The program's protocol object pointed at `port` on 127.0.0.1, with the clock list and the
  // modem object the windows' run context holds beside it.
  void connectTo(uint16_t port) {
    apptest::objects().createClockList();
    apptest::objects().createModem();
    apptest::objects().createMirsol();
    gMirsol->SetTimeOut(2);
    ASSERT_EQ(gMirsol->SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, port, 5),
              clocklink::kSuccess);
  }
  void useSimulator() { connectTo(clock.port()); }
  bool sent(const std::string& body) {
    for (const std::string& f : clock.sim().receivedFrames())
      if (f.find(body) != std::string::npos) return true;
    return false;
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes{msgbox::Yes};
  apptest::TcpClockSim clock;
};

TEST_F(ClockSettingsTest, CacheSliderEnds) {
  useSimulator();
  for (auto [slider, expected] : {std::pair{100, 99}, std::pair{0, 0}, std::pair{37, 37}}) {
    FCacheo w(nullptr, apptest::windowContext());
    w.Gge()->setValue(slider);
    w.findChild<QAction*>("mnu0")->trigger();
    EXPECT_EQ(clock.sim().cachePercent(), expected) << slider;
  }
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{378, 378, 378}));
}

TEST_F(ClockSettingsTest, ClockNumberChecksAndAnswers) {
  useSimulator();
  struct Case {
    const char* text;
    int answer;
    std::vector<int> boxes;
    int number;  // the clock's number afterwards
  };
  for (const Case& c : {Case{"7a", msgbox::Yes, {349}, 1}, Case{"ñ", msgbox::Yes, {349}, 1},
                        Case{"", msgbox::Yes, {352}, 1}, Case{" 7 ", msgbox::No, {194}, 1},
                        Case{" 7 ", msgbox::Yes, {194}, 7}}) {
    boxes.clear();
    boxes.answer(c.answer);
    FCbioReloj w(nullptr, apptest::windowContext());
    w.Text1()->setText(QString::fromUtf8(c.text));
    w.findChild<QAction*>("mnu0")->trigger();
    EXPECT_EQ(boxes.numbers(), c.boxes) << c.text;
    EXPECT_EQ(clock.sim().clockNumber(), c.number) << c.text;
  }
}

TEST_F(ClockSettingsTest, DateTimeSendsTheSundayDigit) {
  useSimulator();
  FTime w(nullptr, apptest::windowContext());
  EXPECT_EQ(w.MEdFecha()->date(), QDate::currentDate());
  w.MEdFecha()->setDate(QDate(2026, 12, 6));
  w.MEdHora()->setTime(QTime(9, 30));
  w.findChild<QAction*>("mnu0")->trigger();
  EXPECT_TRUE(boxes.numbers().empty());
  // Model 0 takes "1", yymmdd, the weekday counted from Sunday = 0, HHMM: the digit 1 sent
  // by the window goes out as 0.
  EXPECT_TRUE(sent("126120600930"));
}

// The date typed in the box goes out as typed, without leaving the box first; a Cancel and a
// second OK queued behind the OK cannot run inside it: only the first OK's date goes out, and
// the window closes once.
TEST_F(ClockSettingsTest, EventsQueuedBehindOkWaitForIt) {
  useSimulator();
  FTime w(nullptr, apptest::windowContext());
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.MEdFecha()->setDate(QDate(2025, 3, 10));
  w.MEdHora()->setTime(QTime(9, 30));
  w.MEdFecha()->setFocus();
  w.MEdFecha()->selectAll();
  QTest::keyClicks(w.MEdFecha(), "06/12/2026");
  QAction* ok = w.findChild<QAction*>("mnu0");
  QAction* cancel = w.findChild<QAction*>("mnu1");
  int finished = 0;
  QObject::connect(&w, &QDialog::finished, [&] { ++finished; });
  bool cancelRan = false;
  QObject::connect(cancel, &QAction::triggered, [&] { cancelRan = true; });
  QMetaObject::invokeMethod(cancel, &QAction::trigger, Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      ok,
      [&] {
        w.MEdFecha()->setDate(QDate(2027, 1, 2));
        ok->trigger();
      },
      Qt::QueuedConnection);
  ok->trigger();
  EXPECT_FALSE(cancelRan);
  EXPECT_FALSE(w.isVisible());
  // The second OK would send its own date, 2 January 2027.
  EXPECT_TRUE(sent("126120600930"));
  EXPECT_FALSE(sent("1270102"));
  QCoreApplication::processEvents();
  EXPECT_TRUE(cancelRan);
  EXPECT_FALSE(sent("1270102")) << "a command of a closed window runs nothing";
  EXPECT_EQ(finished, 1);
  EXPECT_TRUE(boxes.numbers().empty());
}

// The operator selects the whole date or time and types a new one, or types over one part.
TEST_F(ClockSettingsTest, DateAndTimeCanBeTypedWhole) {
  struct Case {
    bool date;         // the date box, else the time box
    bool whole;        // the whole text selected, else the first part only
    const char* keys;  // typed
    const char* shows;
  };
  const Case cases[] = {
      {true, true, "06/12/2026", "06/12/2026"}, {true, true, "31/01/2027", "31/01/2027"},
      {true, true, "6/12/2026", "06/12/2026"},  {true, false, "15", "15/03/2025"},
      {false, true, "23:59", "23:59"},          {false, true, "07:05", "07:05"},
      {false, true, "7:05", "07:05"},           {false, false, "11", "11:45"},
  };
  FTime w(nullptr, apptest::windowContext());
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    QDateTimeEdit* box = c.date ? static_cast<QDateTimeEdit*>(w.MEdFecha()) : w.MEdHora();
    w.MEdFecha()->setDate(QDate(2025, 3, 10));
    w.MEdHora()->setTime(QTime(8, 45));
    box->setFocus();
    if (c.whole)
      box->selectAll();
    else
      box->setSelectedSection(box->sectionAt(0));
    QTest::keyClicks(box, c.keys);
    EXPECT_EQ(box->text().toStdString(), c.shows);
    QTest::keyClick(box, Qt::Key_Tab);  // leaving the box keeps what it shows
    EXPECT_EQ(box->text().toStdString(), c.shows);
  }
}

TEST_F(ClockSettingsTest, CancelSendsNothing) {
  useSimulator();
  const size_t before = clock.sim().receivedFrames().size();
  FCacheo cache(nullptr, apptest::windowContext());
  cache.Gge()->setValue(50);
  cache.findChild<QAction*>("mnu1")->trigger();
  FTime time(nullptr, apptest::windowContext());
  time.findChild<QAction*>("mnu1")->trigger();
  EXPECT_EQ(clock.sim().receivedFrames().size(), before);
  EXPECT_TRUE(boxes.numbers().empty());
}

TEST_F(ClockSettingsTest, SilentClockShowsEachWindowsFailure) {
  apptest::SilentListener silent;
  connectTo(silent.port());
  gMirsol->SetTimeOut(1);
  {
    FCacheo w(nullptr, apptest::windowContext());
    w.findChild<QAction*>("mnu0")->trigger();
  }
  {
    FCbioReloj w(nullptr, apptest::windowContext());
    w.Text1()->setText("5");
    w.findChild<QAction*>("mnu0")->trigger();
  }
  {
    FTime w(nullptr, apptest::windowContext());
    w.findChild<QAction*>("mnu0")->trigger();
  }
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{340, 194, 350, 329}));
}

TEST_F(ClockSettingsTest, OpeningClearsALeftCancelFlag) {
  useSimulator();
  gMirsol->SetCancel(1);
  FCacheo w(nullptr, apptest::windowContext());
  w.Gge()->setValue(20);
  w.findChild<QAction*>("mnu0")->trigger();
  EXPECT_EQ(clock.sim().cachePercent(), 20);
}

// A window handed a run context works over its clock object, not the program's: the opening
// clears the cancel flag left on the handed object, and a cancel of the program's object after
// that does not stop the window's exchange.
TEST_F(ClockSettingsTest, WorksOverTheHandedClockObject) {
  useSimulator();
  clocklink::ClsMirsol handed;
  handed.SetTimeOut(2);
  ASSERT_EQ(
      handed.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, clock.port(), 5),
      clocklink::kSuccess);
  handed.SetCancel(1);
  const RunContext ctx{*gCfgFile,
                       *gListaRelojes,
                       handed,
                       *gModem,
                       *gDataFolder,
                       collect::ConverterLink::program(),
                       apptest::objects().liveness()};
  FCacheo w(nullptr, apptest::windowContext(ctx));
  gMirsol->SetCancel(1);
  w.Gge()->setValue(20);
  w.findChild<QAction*>("mnu0")->trigger();
  EXPECT_EQ(clock.sim().cachePercent(), 20);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{378});
}

// A window works over the run context it is handed, whatever the program's owner holds: here
// the owner has no clock objects at all, and the handed context's own clock object, clock list
// and modem object reach a clock of their own. The number goes to that clock alone.
TEST_F(ClockSettingsTest, WorksOverAHandedContextOfItsOwn) {
  apptest::TcpClockSim other;
  clocklink::ClsMirsol mirsol;
  mirsol.SetTimeOut(2);
  ASSERT_EQ(
      mirsol.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, other.port(), 5),
      clocklink::kSuccess);
  ClsListaRelojes clocks;
  clocklink::ClsModem modem;
  const RunContext ctx{*gCfgFile,
                       clocks,
                       mirsol,
                       modem,
                       *gDataFolder,
                       collect::ConverterLink::program(),
                       apptest::objects().liveness()};
  ASSERT_EQ(gMirsol, nullptr);
  FCbioReloj w(nullptr, apptest::windowContext(ctx));
  w.Text1()->setText("7");
  w.findChild<QAction*>("mnu0")->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{194});
  EXPECT_EQ(other.sim().clockNumber(), 7);
  EXPECT_TRUE(clock.sim().receivedFrames().empty());
}

TEST_F(ClockSettingsTest, Pictures) {
  FCacheo cache(nullptr, apptest::windowContext());
  EXPECT_TRUE(apptest::grabNonBlank(&cache, "FCacheo.png"));
  FCbioReloj number(nullptr, apptest::windowContext());
  EXPECT_TRUE(apptest::grabNonBlank(&number, "FCbioReloj.png"));
  FTime time(nullptr, apptest::windowContext());
  EXPECT_TRUE(apptest::grabNonBlank(&time, "FTime.png"));
}

}  // namespace
