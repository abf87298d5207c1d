// The dial-up window against the simulated Hayes modem on COM5: connecting, retries, four
// failures, a cancel, a set-up that fails, a line already up and a clock without a number.
#include "widgets/clock/FIniModem.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <functional>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using clocksim::DialOutcome;

namespace {

class FIniModemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("VELTA_ASSUME_CTS", "1", 1);
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
  }
  void TearDown() override {
    clocklink::setEventPump(nullptr);
    ::unsetenv("VELTA_ASSUME_CTS");
    ::unsetenv("VELTA_MODEMS");
  }
  void start(const std::string& phone = "5551234", const std::string& init = "&FE0V1") {
    folder.write("MODEMS.INI", "[Sim]\nCom=5\nInit=" + init + "\n");
    ::setenv("VELTA_MODEMS", folder.file("MODEMS.INI").c_str(), 1);
    folder.write("VELTA.INI", "[COMMON]\r\nTIMEOUT=3\r\nMODEMDRIVER=Sim\r\nTIMEOUTMODEM=10\r\n");
    stores::writeClocks({stores::ClockSpec{
        .interface = 0, .ip = "", .port = 0, .comPort = "COM5", .phone = phone}});
    apptest::objects().createSettings();
    gCfgFile->Init(*gDataFolder + "VELTA.INI");
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
    const ClsListaRelojes& c = *gListaRelojes;
    gListaRelojes->GetCurData(1);
    (void)gMirsol->SetTimeRecorder(c.M_Numero, c.m_Modelo, c.m_Puerto, c.m_Velocidad, c.m_Telefono,
                                   c.M_Comunicacion, c.m_IP, c.m_TipoInterface, c.m_PortLocal,
                                   c.m_PortRemoto, gCfgFile->TimeOutModem);
    gModem->SetModem(5, c.m_Velocidad, c.m_Telefono);
  }
  std::string label(FIniModem& w) { return w.findChild<QLabel*>("LblMsg")->text().toStdString(); }
  std::string button(FIniModem& w) {
    return w.findChild<QPushButton*>("CmdCancelar")->text().toStdString();
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes;
};

}  // namespace

TEST_F(FIniModemTest, DialOutcomes) {
  struct Case {
    const char* what;
    std::vector<DialOutcome> script;
    int16_t result;
    size_t dials;
    std::string label, button;
  };
  const Case cases[] = {
      {"connects", {DialOutcome::Connect}, -100, 1, "Status", "&Colgar"},
      {"busy then connect",
       {DialOutcome::Busy, DialOutcome::Connect},
       -100,
       2,
       "Status",
       "&Colgar"},
      {"four failures",
       {DialOutcome::NoCarrier},
       -200,
       4,
       "No se ha establecido la comunicación",
       "&Discar"},
      // The operator learns that the line is busy, not just that the call failed.
      {"four busy", {DialOutcome::Busy}, -200, 4, "La línea se encuentra ocupada", "&Discar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    apptest::resetProgramObjects();
    apptest::ModemClockSim modem(5, {}, {.script = c.script});
    start();
    FIniModem w(nullptr, apptest::windowContext());
    w.retryWaitSeconds = 0.2;
    EXPECT_EQ(statusCode(w.Conectar()), c.result);
    EXPECT_EQ(modem.modem().dialledNumbers().size(), c.dials);
    EXPECT_EQ(label(w), c.label);
    EXPECT_EQ(button(w), c.button);
    if (c.dials == 4 && c.script.front() == DialOutcome::Busy) {
      EXPECT_TRUE(apptest::grabNonBlank(&w, "FIniModem-busy.png"));
    }
    EXPECT_EQ(gModem->cortarModem(), c.result == -100);
    EXPECT_EQ(modem.modem().online(), c.result == -100);
    if (c.result == -100) {
      EXPECT_TRUE(apptest::grabNonBlank(&w, "FIniModem-connected.png"));
      w.CmdCancelar_Click();  // hang up
      EXPECT_FALSE(gModem->cortarModem());
      EXPECT_FALSE(modem.modem().online());
      EXPECT_EQ(button(w), "&Discar");
    } else {
      // The port was let go: the next set-up finds it free.
      EXPECT_EQ(gModem->InitModem(*gDataFolder, "Sim"), clocklink::kSuccess);
      gModem->Colgar();
    }
  }
}

TEST_F(FIniModemTest, TheButtonCancelsWhileDiallingAndTheLineGoesDown) {
  apptest::ModemClockSim modem(5, {}, {.script = {DialOutcome::Busy}});
  start();
  FIniModem w(nullptr, apptest::windowContext());
  w.retryWaitSeconds = 30;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (label(w).rfind("Reintento en", 0) == 0) w.findChild<QPushButton*>("CmdCancelar")->click();
  });
  watcher.start(50);
  EXPECT_EQ(w.Conectar(), clocklink::kCancelled);
  EXPECT_EQ(modem.modem().dialledNumbers().size(), 1u);
  EXPECT_FALSE(gModem->cortarModem());
  EXPECT_EQ(button(w), "&Discar");
}

