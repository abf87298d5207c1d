// The port test window and its runs: DoTest on pseudo-terminals (a loop-back plug played by
// the test, nothing attached, the simulated modem, refusals) and DoDetectar with a fake probe
// and against the simulator.
#include "widgets/clock/FrmTest.h"

#include "collect/PortTest.h"
#include "collect/RunContext.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/StoreWriters.h"
#include "peers.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/WaitFor.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/common/ProgressListWidget.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>

#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <sys/file.h>
#include <thread>
#include <tuple>

namespace {

using Lines = std::vector<std::string>;

Lines lines(const ProgressList& list) {
  Lines out;
  for (int i = 1; i <= list.count(); ++i) out.push_back(list.text(i));
  return out;
}

// Plays a loop-back plug on the pty's master: whatever the port sent comes back.
void echo(int master) {
  char buf[256];
  pollfd p{master, POLLIN, 0};
  while (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;
    (void)!::write(master, buf, static_cast<size_t>(n));
    // The echo reaches the port's input through the kernel's pty buffer.
    clocklink::sleepQuietly(0.05);
  }
}

class FrmTestTest : public ::testing::Test {
 protected:
  FrmTestTest() {
    apptest::objects().createSettings();
    gCfgFile->RelojActivo = -1;
    // The objects of the windows' run context.
    apptest::objects().createClockList();
    apptest::objects().createModem();
    apptest::objects().createMirsol();
  }
  ~FrmTestTest() override {
    for (const std::string& v : published) ::unsetenv(v.c_str());
  }
  void publish(int port, const std::string& device) {
    published.push_back("VELTA_COM" + std::to_string(port));
    ::setenv(published.back().c_str(), device.c_str(), 1);
  }
  // Runs DoTest on COM`port` with short waits that also play `onWait`.
  void runTest(FrmTest& w, int port, std::function<void()> onWait = {}) {
    w.hooks().wait = [onWait](double) {
      if (onWait) onWait();
    };
    w.CmbPuerto()->setCurrentIndex(port - 1);
    w.command(0)->trigger();
  }
  // One speed's lines: the speed line, then the plug's two.
  static Lines speedLines(const std::string& speed, bool plug) {
    Lines out{speed + " bps"};
    if (plug) out.insert(out.end(), {"Probando Datos", "Datos: OK"});
    return out;
  }
  static Lines expectedRun(int port, bool plug, const std::string& extra = {}) {
    Lines out{"Procesando...Espere por favor COM " + std::to_string(port)};
    for (const std::string& s : collect::kPortSpeeds) {
      for (const std::string& l : speedLines(s, plug)) out.push_back(l);
      if (!extra.empty()) out.push_back(extra);
    }
    return out;
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes{msgbox::Yes};
  std::vector<std::string> published;
};

TEST_F(FrmTestTest, LoopBackPlug) {
  testpeers::PtyClock line(12);
  FrmTest w(nullptr, apptest::windowContext());
  runTest(w, 12, [&line] { echo(line.fd()); });
  const Lines got = lines(*w.LstLst());
  // Every speed is tried, 14400 (outside the termios table) as the others.
  EXPECT_EQ(got, expectedRun(12, true));
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{376, 266}));
  EXPECT_EQ(boxes.boxes()[0].title, "Atención");
  EXPECT_FALSE(gMirsol->FCommPortOpen());
  EXPECT_TRUE(w.command(0)->isEnabled());
  EXPECT_FALSE(w.command(2)->isEnabled());
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FrmTest.png"));
}

TEST_F(FrmTestTest, NothingAttachedGivesSpeedLinesOnly) {
  testpeers::PtyClock line(3);
  boxes.answer(msgbox::No);
  FrmTest w(nullptr, apptest::windowContext());
  runTest(w, 3);
  EXPECT_EQ(lines(*w.LstLst()), expectedRun(3, false));
}

