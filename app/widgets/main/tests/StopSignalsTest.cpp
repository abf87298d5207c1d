// SIGTERM with each modal window of the main window open: the program ends the normal way,
// as from the main window's close box (OU.TMP written, IN.TMP gone, VELTA.INI saved), with
// the program's own windows, a clock simulator as the clock and a real signal.
#include "widgets/main/StopSignals.h"

#include "FComm.h"
#include "core/ClsCfgFile.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "peers.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/FAud.h"
#include "widgets/admin/FBases.h"
#include "widgets/admin/FEmpr.h"
#include "widgets/admin/FVerArch.h"
#include "widgets/admin/Fconfig.h"
#include "widgets/clock/FCacheo.h"
#include "widgets/clock/FCbioReloj.h"
#include "widgets/clock/FConsole.h"
#include "widgets/clock/FLeer.h"
#include "widgets/clock/FSirenas.h"
#include "widgets/clock/FTime.h"
#include "widgets/clock/FTjtas.h"
#include "widgets/clock/FrmTest.h"
#include "widgets/clock/fAuto.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/main/FormP.h"
#include "widgets/main/ProgramShutdown.h"
#include "widgets/main/ProgramWindows.h"
#include "widgets/main/frmAbout.h"

#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <signal.h>
#include <unistd.h>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using stores::ClockSpec;

template <class Window>
void execModal(QWidget* parent) {
  Window w(parent, apptest::windowContext());
  w.exec();
}

// The program's openers, as the program registers them.
WindowOpeners programOpeners() {
  WindowOpeners o;
  o.Fconfig = [](QWidget* parent) {
    openFconfig(
        parent, [] {}, apptest::windowContext());
  };
  o.FBases = [](QWidget* parent) { openFBases(parent); };
  o.FEmpr = [](QWidget* parent) { openFEmpr(parent); };
  o.FVerArch = [](QWidget* parent) { openFVerArch(parent, apptest::windowContext()); };
  o.FAud = [](QWidget* parent) { openFAud(parent, apptest::windowContext()); };
  o.frmAbout = [](QWidget* parent) { openfrmAbout(parent); };
  o.FTime = execModal<FTime>;
  o.FCbioReloj = execModal<FCbioReloj>;
  o.FCacheo = execModal<FCacheo>;
  o.FLeer = execModal<FLeer>;
  o.FTjtas = execModal<FTjtas>;
  o.FSirenas = execModal<FSirenas>;
  o.FrmTest = execModal<FrmTest>;
  o.FConsole = execModal<FConsole>;
  o.fAuto = [](QWidget* parent) {
    fAuto w(parent, apptest::windowContext(), fAuto::Program{*gRunMode, gUsers});
    w.exec();
  };
  // Each case makes its objects afresh: the dial window is handed a context over them as it
  // opens.
  o.FIniModemConectar = [](QWidget* parent) {
    const std::optional<RunContext> context = apptest::runContext();
    WindowOpeners program;
    registerOpeners(program, context);
    program.FIniModemConectar(parent);
  };
  return o;
}

// What a busy case's exchange waits on.
enum class Peer { None, Clock, FtpHost, Modem };

std::function<void(QWidget*)> trigger(const char* command) {
  return [command](QWidget* window) {
    if (auto* a = window->findChild<QAction*>(command)) QTimer::singleShot(0, a, &QAction::trigger);
  };
}

// A view long enough to be under way when the signal comes.
void viewBigFile(QWidget* window) {
  auto* viewer = static_cast<FVerArch*>(window);
  std::string big;
  for (int n = 0; n < 300000; ++n) big += std::to_string(n) + " 01/02/2024 08:00 01 01\r\n";
  const std::string path = *gDataFolder + "BIG.MIR";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(big.data(), 1, big.size(), f);
    std::fclose(f);
  }
  viewer->Archivo()->setText(QString::fromStdString(path));
  viewer->TxtF(4)->setText("1000000");
  QTimer::singleShot(0, viewer->mnu(1), &QAction::trigger);
}

QWidget* topLevel(const std::string& className) {
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->isVisible() && className == t->metaObject()->className()) return t;
  return nullptr;
}

class StopSignalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
    stores::writeUsers({{"ADMIN", 3, 2}});
  }
  void TearDown() override {
    form.reset();
    clocklink::setEventPump({});
    clocklink::FComm::unload();
    clocklink::ClsModem().cortarModem(false);
  }

  FormP& open(const std::string& ini) {
    data.write("VELTA.INI", ini);
    apptest::objects().createSettings();
    gCfgFile->Init(data.file("VELTA.INI"));
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
    EXPECT_TRUE(gUsers->FindUser("ADMIN", "3"));
    form = std::make_unique<FormP>(openers, apptest::runContext(), &apptest::objects());
    form->show();
    return *form;
  }

  apptest::TempDataFolder data;
  WindowOpeners openers = programOpeners();
  std::unique_ptr<FormP> form;
};

TEST_F(StopSignalsTest, SigtermWithAModalWindowOpenClosesTheMainWindowTheNormalWay) {
  struct Case {
    FormP::Menu menu;
    int index;
    const char* window;  // the first modal window the command shows
    int16_t model = 0;
    bool multiCompany = false;  // the company editor needs it; the markers are off then
    bool busy = false;          // the signal comes during the exchange of `window` (a silent peer)
    // Starts the window's exchange once it shows, if the command does not.
    std::function<void(QWidget* window)> start = {};
    Peer peer = Peer::Clock;  // what the exchange waits on
  };
  using M = FormP::Menu;
  const Case cases[] = {
      {M::Co, 7, "FConsole"},
      {M::Co, 7, "FConsole", 0, false, true},
      {M::Co, 5, "fAuto"},
      {M::Co, 5, "fAuto", 0, false, true},
      {M::Co, 2, "FLeer"},
      {M::Co, 4, "FTime"},
      {M::Co, 4, "FTime", 0, false, true, trigger("mnu0")},
      // The upload of the on-line run's file, to an FTP host that never answers.
      {M::Co, 5, "FFtp", 0, false, true, {}, Peer::FtpHost},
      // The manual dial, in its wait between two attempts; the window is not modal.
      {M::Co, 1, "FIniModem", 0, false, true, {}, Peer::Modem},
      {M::Co, 6, "FCbioReloj", 2},
      {M::He, 0, "FCacheo"},
      {M::He, 1, "FTjtas"},
      {M::He, 2, "FSirenas"},
      {M::He, 3, "FBases"},
      {M::He, 5, "FEmpr", 0, true},
      {M::He, 7, "FrmTest"},
      // Its box "no modem definitions" comes before the window itself.
      {M::Op, 0, "QMessageBox"},
      {M::Ve, 0, "FVerArch"},
      {M::Ve, 0, "FVerArch", 0, false, true, viewBigFile, Peer::None},
      {M::Ve, 1, "FAud"},
      {M::Ay, 0, "frmAbout"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.window) + (c.busy ? " busy" : ""));
    form.reset();
    apptest::resetProgramObjects();
    ::unlink(data.file("OU.TMP").c_str());
    apptest::TcpClockSim clock;
    clock.sim().generatePunches(3, 1);
    testpeers::TcpListener silent;  // accepts, never answers
    const bool silentClock = c.busy && c.peer == Peer::Clock;
    ClockSpec spec{.model = c.model, .port = silentClock ? silent.port() : clock.port()};
    std::string ini = "[COMMON]\r\nFRECONLINE=1\r\nTIMEOUT=30\r\n";
    if (c.multiCompany) ini += "MULTIEMPRESA=1\r\n";
    std::unique_ptr<apptest::ModemClockSim> modem;
    if (c.busy && c.peer == Peer::Modem) {
      modem = std::make_unique<apptest::ModemClockSim>(
          5, clocksim::Options{}, clocksim::ModemOptions{.script = {clocksim::DialOutcome::Busy}});
      data.write("MODEMS.INI", "[Sim]\nCom=5\nInit=&FE0V1\n");
      ::setenv("VELTA_MODEMS", data.file("MODEMS.INI").c_str(), 1);
      ::setenv("VELTA_ASSUME_CTS", "1", 1);
      ini += "MODEMDRIVER=Sim\r\nTIMEOUTMODEM=10\r\n";
      spec.interface = 0;
      spec.comPort = "COM5";
      spec.phone = "5551234";
    }
    if (c.busy && c.peer == Peer::FtpHost)
      ini += "[SAP]\r\nSAPEnabled=1\r\nSAPUrl=127.0.0.1\r\nSAPModoPasivo=1\r\nSAPRemotePort=" +
             std::to_string(silent.port()) + "\r\n";
    stores::writeClocks({spec});
    FormP& w = open(ini);
    ASSERT_EQ(data.exists("IN.TMP"), !c.multiCompany);
    StopSignals stop([&w] { return &w; });

    std::string shown;
    bool started = false;
    QTimer sender;
    QObject::connect(&sender, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal && c.busy) modal = topLevel(c.window);
      if (modal && c.start && !started) {
        started = true;
        c.start(modal);
        return;
      }
      if (!modal || !shown.empty()) return;
      // A busy case waits for its own window's exchange (the run's pass comes before its
      // upload window, say).
      const bool own = c.window == std::string(modal->metaObject()->className());
      if (c.busy && (!own || !BusyGuard::busy(modal))) return;
      shown = modal->metaObject()->className();
      ::kill(::getpid(), SIGTERM);
    });
    sender.start(20);
    QAction* a = w.item(c.menu, c.index);
    ASSERT_TRUE(a->isEnabled());
    // As in the program: the command runs from the application's event loop, which ends
    // once the main window has closed.
    QTimer::singleShot(0, a, &QAction::trigger);
    QTimer hangGuard;
    hangGuard.setSingleShot(true);
    QObject::connect(&hangGuard, &QTimer::timeout, [] {
      ADD_FAILURE() << "the program did not end";
      QCoreApplication::exit(1);
    });
    hangGuard.start(120000);
    EXPECT_EQ(runProgramLoop(w, apptest::objects()), 0);
    hangGuard.stop();
    sender.stop();

    EXPECT_EQ(shown, c.window);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(gCfgFile, nullptr);
    EXPECT_EQ(gMirsol, nullptr);
    EXPECT_EQ(data.exists("OU.TMP"), !c.multiCompany);
    EXPECT_FALSE(data.exists("IN.TMP"));
    EXPECT_NE(data.read("VELTA.INI").find("RELOJACTIVO="), std::string::npos);
    for (QWidget* t : QApplication::topLevelWidgets())
      EXPECT_FALSE(t->isVisible()) << t->metaObject()->className();
    if (modem) {
      EXPECT_FALSE(modem->modem().online()) << "the dialled line was let go";
      ::unsetenv("VELTA_MODEMS");
      ::unsetenv("VELTA_ASSUME_CTS");
      ::unlink(data.file("MODEMS.INI").c_str());  // the modem set-up's box comes without it
    }
  }
}