// Cancelar while dialling hangs up and says so, wherever the dial was: ringing or waiting to
// try again.
TEST_F(FIniModemTest, CancelarShowsColgandoAndLetsThePortGo) {
  struct Case {
    const char* what;
    clocksim::ModemOptions modem;
    const char* clickOn;  // the label the button is pressed on, once the modem has the number
  };
  const Case cases[] = {
      {"in the retry wait", {.script = {DialOutcome::Busy}}, "Reintento en"},
      {"while ringing",
       {.script = {DialOutcome::Busy}, .dialDelay = std::chrono::milliseconds(5000)},
       "Discando"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    apptest::resetProgramObjects();
    apptest::ModemClockSim modem(5, {}, c.modem);
    start();
    FIniModem w(nullptr, apptest::windowContext());
    w.retryWaitSeconds = 30;
    bool clicked = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (clicked || modem.modem().dialledNumbers().empty() || label(w).rfind(c.clickOn, 0) != 0)
        return;
      clicked = true;
      w.findChild<QPushButton*>("CmdCancelar")->click();
    });
    watcher.start(50);
    EXPECT_EQ(w.Conectar(), clocklink::kCancelled);
    watcher.stop();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(label(w), "Colgando...");
    EXPECT_EQ(button(w), "&Discar");
    EXPECT_EQ(modem.modem().dialledNumbers().size(), 1u);
    EXPECT_FALSE(gModem->cortarModem());
    EXPECT_FALSE(modem.modem().online());
    // Hung up: the next set-up finds the port free (a modem still ringing does not answer
    // it yet, but the port is not held).
    (void)gModem->SetCancel(0);
    const int16_t again = statusCode(gModem->InitModem(*gDataFolder, "Sim"));
    if (c.modem.dialDelay.count() == 0)
      EXPECT_EQ(again, -100);
    else
      EXPECT_NE(again, -400);
    gModem->Colgar();
  }
}

// The close box and Escape while dialling cancel the dial, hang up, and close the window only
// once the dial has returned.
TEST_F(FIniModemTest, CloseWhileDiallingWaitsForTheDialAndHangsUp) {
  struct Way {
    const char* name;
    std::function<void(FIniModem&)> ask;
  };
  const Way ways[] = {
      {"close box", [](FIniModem& w) { w.close(); }},
      {"escape", [](FIniModem& w) { apptest::pressEscape(&w); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    apptest::resetProgramObjects();
    apptest::ModemClockSim modem(5, {}, {.script = {DialOutcome::Busy}});
    start();
    FIniModem w(nullptr, apptest::windowContext());
    w.retryWaitSeconds = 30;
    bool asked = false, visibleAfter = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (asked || label(w).rfind("Reintento en", 0) != 0) return;
      asked = true;
      way.ask(w);
      visibleAfter = w.isVisible();
    });
    watcher.start(50);
    EXPECT_EQ(w.Conectar(), clocklink::kCancelled);
    watcher.stop();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(visibleAfter) << "not under the running dial";
    EXPECT_EQ(label(w), "Colgando...");
    EXPECT_EQ(modem.modem().dialledNumbers().size(), 1u);
    EXPECT_FALSE(gModem->cortarModem());
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.dialling());
  }
}

// A modem that cannot be set up is reported with the message of its code; nothing is dialled.
TEST_F(FIniModemTest, ASetUpFailureShowsTheMessageOfItsCode) {
  struct Case {
    const char* what;
    const char* init;
    bool portHeld;
    std::string label;
  };
  const Case cases[] = {
      {"the port is held", "&FE0V1", true, "El puerto está siendo utilizado por otro dispositivo"},
      {"the modem refuses its set-up", "&FE0V1X9", false,
       "La comunicación con el modem no se ha establecido"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    apptest::resetProgramObjects();
    apptest::ModemClockSim modem(5);
    start("5551234", c.init);
    if (c.portHeld) {
      ASSERT_EQ(gModem->InitModem(*gDataFolder, "Sim"), clocklink::kSuccess);
    }
    FIniModem w(nullptr, apptest::windowContext());
    EXPECT_EQ(w.Conectar(), clocklink::kFailure);
    EXPECT_EQ(label(w), c.label);
    EXPECT_EQ(button(w), "&Discar");
    EXPECT_TRUE(modem.modem().dialledNumbers().empty());
    EXPECT_FALSE(gModem->cortarModem());
    gModem->Colgar();
  }
}

TEST_F(FIniModemTest, ALineAlreadyUpIsHungUpAndNoNumberIsRefused) {
  {
    apptest::ModemClockSim modem(5);
    start();
    ASSERT_EQ(gModem->InitModem(*gDataFolder, "Sim"), clocklink::kSuccess);
    ASSERT_NE(gModem->Discar(10).find("CONNECT"), std::string::npos);
    gModem->cortarModem(true);
    FIniModem w(nullptr, apptest::windowContext());
    EXPECT_EQ(w.Conectar(), clocklink::kSuccess);
    EXPECT_FALSE(gModem->cortarModem());
    EXPECT_FALSE(modem.modem().online());
    EXPECT_FALSE(w.isVisible());
  }
  apptest::resetProgramObjects();
  start("");
  FIniModem w(nullptr, apptest::windowContext());
  EXPECT_EQ(w.Conectar(), clocklink::kFailure);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{351});
  EXPECT_FALSE(w.isVisible());
}