TEST_F(FrmTestTest, ModemAnswers) {
  apptest::ModemClockSim modem(5);
  boxes.answer(msgbox::No);
  FrmTest w(nullptr, apptest::windowContext());
  // The modem answers from its own thread. The wait after "AT" (picture 1 with the port
  // open) lasts until the modem has taken the command, and a little for its reply, in real
  // time: a loaded machine may run the modem's thread late. The other waits are short.
  int lastPicture = 0;
  size_t answered = 0;
  auto showPicture = w.hooks().picture;
  w.hooks().picture = [&](int n) {
    lastPicture = n;
    if (showPicture) showPicture(n);
  };
  w.hooks().wait = [&](double) {
    clocklink::WaitSeconds(0.2);
    if (lastPicture != 1 || !gMirsol->FCommPortOpen()) return;
    EXPECT_TRUE(apptest::waitFor([&] { return modem.modem().commands().size() > answered; }));
    answered = modem.modem().commands().size();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (std::chrono::steady_clock::now() < until) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  w.CmbPuerto()->setCurrentIndex(4);
  w.command(0)->trigger();
  EXPECT_EQ(lines(*w.LstLst()), expectedRun(5, false, "Modem"));
}

TEST_F(FrmTestTest, RefusedPorts) {
  testpeers::PtyClock held(7);
  const int holder = ::open(held.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  publish(8, "/nonexistent/velta-tty");
  FrmTest w(nullptr, apptest::windowContext());
  runTest(w, 7);
  runTest(w, 8);
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{376, 346, 376, 344}));
  EXPECT_FALSE(gMirsol->FCommPortOpen());
  ::close(holder);
  // Already open in this program: 102, no test.
  testpeers::PtyClock open(9);
  gMirsol->FCommCommPort(9);
  gMirsol->FCommSettings("9600,N,8,1");
  gMirsol->FCommPortOpen(true);
  ASSERT_TRUE(gMirsol->FCommPortOpen());
  boxes.clear();
  runTest(w, 9);
  EXPECT_EQ(lines(*w.LstLst()), (Lines{"Procesando...Espere por favor COM 9", GetMsg(102)}));
  EXPECT_EQ(boxes.numbers(), std::vector<int>{376});
  EXPECT_TRUE(w.command(0)->isEnabled());
  gMirsol->FCommPortOpen(false);
}

TEST_F(FrmTestTest, CancelStopsAtTheNextCheck) {
  testpeers::PtyClock line(4);
  FrmTest w(nullptr, apptest::windowContext());
  int waits = 0;
  bool secondRunStarted = false;
  runTest(w, 4, [&] {
    echo(line.fd());
    if (++waits == 3) {
      w.command(2)->trigger();  // Cancelar
      // The window stays disabled until the run returns: no second run inside this one.
      secondRunStarted = w.command(0)->isEnabled();
    }
  });
  EXPECT_FALSE(secondRunStarted);
  EXPECT_EQ(lines(*w.LstLst()), (Lines{"Procesando...Espere por favor COM 4", "9600   bps",
                                       "Probando Datos", "Datos: OK"}));
  EXPECT_EQ(boxes.numbers(), std::vector<int>{376});  // no 266
  EXPECT_FALSE(gMirsol->FCommPortOpen());
  EXPECT_TRUE(w.command(0)->isEnabled());
}

TEST_F(FrmTestTest, CloseBoxCancelsTheRunThenCloses) {
  testpeers::PtyClock line(6);
  boxes.answer(msgbox::No);
  FrmTest w(nullptr, apptest::windowContext());
  w.show();
  int waits = 0;
  runTest(w, 6, [&] {
    if (++waits == 2) w.close();
  });
  // Seen at the speed's last check: the header and the first speed line only.
  EXPECT_EQ(lines(*w.LstLst()).size(), 2u);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{376});
  EXPECT_FALSE(gMirsol->FCommPortOpen());
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.isVisible());
}