// A stop signal closes the main window with nobody at it: a settings file the close cannot
// write (here it has a second name) is said on standard error, not in a box nobody answers.
TEST_F(StopSignalsTest, ASettingsSaveThatFailsIsSaidOnStandardError) {
  stores::writeClocks({ClockSpec{.slot = 1}, ClockSpec{.slot = 2, .number = "2"}});
  FormP& w = open("[COMMON]\r\nRELOJACTIVO=1\r\n");
  const std::string before = data.read("VELTA.INI");
  ASSERT_EQ(::link(data.file("VELTA.INI").c_str(), data.file("VELTA.BAK").c_str()), 0);
  w.MostrarConfig(2);
  StopSignals stop([&w] { return &w; });
  apptest::MsgBoxRecorder boxes;

  // Standard error into a file for the close.
  const std::string errFile = data.file("stderr.txt");
  const int saved = ::dup(2);
  const int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ::dup2(fd, 2);
  ::close(fd);
  QTimer::singleShot(0, [] { ::kill(::getpid(), SIGTERM); });
  QTimer hangGuard;
  hangGuard.setSingleShot(true);
  QObject::connect(&hangGuard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  hangGuard.start(120000);
  const int ended = runProgramLoop(w, apptest::objects());
  ::dup2(saved, 2);
  ::close(saved);

  EXPECT_EQ(ended, 0);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(boxes.boxes().empty());
  const std::string said = data.read("stderr.txt");
  EXPECT_NE(said.find(data.file("VELTA.INI")), std::string::npos) << said;
  EXPECT_NE(said.find(GetExtraMsg(ExtraMsg::ReasonSecondName)), std::string::npos) << said;
  EXPECT_EQ(data.read("VELTA.INI"), before);
}

}  // namespace
