// The card suspension and locking window against the simulator on TCP.
#include "widgets/clock/FTjtas.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/dialogs/FileDialogs.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <clocklink/ClsMirsol.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <functional>

namespace {

using Cards = std::vector<std::string>;

class FTjtasTest : public ::testing::Test {
 protected:
  FTjtasTest() {
    apptest::objects().createSettings();
    apptest::objects().createClockList();
    gListaRelojes->m_TipoNumero = 1;
    apptest::objects().createMirsol();
    apptest::objects().createModem();  // the run context holds it beside the clock object
    gMirsol->SetTimeOut(2);
    (void)gMirsol->SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, clock.port(),
                                   5);
  }
  void trigger(FTjtas& w, const char* name) { w.findChild<QAction*>(name)->trigger(); }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes{msgbox::Yes};
  apptest::TcpClockSim clock;
};

TEST_F(FTjtasTest, OneCardSuspendedAndLifted) {
  FTjtas w(nullptr, apptest::windowContext());
  EXPECT_EQ(w.windowTitle().toStdString(), "Suspensión de Tarjetas");
  w.Tarjeta()->setText("123");
  trigger(w, "mnu1_0");
  EXPECT_EQ(clock.sim().disabledCards(), Cards{"00123"});
  trigger(w, "mnu1_1");
  EXPECT_EQ(clock.sim().enabledCards(), Cards{"00123"});
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{196, 198}));
  // No sends nothing.
  boxes.clear();
  boxes.answer(msgbox::No);
  w.Tarjeta()->setText("77");
  trigger(w, "mnu1_0");
  EXPECT_EQ(clock.sim().disabledCards(), Cards{});
  // Empty: 356; a wrong number is refused at the command too (a toolbar click keeps focus).
  w.Tarjeta()->clear();
  trigger(w, "mnu1_0");
  w.Tarjeta()->setText("12G");
  w.ButtonMenuClick("1");
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{196, 356, 341}));
  EXPECT_TRUE(w.Tarjeta()->text().isEmpty());
  EXPECT_EQ(clock.sim().disabledCards(), Cards{});
}

// A box takes the focus from the number box while it shows; the number box's own check must
// not then ask again about the same wrong number.
TEST_F(FTjtasTest, AWrongNumberIsReportedOnce) {
  std::vector<int> shown;
  dialogs::testing::setBoxHook([&](const dialogs::BoxRequest& r) {
    shown.push_back(r.number);
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    return msgbox::Ok;
  });
  FTjtas w(nullptr, apptest::windowContext());
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  struct Case {
    const char* how;
    std::function<void()> run;
  };
  const Case cases[] = {
      {"menu command", [&] { trigger(w, "mnu1_0"); }},
      {"toolbar entry", [&] { w.ButtonMenuClick("1"); }},
      {"leaving the box", [&] { w.Tarjeta()->clearFocus(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    shown.clear();
    w.Tarjeta()->setFocus();
    ASSERT_TRUE(w.Tarjeta()->hasFocus());
    QTest::keyClicks(w.Tarjeta(), "12X");
    c.run();
    EXPECT_EQ(shown, std::vector<int>{341});
    EXPECT_TRUE(w.Tarjeta()->text().isEmpty());
  }
  EXPECT_EQ(clock.sim().disabledCards(), Cards{});
}

TEST_F(FTjtasTest, TouchKeysAreHexadecimal) {
  gListaRelojes->m_TipoNumero = 2;
  FTjtas w(nullptr, apptest::windowContext());
  EXPECT_EQ(w.windowTitle().toStdString(), "Suspensión de Touch");
  for (const char* key : {"1F", "FFFF"}) {
    w.Tarjeta()->setText(key);
    w.ButtonMenuClick("1");
  }
  EXPECT_EQ(clock.sim().disabledCards(), (Cards{"00031", "65535"}));
}

TEST_F(FTjtasTest, CardFile) {
  folder.write("CARDS.TXT", "00101\r\n00102\r\n");
  folder.write("BAD.TXT", "00201\r\nABCDE\r\n00203\r\n");
  FTjtas w(nullptr, apptest::windowContext());
  w.Option2()->setChecked(true);
  EXPECT_FALSE(w.Tarjeta()->isEnabled());
  trigger(w, "mnu1_0");  // no file named: 249
  dialogs::testing::setNextFileName(folder.file("CARDS.TXT"));
  trigger(w, "mnum1");
  EXPECT_EQ(w.Archivo()->text().toStdString(), folder.file("CARDS.TXT"));
  trigger(w, "mnu1_0");
  EXPECT_EQ(clock.sim().disabledCards(), (Cards{"00101", "00102"}));
  w.ButtonMenuClick("2");
  EXPECT_EQ(clock.sim().enabledCards(), (Cards{"00101", "00102"}));
  w.Archivo()->setText(QString::fromStdString(folder.file("BAD.TXT")));
  trigger(w, "mnu1_0");
  w.Archivo()->setText(QString::fromStdString(folder.file("MISSING.TXT")));
  trigger(w, "mnu1_0");
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{249, 202, 202, 202, 338, 249}));
}

// The card file's dialog speaks the window's language, its filter too.
TEST_F(FTjtasTest, CardFileDialogInTheLanguage) {
  for (int lenguaje : {0, 1000, 2000}) {
    SCOPED_TRACE(lenguaje);
    gCfgFile->LENGUAJE = static_cast<int16_t>(lenguaje);
    FTjtas w(nullptr, apptest::windowContext());
    w.Option2()->setChecked(true);
    dialogs::testing::setNextFileName(std::nullopt);
    trigger(w, "mnum1");
    const dialogs::testing::LastAsk asked = dialogs::testing::lastAsk();
    EXPECT_EQ(asked.filter, GetExtraMsgIn(ExtraMsg::FilterAll, lenguaje));
    EXPECT_EQ(QString::fromStdString(asked.caption),
              QString::fromStdString(GetMsgIn(133, lenguaje)).remove('&'));
    EXPECT_TRUE(w.Archivo()->text().isEmpty());
  }
  gCfgFile->LENGUAJE = 0;
}

TEST_F(FTjtasTest, LockingModesByMenuAndTag) {
  FTjtas w(nullptr, apptest::windowContext());
  trigger(w, "mnu3_2");
  EXPECT_TRUE(clock.sim().locked());
  trigger(w, "mnu3_0");
  EXPECT_FALSE(clock.sim().locked());
  w.ButtonMenuClick("5");
  EXPECT_TRUE(clock.sim().locked());
  w.ButtonMenuClick("4");
  EXPECT_FALSE(clock.sim().locked());
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{201, 201, 200}));
  const size_t frames = clock.sim().receivedFrames().size();
  w.ButtonMenuClick("6");
  w.ButtonMenuClick("");
  boxes.answer(msgbox::No);
  w.ButtonMenuClick("5");
  EXPECT_EQ(clock.sim().receivedFrames().size(), frames);
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FTjtas.png"));
}

TEST_F(FTjtasTest, SilentClockFails) {
  clock.sim().stop();
  gMirsol->SetTimeOut(1);
  FTjtas w(nullptr, apptest::windowContext());
  w.Tarjeta()->setText("5");
  trigger(w, "mnu1_0");
  trigger(w, "mnu1_1");
  trigger(w, "mnu3_0");
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{196, 339, 198, 314, 338}));
}

}  // namespace
