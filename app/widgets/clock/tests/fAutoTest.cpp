// The automatic and on-line run window over simulated clocks: the countdown, the pass, the
// stop request with its log-in, a close during a pass, and the end of the program.
#include "widgets/clock/fAuto.h"

#include "Peers.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "peers.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/FtpServerFixture.h"
#include "testsupport/RshdFixture.h"
#include "testsupport/WaitFor.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/clock/FFtp.h"
#include "widgets/clock/FRsh.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ProgressListWidget.h"

#include <basekit/codepage.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using stores::ClockSpec;

namespace {

class fAutoTest : public ::testing::Test {
 protected:
  // The fixture's owner starts each test with no program end asked for.
  void SetUp() override {
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
  }
  void TearDown() override { clocklink::setEventPump(nullptr); }
  void start(const std::vector<ClockSpec>& clocks, const std::string& ini, int16_t runMode = 2) {
    folder.write("VELTA.INI", "[COMMON]\r\nTIMEOUT=3\r\n" + ini);
    stores::writeClocks(clocks);
    stores::writeUsers({{"ADMIN", 1234, 1}});
    apptest::objects().createSettings();
    gCfgFile->Init(*gDataFolder + "VELTA.INI");
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
    *gRunMode = runMode;
  }
  // The window with its monotonic clock moved on by `skip` (the countdown need not be sat
  // through) and short waits.
  std::unique_ptr<fAuto> open() {
    auto w = std::make_unique<fAuto>(nullptr, apptest::windowContext(),
                                     fAuto::Program{*gRunMode, gUsers});
    w->now = [this] {
      auto n = collect::ScheduleNow::current();
      n.mono += skip;
      return n;
    };
    w->passSeams().closeWaitSeconds = 0;
    w->passSeams().retryWaitSeconds = 0.3;
    w->login = [this](std::string& u, std::string& p) {
      u = user;
      p = psw;
      return !u.empty();
    };
    w->show();
    return w;
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes;
  std::chrono::seconds skip{0};
  std::string user = "ADMIN", psw = "1234";
};

}  // namespace

TEST_F(fAutoTest, CountdownPassCollectsThenEndsTheProgram) {
  apptest::TcpClockSim clock;
  clock.sim().generatePunches(12, 3);
  start({ClockSpec{.port = clock.port(), .file = "R1.MIR"}}, "AUTODIAS=11111111\r\n");
  auto w = open();
  ASSERT_TRUE(apptest::waitFor([&] { return w->list()->count() == 1; }));
  EXPECT_EQ(w->list()->text(1).rfind("> Inicio de Proceso Automático: ", 0), 0u);
  EXPECT_EQ(w->list()->style(1), (LineStyle{true, kRed}));
  EXPECT_TRUE(apptest::grabNonBlank(w.get(), "fAuto-waiting.png"));
  skip = std::chrono::seconds(31);
  ASSERT_TRUE(apptest::waitFor([&] { return w->passesRun() == 1; }));
  EXPECT_TRUE(w->endsProgram()) << "8th AUTODIAS character 1";
  EXPECT_FALSE(w->isVisible());
  const std::string bytes = folder.read("R1.MIR");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 12);
  EXPECT_NE(folder.read(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG").find(">Programa: 001"),
            std::string::npos);
}

TEST_F(fAutoTest, CountdownPassWithoutEndingStaysOpenOnTheClosingLines) {
  apptest::TcpClockSim clock;
  clock.sim().generatePunches(3, 4);
  start({ClockSpec{.port = clock.port(), .file = "R1.MIR"}}, "AUTODIAS=11111110\r\n");
  auto w = open();
  skip = std::chrono::seconds(31);
  ASSERT_TRUE(apptest::waitFor([&] { return w->passesRun() == 1; }));
  EXPECT_FALSE(w->endsProgram());
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(w->timer()->isActive()) << "one countdown pass only";
  EXPECT_EQ(w->list()->text(1), "Proceso finalizado");
  EXPECT_TRUE(apptest::grabNonBlank(w.get(), "fAuto-done.png"));
}

TEST_F(fAutoTest, StopRequestAnswers) {
  struct Case {
    const char* what;
    std::string user, psw;
    int answer;
    std::vector<int> boxes;
    bool open;
    bool programEnd;
  };
  const Case cases[] = {
      {"empty user ends the program", "", "", 0, {}, false, true},
      {"wrong password", "ADMIN", "999", 0, {316}, true, false},
      {"right password, No", "ADMIN", "1234", msgbox::No, {195}, true, false},
      {"right password, Yes", "ADMIN", "1234", msgbox::Yes, {195}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    apptest::resetProgramObjects();
    boxes.clear();
    start({}, "");
    user = c.user;
    psw = c.psw;
    if (c.answer) boxes.answer(c.answer);
    auto w = open();
    w->findChild<QPushButton*>("Cmd")->click();
    EXPECT_EQ(boxes.numbers(), c.boxes);
    if (c.boxes == std::vector<int>{316}) {
      EXPECT_EQ(boxes.boxes()[0].title, "Se ha producido un error");
      EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
    }
    EXPECT_EQ(w->isVisible(), c.open);
    EXPECT_EQ(w->timer()->isActive(), c.open);
    EXPECT_EQ(w->endsProgram(), c.programEnd);
  }
}

TEST_F(fAutoTest, CloseDuringAPassStopsItAndClosesAfterIt) {
  testpeers::TcpListener silent;  // accepts, never answers
  apptest::TcpClockSim after;
  after.sim().generatePunches(2, 1);
  start({ClockSpec{.slot = 1, .port = silent.port()},
         ClockSpec{.slot = 2, .port = after.port(), .file = "R2.MIR"}},
        "TIMEOUT=20\r\n", 1);
  gCfgFile->TimeOut = 20;
  gMirsol->SetTimeOut(20);
  // The close box, and Escape, which is the close box here.
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "escape" : "close box");
    auto w = open();  // on-line: FRECONLINE 1, the first pass after a second
    // The pass runs inside the window's timer; a watcher closes the window from within it, as
    // the close box would while the pass waits for the silent clock.
    bool closedDuring = false, visibleAfterClose = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (closedDuring || !w->passBusy()) return;
      closedDuring = true;
      if (escape) {
        apptest::pressEscape(w.get());
      } else {
        w->close();
      }
      visibleAfterClose = w->isVisible();
    });
    watcher.start(50);
    ASSERT_TRUE(apptest::waitFor([&] { return closedDuring && !w->isVisible(); }));
    EXPECT_TRUE(visibleAfterClose) << "not under the running pass";
    EXPECT_EQ(w->passesRun(), 1);
    EXPECT_FALSE(folder.exists("R2.MIR")) << "the pass stopped before the next clock";
    EXPECT_TRUE(boxes.boxes().empty()) << "on-line: no log-in";
  }
}

