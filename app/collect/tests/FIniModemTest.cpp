// The dial-up window against the simulated Hayes modem on COM5: connecting, retries, four
// failures, a cancel, a line already up and a clock without a number.
#include "FIniModem.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include "AppTestSupport.h"
#include "ClockSimFixture.h"
#include "ClsCfgFile.h"
#include "ClsListaRelojes.h"
#include "Globals.h"
#include "Release.h"
#include "StoreWriters.h"

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
  void start(const std::string& phone = "5551234") {
    folder.write("MODEMS.INI", "[Sim]\nCom=5\nInit=&FE0V1\n");
    ::setenv("VELTA_MODEMS", folder.file("MODEMS.INI").c_str(), 1);
    folder.write("VELTA.INI", "[COMMON]\r\nTIMEOUT=3\r\nMODEMDRIVER=Sim\r\nTIMEOUTMODEM=10\r\n");
    apptest::writeClocks({apptest::ClockSpec{
        .interface = 0, .ip = "", .port = 0, .comPort = "COM5", .phone = phone}});
    gCfgFile = new ClsCfgFile();
    gCfgFile->Init(gDataFolder + "VELTA.INI");
    gCfgFile->LoadCfg();
    createProgramObjects();
    const ClsListaRelojes& c = *gListaRelojes;
    gListaRelojes->GetCurData(1);
    gMirsol->SetTimeRecorder(c.M_Numero, c.m_Modelo, c.m_Puerto, c.m_Velocidad, c.m_Telefono,
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    apptest::resetProgramObjects();
    apptest::ModemClockSim modem(5, {}, {.script = c.script});
    start();
    FIniModem w;
    w.retryWaitSeconds = 0.2;
    EXPECT_EQ(w.Conectar(), c.result);
    EXPECT_EQ(modem.modem().dialledNumbers().size(), c.dials);
    EXPECT_EQ(label(w), c.label);
    EXPECT_EQ(button(w), c.button);
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
      EXPECT_EQ(gModem->InitModem(gDataFolder, "Sim"), -100);
      gModem->Colgar();
    }
  }
}

TEST_F(FIniModemTest, TheButtonCancelsWhileDiallingAndTheLineGoesDown) {
  apptest::ModemClockSim modem(5, {}, {.script = {DialOutcome::Busy}});
  start();
  FIniModem w;
  w.retryWaitSeconds = 30;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (label(w).rfind("Reintento en", 0) == 0) w.findChild<QPushButton*>("CmdCancelar")->click();
  });
  watcher.start(50);
  EXPECT_EQ(w.Conectar(), -101);
  EXPECT_EQ(modem.modem().dialledNumbers().size(), 1u);
  EXPECT_FALSE(gModem->cortarModem());
  EXPECT_EQ(button(w), "&Discar");
}

TEST_F(FIniModemTest, ALineAlreadyUpIsHungUpAndNoNumberIsRefused) {
  {
    apptest::ModemClockSim modem(5);
    start();
    ASSERT_EQ(gModem->InitModem(gDataFolder, "Sim"), -100);
    ASSERT_NE(gModem->Discar(10).find("CONNECT"), std::string::npos);
    gModem->cortarModem(true);
    FIniModem w;
    EXPECT_EQ(w.Conectar(), -100);
    EXPECT_FALSE(gModem->cortarModem());
    EXPECT_FALSE(modem.modem().online());
    EXPECT_FALSE(w.isVisible());
  }
  apptest::resetProgramObjects();
  start("");
  FIniModem w;
  EXPECT_EQ(w.Conectar(), -200);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{351});
  EXPECT_FALSE(w.isVisible());
}