TEST_F(FrmTestTest, DetectarProbesEveryCombinationInOrder) {
  VectorProgressList list;
  std::vector<std::tuple<std::string, std::string, std::string>> probes;
  collect::PortTest::Hooks hooks;
  hooks.probe = [&](const std::string& id, const std::string& port, const std::string& speed) {
    probes.emplace_back(id, speed, port);
    if (id == "B" && speed == "1200  " && port == "COM2") return std::string("ABCDE");
    if (id == "C") return std::string(" ABCD ");
    return std::string();
  };
  MsgBoxReporter reporter;
  const std::optional<RunContext> ctx = collect::programContext(apptest::objects());
  ASSERT_TRUE(ctx);
  collect::PortTest run(list, *ctx, reporter, hooks);
  run.DoDetectar();
  ASSERT_EQ(probes.size(), 1952u);
  using P = std::tuple<std::string, std::string, std::string>;
  EXPECT_EQ(probes[0], (P{"1", "9600  ", "COM1"}));
  EXPECT_EQ(probes[3], (P{"1", "9600  ", "COM4"}));
  EXPECT_EQ(probes[4], (P{"1", "110   ", "COM1"}));
  EXPECT_EQ(probes[32], (P{"2", "9600  ", "COM1"}));
  EXPECT_EQ(probes[9 * 32], (P{"A", "9600  ", "COM1"}));
  EXPECT_EQ(probes[35 * 32], (P{"a", "9600  ", "COM1"}));
  EXPECT_EQ(probes.back(), (P{"z", "19200 ", "COM4"}));
  EXPECT_EQ(lines(list), (Lines{"Reloj: B", "Velocidad: 1200  ", "Puerto: COM2", "Datos: OK"}));
  EXPECT_EQ(boxes.numbers(), std::vector<int>{266});
}

TEST_F(FrmTestTest, DetectarFindsTheSimulatorAndRestoresTheClockOnCancel) {
  // The program's current clock: a TCP clock, reached again after the search.
  apptest::TcpClockSim current;
  stores::ClockSpec record;
  record.port = current.port();
  stores::writeClocks({record});
  apptest::objects().createClockList();
  gListaRelojes->Iniciar(*gDataFolder + "velta002.dat");
  (void)gListaRelojes->CargarRelojes();
  gCfgFile->RelojActivo = 1;
  gCfgFile->TimeOut = 3;
  clocksim::Options options;
  options.answerOnlyAtBaud = 2400;
  clocksim::Simulator searched(options);
  publish(3, searched.openPty());
  for (int p : {1, 2, 4}) publish(p, "/nonexistent/velta-tty");

  FrmTest w(nullptr, apptest::windowContext());
  // The window's own progress line stays; the test cancels once the clock is found.
  QString shownAtFind;
  w.hooks().progress = [&w, &shownAtFind, show = w.hooks().progress](int n, const std::string& id,
                                                                     const std::string& speed,
                                                                     const std::string& port) {
    show(n, id, speed, port);
    if (w.LstLst()->count() >= 4 && shownAtFind.isEmpty()) {
      shownAtFind = w.LblProbe()->text();
      w.command(2)->trigger();
    }
  };
  w.command(1)->trigger();
  EXPECT_EQ(lines(*w.LstLst()),
            (Lines{"Reloj: 1", "Velocidad: 2400  ", "Puerto: COM3", "Datos: OK"}));
  EXPECT_TRUE(boxes.numbers().empty());  // cancelled: no 266
  // Probe 24 (clock 1, 2400, COM4) was running when the find was seen.
  EXPECT_EQ(shownAtFind, "Reloj: 1   Velocidad: 2400   Puerto: COM4   (24 / 1952)");
  EXPECT_TRUE(w.command(1)->isEnabled());
  // The current clock is configured again, IP included: its status comes back.
  EXPECT_EQ(gMirsol->clockId(), "1");
  EXPECT_GE(basic::Trim(gMirsol->Status_Get()).size(), 5u);
}

// A clock that hears its line only at 14400 (a speed outside the termios table) is found there.
TEST_F(FrmTestTest, DetectarFindsAClockAt14400) {
  clocksim::Options options;
  options.answerOnlyAtBaud = 14400;
  clocksim::Simulator searched(options);
  publish(3, searched.openPty());
  for (int p : {1, 2, 4}) publish(p, "/nonexistent/velta-tty");
  FrmTest w(nullptr, apptest::windowContext());
  w.hooks().progress = [&w](int, const std::string&, const std::string&, const std::string&) {
    if (w.LstLst()->count() >= 4) w.command(2)->trigger();
  };
  w.command(1)->trigger();
  EXPECT_EQ(lines(*w.LstLst()),
            (Lines{"Reloj: 1", "Velocidad: 14400 ", "Puerto: COM3", "Datos: OK"}));
}

}  // namespace