TEST_F(fAutoTest, OnlineWithoutPeriodRunsNoPassAndStopsAtOnce) {
  start({}, "FRECONLINE=0\r\n", 1);
  auto w = open();
  EXPECT_FALSE(w->timer()->isActive());
  EXPECT_EQ(w->windowTitle().toStdString(), "Velta 2000 - Modo OnLine");
  EXPECT_TRUE(apptest::grabNonBlank(w.get(), "fAuto-online.png"));
  w->findChild<QPushButton*>("Cmd")->click();
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(fAutoTest, ShippingByFtpThenClearingAndARefusedStoreClearsNothing) {
  for (const bool writable : {true, false}) {
    SCOPED_TRACE(writable ? "stored" : "refused");
    skip = std::chrono::seconds(0);  // the countdown starts unskipped, as in the other tests
    apptest::resetProgramObjects();
    std::filesystem::remove(folder.file(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG"));
    apptest::FtpServerFixture server({writable, "", ""});
    ASSERT_TRUE(server.started());
    apptest::TcpClockSim clock;
    clock.sim().generatePunches(5, 8);
    start({ClockSpec{.port = clock.port()}}, "AUTODIAS=11111110\r\n");
    gListaRelojes->GetCurData(1);
    gListaRelojes->M_Borrar = 1;
    gListaRelojes->SetCurData(1);
    gCfgFile->SAPEnabled = 1;
    gCfgFile->RSHEnabled = writable ? 0 : 1;  // the remote command only after a good upload
    gCfgFile->SAPUrl = "127.0.0.1";
    gCfgFile->SAPRemotePort = static_cast<int16_t>(server.port());
    gCfgFile->SAPModoPasivo = 1;
    gCfgFile->SAPTransferBinary = 1;
    gCfgFile->SAPUsername = "anonymous";
    gCfgFile->SAPPassword = "pw";
    gCfgFile->tmpReturnValue = -100;  // an earlier success must not count
    auto w = open();
    skip = std::chrono::seconds(31);
    ASSERT_TRUE(apptest::waitFor([&] { return w->passesRun() == 1; }, 120000));
    const std::string log =
        basekit::cp1252ToUtf8(folder.read(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG"));
    if (writable) {
      EXPECT_NE(log.find(" Archivo enviado OK"), std::string::npos);
      EXPECT_EQ(server.count("STOR"), 1);
      EXPECT_TRUE(clock.sim().punches().empty());
    } else {
      EXPECT_NE(log.find(" No se pudo transmitir el archivo al servidor ftp"), std::string::npos);
      EXPECT_EQ(log.find(">Ejecutando RSH..."), std::string::npos) << "no remote command";
      EXPECT_EQ(clock.sim().punches().size(), 5u) << "nothing cleared";
      EXPECT_EQ(w->list()->text(w->list()->count()).rfind("Existen Errores", 0), 0u);
    }
  }
}

// Shipping and clearing over a real FTP server and a real (or refusing) rshd. Punches made at
// the clock after the upload are in no shipped file: they stay on the clock, and the next
// pass ships them. The FTP port is in VELTA.INI as an operator writes it, above 32767.
TEST_F(fAutoTest, OnlyPunchesInAShippedFileAreClearedAndARefusedCommandClearsNothing) {
  enum class Rsh { None, Rshd, Refusing };
  struct Case {
    const char* what;
    Rsh rsh;
    collect::Shipment punchAfter;  // the shipment after which two punches are made
    bool punchesMade;
  };
  const Case cases[] = {
      {"ftp only, punches made after the upload", Rsh::None, collect::Shipment::Ftp, true},
      {"in.rshd, punches made after the command", Rsh::Rshd, collect::Shipment::Rsh, true},
      {"rshd refuses the request", Rsh::Refusing, collect::Shipment::Rsh, false},
  };
  const std::string logName = basic::Format(basic::Now(), "YYYYmmdd") + ".LOG";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    apptest::resetProgramObjects();
    std::filesystem::remove(folder.file(logName));
    apptest::FtpServerFixture server;
    ASSERT_TRUE(server.started());
    ASSERT_GT(server.port(), 32767) << "the system hands out ports from 32768 up";
    std::unique_ptr<apptest::RshdFixture> rshd;
    if (c.rsh == Rsh::Rshd) {
      rshd = std::make_unique<apptest::RshdFixture>();
      ASSERT_TRUE(rshd->started()) << "tcpserver did not start";
    }
    apptest::SharedFolder bin;
    bin.writeScript("sapevt", "#!/bin/sh\necho \"anuncio $*\"\n");
    // Started when the command is due: the stub waits a few seconds only for its caller.
    std::unique_ptr<remcmd::test::StubRshd> refusing;
    auto rshPort = [&]() -> uint16_t {
      if (rshd) return rshd->port();
      using remcmd::test::lit;
      using remcmd::test::Step;
      refusing = std::make_unique<remcmd::test::StubRshd>(std::vector<Step>{
          {Step::Out, lit("\1Permission denied.\n")}, {Step::CloseErr, ""}, {Step::CloseOut, ""}});
      return refusing->port();
    };
    apptest::TcpClockSim clock;
    clock.sim().generatePunches(10, 11);
    start({ClockSpec{.port = clock.port()}},
          "AUTODIAS=11111110\r\n[SAP]\r\nSAPEnabled=1\r\nSAPUrl=127.0.0.1\r\nSAPRemotePort=" +
              std::to_string(server.port()) +
              "\r\nSAPModoPasivo=1\r\nSAPTransferBinary=1\r\nSAPUsername=anonymous\r\n"
              "SAPPassword=pw\r\n[RSH]\r\nRSHENABLED=" +
              (c.rsh == Rsh::None ? "0" : "1") +
              "\r\nRSHSERVER=127.0.0.1\r\nRSHUSER=veltatest\r\nRSHPATHEVT=" + bin.path() + "\r\n");
    gListaRelojes->GetCurData(1);
    gListaRelojes->M_Borrar = 1;
    gListaRelojes->SetCurData(1);

    // One countdown pass in a window of its own; `made` punches follow c.punchAfter.
    auto pass = [&](int made) {
      skip = std::chrono::seconds(0);
      auto w = open();
      w->passSeams().ship = [&, made, w = w.get()](collect::Shipment what) {
        if (what == collect::Shipment::Ftp) {
          FFtp f(gCfgFile, w);
          f.exec();
        } else {
          FRsh r(gCfgFile, w);
          const uint16_t port = rshPort();
          r.command().beforeExecute = [port](remcmd::Remcmd& ctl) { ctl.put_RemotePort(port); };
          r.exec();
        }
        if (what == c.punchAfter)
          for (int i = 1; i <= made; ++i)
            clock.sim().addPunch({2026, 3, 2, 8, i, 1, 0, "7700" + std::to_string(i)});
      };
      skip = std::chrono::seconds(31);
      EXPECT_TRUE(apptest::waitFor([&] { return w->passesRun() == 1; }, 120000));
      // The clock's lines from the daily log, then the list's closing line.
      std::string log = basekit::cp1252ToUtf8(folder.read(logName));
      std::filesystem::remove(folder.file(logName));
      return log + w->list()->text(w->list()->count());
    };
    // Every file on the server is byte for byte the local file of its name; their lines.
    auto shipped = [&] {
      std::set<std::string> lines;
      for (const auto& e : std::filesystem::directory_iterator(server.root())) {
        const std::string name = e.path().filename().string();
        EXPECT_EQ(server.fileAt(name), folder.read(name)) << name;
        for (const auto& l : apptest::linesOf(server.fileAt(name))) lines.insert(l);
      }
      return lines;
    };
    const auto has = [](const std::string& log, const std::string& line) {
      return log.find(line) != std::string::npos;
    };

    const std::string first = pass(c.punchesMade ? 2 : 0);
    EXPECT_TRUE(has(first, " Archivo enviado OK"));
    EXPECT_EQ(server.count("STOR"), 1);
    EXPECT_EQ(shipped().size(), 10u);
    EXPECT_FALSE(has(first, ">Las registraciones han sido borradas"));
    EXPECT_TRUE(has(first, "Existen Errores"));
    if (c.rsh == Rsh::Refusing) {
      EXPECT_TRUE(has(first, "Error: Permission denied."));
      EXPECT_TRUE(has(first, " No se pudo ejecutar el comando remoto"));
      EXPECT_FALSE(has(first, " RSH Ejecutado OK"));
      EXPECT_EQ(clock.sim().punches().size(), 10u) << "the host was never told";
      continue;
    }
    EXPECT_EQ(has(first, " RSH Ejecutado OK"), c.rsh == Rsh::Rshd);
    EXPECT_TRUE(has(first, ">No se pudo borrar la información del Reloj"));
    EXPECT_EQ(clock.sim().punches().size(), 12u) << "the two new punches are on the clock only";

    // The next pass ships all twelve (the first ten again), announces them, then clears.
    const std::string second = pass(0);
    EXPECT_TRUE(has(second, ">Las registraciones han sido borradas"));
    EXPECT_FALSE(has(second, "Existen Errores"));
    EXPECT_TRUE(clock.sim().punches().empty());
    EXPECT_EQ(server.count("STOR"), 2);
    EXPECT_EQ(shipped().size(), 12u) << "every punch reached the host";
    if (c.rsh == Rsh::Rshd) {
      EXPECT_TRUE(has(second, "anuncio ZHRMARCAS -p AR_2011_"));
    }
  }
}
