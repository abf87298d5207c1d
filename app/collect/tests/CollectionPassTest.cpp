// The collection pass over simulated clocks on TCP, UDP and a pseudo-terminal, and behind a
// simulated Hayes modem: what reaches each file, the clock, the list and the daily log.
#include "collect/CollectionPass.h"

#include "collect/DialClock.h"
#include "collect/testing/Hooks.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsLogger.h"
#include "core/Globals.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/PlantedLink.h"

#include <basekit/codepage.h>
#include <basekit/plainfile.h>
#include <basekit/testing/Hooks.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>
#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// Clock specs name only the fields that matter to each test.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using collect::PassMode;
using stores::ClockSpec;

namespace {

using apptest::linesOf;

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

class CollectionPassTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& v : variables) ::unsetenv(v.c_str());
  }
  // Settings, stores and the program-wide objects over the clocks given.
  void start(const std::vector<ClockSpec>& clocks, const std::string& ini = "") {
    folder.write("VELTA.INI", "[COMMON]\r\nTIMEOUT=3\r\n" + ini);
    stores::writeClocks(clocks);
    apptest::objects().createSettings();
    gCfgFile->Init(*gDataFolder + "VELTA.INI");
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
  }
  // Changes slot `slot` of the loaded clock store.
  template <typename F>
  void edit(int slot, F change) {
    gListaRelojes->GetCurData(static_cast<int16_t>(slot));
    change(*gListaRelojes);
    gListaRelojes->SetCurData(static_cast<int16_t>(slot));
  }
  // A serial clock carries no network address (the link takes one as a network clock).
  static void serialOnly(ClsListaRelojes& c) {
    c.m_IP.clear();
    c.m_PortLocal = 0;
    c.m_PortRemoto = 0;
  }
  std::string pty(clocksim::Simulator& sim, int com) {
    const std::string v = "VELTA_COM" + std::to_string(com);
    ::setenv(v.c_str(), sim.openPty().c_str(), 1);
    variables.push_back(v);
    return "COM" + std::to_string(com);
  }
  collect::PassResult run(PassMode mode, ClsLogger* logger = nullptr) {
    collect::PassSeams s;
    s.list = &list;
    s.closeWaitSeconds = 0;
    s.retryWaitSeconds = 0.3;
    s.stopRequested = [this] { return stop && stop(); };
    s.label = [this](const std::string& t) { labels.push_back(t); };
    s.logger = logger;
    std::optional<RunContext> ctx = collect::programContext(apptest::objects());
    auto r = ctx ? collect::PollClocks(*ctx, mode, s) : collect::PassResult{true, false, 0};
    if (getenv("DUMP"))
      for (auto& t : list.texts()) fprintf(stderr, "L: %s\n", t.c_str());
    return r;
  }
  std::vector<std::string> file(const std::string& name) {
    return linesOf(basekit::cp1252ToUtf8(folder.read(name)));
  }
  // `name` holds the one line of an earlier pass, then `count` lines, none of them twice.
  void expectEachPunchOnce(const std::string& name, size_t count) {
    auto lines = file(name);
    ASSERT_FALSE(lines.empty()) << name;
    EXPECT_EQ(lines.front(), "line of an earlier pass") << name;
    lines.erase(lines.begin());
    EXPECT_EQ(lines.size(), count) << name;
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size())
        << name << ": a punch written twice";
  }
  // One clock on TCP in slot 1 (R1.MIR, cleared after its download, BACKUP=1) serving
  // `stored` behind one punch the clock flags (every line then goes to ERRORES.TXT too); each
  // of `files` holds one line of an earlier pass. Answers the clock's port.
  uint16_t serveWithAFlaggedPunch(clocksim::Simulator& sim, std::vector<clocksim::Punch> stored,
                                  const std::vector<std::string>& files) {
    auto flagged = stored.front();
    flagged.card = "3333";
    flagged.month = 13;
    stored.insert(stored.begin(), flagged);
    sim.setPunches(stored);
    const uint16_t port = sim.listenTcp();
    for (const auto& name : files) folder.write(name, "line of an earlier pass\r\n");
    start({ClockSpec{.slot = 1, .description = "Uno", .port = port, .file = "R1.MIR"}},
          "BACKUP=1\r\n");
    edit(1, [](ClsListaRelojes& clock) { clock.M_Borrar = 1; });
    return port;
  }

  apptest::TempDataFolder folder;
  VectorProgressList list;
  std::function<bool()> stop;
  std::vector<std::string> labels;
  std::vector<std::string> variables;
};

}  // namespace

TEST_F(CollectionPassTest, AutomaticPassCollectsTcpUdpAndSerialClocksAndLogsEachStep) {
  clocksim::Simulator tcp, udp, serial, skipped;
  tcp.generatePunches(7, 1);
  udp.generatePunches(5, 2);
  serial.generatePunches(3, 3);
  skipped.generatePunches(2, 4);
  tcp.setClockTime(std::chrono::system_clock::now() - std::chrono::hours(24 * 400));
  serial.addPunch({});  // one more on the serial clock, made before the pass
  const auto serialCount = serial.punches().size();
  folder.write("CARDS.TXT", "1234\r\n5678\r\n");
  start({ClockSpec{.slot = 1, .description = "Entrada", .port = tcp.listenTcp(), .file = "R1.MIR"},
         ClockSpec{.slot = 2,
                   .description = "Deposito",
                   .interface = 1,
                   .port = udp.listenUdp(),
                   .file = "R2.MIR"},
         ClockSpec{.slot = 3,
                   .description = "Serie",
                   .interface = 0,
                   .comPort = pty(serial, 57),
                   .file = "R3.MIR"},
         ClockSpec{
             .slot = 4, .description = "Apagado", .port = skipped.listenTcp(), .file = "R4.MIR"}});
  edit(1, [](ClsListaRelojes& c) {
    c.M_Borrar = 1;
    c.m_FHora = 1;
    c.m_ArchivoHabil = *gDataFolder + "CARDS.TXT";
  });
  edit(2, [](ClsListaRelojes& c) { c.m_PortLocal = 0; });  // any local port for UDP
  edit(3, [](ClsListaRelojes& c) {
    c.M_Borrar = 1;
    serialOnly(c);
  });
  edit(4, [](ClsListaRelojes& c) { c.m_Prg = 0; });  // active but not programmed: skipped
  ClsLogger logger;
  logger.logEnabled = true;
  const auto result = run(PassMode::Automatic, &logger);

  EXPECT_FALSE(result.errors);
  EXPECT_EQ(result.clocksVisited, 3);
  EXPECT_EQ(file("R1.MIR").size(), 7u);
  EXPECT_EQ(file("R2.MIR").size(), 5u);
  EXPECT_EQ(file("R3.MIR").size(), serialCount);
  EXPECT_FALSE(folder.exists("R4.MIR"));
  EXPECT_EQ(skipped.punches().size(), 2u);
  // Cleared only where M_Borrar is 1.
  EXPECT_TRUE(tcp.punches().empty());
  EXPECT_EQ(udp.punches().size(), 5u);
  EXPECT_TRUE(serial.punches().empty());
  // Date and cards reached the first clock.
  const auto clockNow = std::chrono::system_clock::to_time_t(tcp.clockTime());
  EXPECT_LT(std::abs(std::difftime(clockNow, std::time(nullptr))), 3600 * 2);
  EXPECT_EQ(tcp.enabledCards().size(), 2u);

  // The list keeps the closing lines only; each clock's lines went to the log first.
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.text(1), "Proceso finalizado");
  EXPECT_EQ(list.text(2).rfind("Fecha: ", 0), 0u);
  const auto log = file(logger.getFileName());
  for (const char* line : {"Velta 2000",
                           "Procesando...Espere por favor",
                           ">Programa: 001",
                           "Entrada",
                           "Reloj: 1",
                           "Puerto: COM2",
                           "Velocidad: 9600",
                           "Teléfono: ",
                           "Borrar: X",
                           "Archivo: R1.MIR",
                           "Actualizar Fecha y Hora: X",
                           "Comunicación: Filtro de Ruido",
                           "Número: Tarjeta",
                           ">Fecha y Hora actualizada",
                           ">Las registraciones han sido borradas",
                           " TARJETAS HABILITADAS...",
                           ">Programa: 002",
                           "Borrar:  ",
                           ">Programa: 003",
                           "Proceso finalizado"})
    EXPECT_TRUE(contains(log, line)) << line;
  EXPECT_FALSE(contains(log, ">Programa: 004"));
  EXPECT_EQ(log.back(), std::string(80, '*'));
}

TEST_F(CollectionPassTest, AFailedClockSetsTheErrorLineAndTheNextClockStillRuns) {
  uint16_t closedPort;
  {
    clocksim::Simulator gone;
    closedPort = gone.listenTcp();
  }
  clocksim::Simulator good;
  good.generatePunches(4, 9);
  start({ClockSpec{.slot = 1, .description = "Caido", .port = closedPort, .file = "R1.MIR"},
         ClockSpec{.slot = 2, .description = "Bueno", .port = good.listenTcp(), .file = "R2.MIR"}});
  edit(1, [](ClsListaRelojes& c) { c.M_Borrar = 1; });
  ClsLogger logger;
  logger.logEnabled = true;
  const auto result = run(PassMode::Automatic, &logger);
  EXPECT_TRUE(result.errors);
  EXPECT_EQ(file("R2.MIR").size(), 4u);
  ASSERT_EQ(list.count(), 4);
  EXPECT_EQ(list.text(4), "Existen Errores. Verifique el archivo:" + logger.getFileName());
}

// A damaged record's interface (7) leaves the clock no link: the pass fails it and claims
// nothing for it (no clearing, no date, no cards), for a model that waits for no
// acknowledgement too.
TEST_F(CollectionPassTest, AClockWithNoLinkFailsAndNothingIsClaimedDone) {
  for (const int16_t model : {int16_t{6}, int16_t{0}}) {
    SCOPED_TRACE(model);
    list.clear();
    start({ClockSpec{.slot = 1, .model = model, .interface = 7, .file = "R1.MIR"}});
    edit(1, [](ClsListaRelojes& c) {
      c.M_Borrar = 1;
      c.m_FHora = 1;
      c.m_ArchivoHabil = *gDataFolder + "CARDS.TXT";
      c.m_tipo = 0;
    });
    folder.write("CARDS.TXT", "123\r\n");
    ClsLogger logger;
    logger.logEnabled = true;
    const auto result = run(PassMode::Automatic, &logger);
    EXPECT_TRUE(result.errors);
    const auto log = file(logger.getFileName());
    for (const char* claimed : {">Las registraciones han sido borradas",
                                ">Fecha y Hora actualizada", " TARJETAS HABILITADAS..."})
      EXPECT_FALSE(contains(log, claimed)) << claimed;
    EXPECT_TRUE(contains(log, " ERROR AL HABILITAR TARJETAS"));
    EXPECT_EQ(list.text(list.count()),
              "Existen Errores. Verifique el archivo:" + logger.getFileName());
  }
}

TEST_F(CollectionPassTest, AnOutputFileThatIsALinkIsNotWrittenNorClearedAndTheLogSaysWhy) {
  using Target = apptest::PlantedLink::Target;
  clocksim::Simulator sim;
  sim.generatePunches(3, 5);
  const auto port = sim.listenTcp();
  for (const char* name : {"R1.MIR", "BACKUP.MIR"}) {
    for (const Target kind : {Target::Existing, Target::SecondName}) {
      SCOPED_TRACE(std::string(name) + ", " + apptest::PlantedLink::kindName(kind));
      list.clear();
      start({ClockSpec{.slot = 1, .description = "Enlazado", .port = port, .file = "R1.MIR"}},
            "BACKUP=1\r\n");
      edit(1, [](ClsListaRelojes& c) { c.M_Borrar = 1; });
      apptest::PlantedLink link(folder.file(name), kind);
      ClsLogger logger;
      logger.logEnabled = true;
      const auto result = run(PassMode::Automatic, &logger);
      EXPECT_TRUE(result.errors);
      EXPECT_TRUE(link.unchanged());
      EXPECT_EQ(sim.punches().size(), 3u) << "nothing written, nothing cleared";
      const auto log = file(logger.getFileName());
      EXPECT_FALSE(contains(log, ">Las registraciones han sido borradas"));
      const std::string reason =
          kind == Target::SecondName
              ? fileReason(basekit::FileError::refusal(basekit::FileFault::SecondName, {}))
              : systemReason(ELOOP);
      EXPECT_TRUE(contains(log, folder.file(name) + ": " + reason));
    }
  }
}

TEST_F(CollectionPassTest, AFailedCardFileOrClearingSetsTheErrorFlag) {
  clocksim::Simulator sim;
  sim.generatePunches(2, 5);
  start({ClockSpec{.slot = 1, .port = sim.listenTcp()}});
  edit(1, [](ClsListaRelojes& c) { c.m_ArchivoHabil = *gDataFolder + "MISSING.TXT"; });
  const auto result = run(PassMode::Automatic);
  EXPECT_TRUE(result.errors);
  EXPECT_EQ(list.text(list.count()), "Existen Errores. Verifique el archivo:");
}

TEST_F(CollectionPassTest, OnlineKeepsItsLinesAndTheConsoleClearsEveryGoodDownload) {
  clocksim::Simulator a;
  a.generatePunches(3, 6);
  start({ClockSpec{.slot = 1, .description = "Uno", .port = a.listenTcp(), .file = "R1.MIR"}});
  run(PassMode::Online);
  EXPECT_EQ(list.text(1), ">Programa: 001");
  EXPECT_EQ(list.text(2), "Uno");
  EXPECT_EQ(a.punches().size(), 3u) << "M_Borrar 0: on-line leaves the punches";
  EXPECT_TRUE(labels.empty());

  list.clear();
  a.generatePunches(2, 7);
  const auto result = run(PassMode::Console);
  EXPECT_FALSE(result.errors);
  EXPECT_TRUE(a.punches().empty()) << "the console clears after every good download";
  EXPECT_EQ(file("CONSOLE.MIR").size(), 2u);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(labels, (std::vector<std::string>{"", "Uno", ""}));
}

TEST_F(CollectionPassTest, AStopRequestEndsThePassBeforeTheNextClock) {
  clocksim::Simulator a, b;
  a.generatePunches(2, 1);
  b.generatePunches(2, 2);
  start({ClockSpec{.slot = 1, .port = a.listenTcp(), .file = "R1.MIR"},
         ClockSpec{.slot = 2, .port = b.listenTcp(), .file = "R2.MIR"}});
  stop = [this] { return folder.exists("R1.MIR"); };
  const auto result = run(PassMode::Online);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(file("R1.MIR").size(), 2u);
  EXPECT_FALSE(folder.exists("R2.MIR"));
}

// A pass whose download does not complete leaves every file it wrote to as it was and the
// clock uncleared; the next pass then writes each punch once, in every file.
TEST_F(CollectionPassTest, AFailedDownloadIsTakenBackAndTheNextPassWritesEachPunchOnce) {
  enum class Fault { Stop, LinkDrops, BackupFails };
  struct Case {
    const char* what;
    Fault fault;
    PassMode mode;
  };
  const std::vector<Case> cases = {
      {"stop during the download", Fault::Stop, PassMode::Automatic},
      {"the link drops", Fault::LinkDrops, PassMode::Console},
      {"BACKUP.MIR cannot be written", Fault::BackupFails, PassMode::Online}};
  const std::vector<std::string> files = {"R1.MIR", "BACKUP.MIR", "ERRORES.TXT", "CONSOLE.MIR"};
  constexpr size_t kValid = 40;
  constexpr int kFailAt = 14;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clocksim::Simulator sim;
    sim.generatePunches(kValid, 21);
    const uint16_t port = serveWithAFlaggedPunch(sim, sim.punches(), files);

    bool stopped = false;
    if (c.fault == Fault::Stop) {
      // What a stop request (the button, SIGTERM) does during a pass.
      stop = [&stopped] { return stopped; };
      clocklink::setEventPump([&stopped] {
        if (!stopped && gMirsol->RegCount >= kFailAt) {
          stopped = true;
          gMirsol->SetCancel(1);
        }
      });
    }
    collect::testing::setStepHook([&](const char* step, int index) {
      if (c.fault == Fault::LinkDrops && std::string(step) == "fetched" && index == kFailAt)
        sim.stop();
      // The output and error files take their lines; the next file, BACKUP.MIR, finds the
      // disk full.
      if (c.fault == Fault::BackupFails && std::string(step) == "written" &&
          index == static_cast<int>(kValid + 1))
        basekit::testing::failAppendAfter(2, ENOSPC);
    });
    ClsLogger logger;
    logger.logEnabled = true;
    list.clear();
    const auto first = run(c.mode, &logger);
    collect::testing::setStepHook(nullptr);
    clocklink::setEventPump(nullptr);
    EXPECT_TRUE(first.errors);
    EXPECT_EQ(sim.clearCount(), 0u);
    EXPECT_EQ(sim.punches().size(), kValid + 1);
    for (const auto& name : files) {
      EXPECT_EQ(folder.read(name), "line of an earlier pass\r\n") << name;
    }
    const auto log = file(logger.getFileName());
    EXPECT_TRUE(contains(log, GetExtraMsg(ExtraMsg::WritesUndone)));
    EXPECT_FALSE(contains(log, ">Las registraciones han sido borradas"));

    stop = nullptr;
    gMirsol->SetCancel(0);
    if (c.fault == Fault::LinkDrops) {
      ASSERT_EQ(sim.listenTcp(port), port);
    }
    const auto second = run(c.mode);
    EXPECT_FALSE(second.errors);
    EXPECT_EQ(sim.clearCount(), 1u);
    EXPECT_TRUE(sim.punches().empty());
    const size_t console = c.mode == PassMode::Console ? kValid : 0;
    const std::vector<std::pair<std::string, size_t>> want = {{"R1.MIR", kValid},
                                                              {"BACKUP.MIR", kValid + 1},
                                                              {"ERRORES.TXT", kValid + 1},
                                                              {"CONSOLE.MIR", console}};
    for (const auto& [name, count] : want) {
      expectEachPunchOnce(name, count);
    }
    for (const auto& name : files) std::filesystem::remove(folder.file(name));
  }
}

// A good download whose clearing is refused before the clock was told to clear. While the
// clock still holds every punch written, the pass takes back what the download and its
// top-ups wrote; a clock that no longer holds them keeps the lines. Either way the next pass
// writes each punch once, in every file.
TEST_F(CollectionPassTest, ARefusedClearingTakesBackWhatTheClockStillHolds) {
  enum class Fault { CountMoving, TopUpWriteFails, TopUpStopped, Fewer, Others, Emptied };
  struct Case {
    const char* what;
    Fault fault;
    bool undone;        // pass 1 leaves every file as it was
    size_t valid, all;  // after pass 2: R1.MIR's lines, and BACKUP.MIR's
  };
  constexpr size_t kValid = 10;
  const std::vector<Case> cases = {
      {"a punch made during every download", Fault::CountMoving, true, kValid + 4, kValid + 5},
      {"the top-up cannot be written", Fault::TopUpWriteFails, true, kValid + 1, kValid + 2},
      {"a stop during the top-up", Fault::TopUpStopped, true, kValid + 1, kValid + 2},
      {"cleared elsewhere, fewer punches made since", Fault::Fewer, false, kValid + 3, kValid + 4},
      {"cleared elsewhere, more punches made since", Fault::Others, false, kValid + 12,
       kValid + 13},
      {"emptied before the top-up", Fault::Emptied, false, kValid, kValid + 1}};
  const std::vector<std::string> files = {"R1.MIR", "BACKUP.MIR", "ERRORES.TXT"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clocksim::Simulator sim;
    sim.generatePunches(kValid, 23);
    auto stored = sim.punches();
    auto made = [base = stored.front()](int i) {
      auto p = base;
      p.card = std::to_string(7000 + i);
      return p;
    };
    serveWithAFlaggedPunch(sim, stored, files);

    int madeCount = 0;
    bool downloaded = false, armed = false;
    clocklink::setEventPump([&] {
      if (armed && gMirsol->RegCount >= 3) {
        armed = false;
        gMirsol->SetCancel(1);  // what a stop request does during a pass
      }
    });
    collect::testing::setStepHook([&](const char* step, int index) {
      const std::string s = step;
      if (c.fault == Fault::CountMoving && s == "fetched" && index == 5)
        sim.addPunch(made(madeCount++));
      if (s == "synced" && !downloaded) {
        downloaded = true;
        if (c.fault == Fault::Fewer || c.fault == Fault::Others) {
          std::vector<clocksim::Punch> since;
          for (int i = 0; i < (c.fault == Fault::Fewer ? 3 : 12); ++i) since.push_back(made(i));
          sim.setPunches(since);
        } else if (c.fault != Fault::CountMoving) {
          sim.addPunch(made(0));
        }
      }
      if (s == "recounted" && index == 0) {
        if (c.fault == Fault::TopUpWriteFails) basekit::testing::failNextAppend(ENOSPC, 10);
        if (c.fault == Fault::TopUpStopped) armed = true;
        if (c.fault == Fault::Emptied) sim.setPunches({});
      }
    });
    ClsLogger logger;
    logger.logEnabled = true;
    list.clear();
    const auto first = run(PassMode::Automatic, &logger);
    collect::testing::setStepHook(nullptr);
    clocklink::setEventPump(nullptr);
    gMirsol->SetCancel(0);
    EXPECT_TRUE(first.errors);
    EXPECT_EQ(sim.clearCount(), 0u);
    const auto log = file(logger.getFileName());
    EXPECT_TRUE(contains(log, ">No se pudo borrar la información del Reloj"));
    EXPECT_EQ(contains(log, GetExtraMsg(ExtraMsg::WritesUndone)), c.undone);
    if (c.undone) {
      for (const auto& name : files)
        EXPECT_EQ(folder.read(name), "line of an earlier pass\r\n") << name;
    } else {
      EXPECT_EQ(file("R1.MIR").size(), 1 + kValid) << "what was written stays";
    }

    const auto second = run(PassMode::Automatic);
    EXPECT_FALSE(second.errors);
    EXPECT_TRUE(sim.punches().empty());
    for (const auto& [name, count] :
         std::vector<std::pair<std::string, size_t>>{{"R1.MIR", c.valid}, {"BACKUP.MIR", c.all}}) {
      expectEachPunchOnce(name, count);
    }
    const auto errors = file("ERRORES.TXT");
    EXPECT_EQ(std::set<std::string>(errors.begin(), errors.end()).size(), errors.size())
        << "ERRORES.TXT: a punch written twice";
    for (const auto& name : files) std::filesystem::remove(folder.file(name));
    std::filesystem::remove(folder.file(logger.getFileName()));
  }
}

// Dial-up clocks behind the simulated modem on COM5.
class DialTest : public CollectionPassTest {
 protected:
  void SetUp() override { ::setenv("VELTA_ASSUME_CTS", "1", 1); }
  void TearDown() override {
    ::unsetenv("VELTA_ASSUME_CTS");
    CollectionPassTest::TearDown();
  }
  void startModem(apptest::ModemClockSim& m, const std::string& ini = "") {
    folder.write("MODEMS.INI", "[Sim]\nCom=5\nInit=&FE0V1\n");
    ::setenv("VELTA_MODEMS", folder.file("MODEMS.INI").c_str(), 1);
    variables.push_back("VELTA_MODEMS");
    start({ClockSpec{.interface = 0, .comPort = "COM5", .phone = "5551234", .file = "R1.MIR"}},
          "MODEMDRIVER=Sim\r\n" + ini);
    edit(1, serialOnly);
    (void)m;
  }
  int16_t dial() {
    const ClsListaRelojes& c = *gListaRelojes;
    gListaRelojes->GetCurData(1);
    (void)gMirsol->SetTimeRecorder(c.M_Numero, c.m_Modelo, c.m_Puerto, c.m_Velocidad, c.m_Telefono,
                                   c.M_Comunicacion, c.m_IP, c.m_TipoInterface, c.m_PortLocal,
                                   c.m_PortRemoto, gCfgFile->TimeOutModem);
    gModem->SetModem(5, "9600", "5551234");
    std::optional<RunContext> ctx = collect::programContext(apptest::objects());
    collect::PassSeams seams;
    seams.list = &list;
    seams.stopRequested = [this] { return stop && stop(); };
    seams.retryWaitSeconds = 0.3;
    auto r = collect::DialClock(*ctx, seams);
    if (getenv("DUMP"))
      for (auto& t : list.texts()) fprintf(stderr, "L: %s\n", t.c_str());
    return statusCode(r);
  }
};

TEST_F(DialTest, FourFailuresGiveTheirLineAndHangUp) {
  struct Case {
    clocksim::DialOutcome outcome;
    std::string lastLine;
    int timeout;  // TIMEOUTMODEM: a silent modem is waited for that long
  };
  const Case cases[] = {
      {clocksim::DialOutcome::Busy, "La línea se encuentra ocupada", 10},
      {clocksim::DialOutcome::NoCarrier, "NO CARRIER", 10},
      {clocksim::DialOutcome::Silence, "No se ha establecido la comunicación", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lastLine);
    apptest::resetProgramObjects();
    list.clear();
    apptest::ModemClockSim modem(5, {}, {.script = {c.outcome}});
    startModem(modem, "TIMEOUTMODEM=" + std::to_string(c.timeout) + "\r\n");
    EXPECT_EQ(dial(), -200);
    EXPECT_EQ(modem.modem().dialledNumbers().size(), 4u);
    EXPECT_EQ(list.text(list.count()), c.lastLine);
    EXPECT_EQ(list.style(list.count()), kRedLine);
    EXPECT_FALSE(gModem->cortarModem());
    // The port was let go: the next set-up finds it free.
    EXPECT_EQ(gModem->InitModem(*gDataFolder, "Sim"), clocklink::kSuccess);
    gModem->Colgar();
  }
}

TEST_F(DialTest, NoCarrierThenConnectDownloadsOverTheLineAndHangsUpOnce) {
  apptest::ModemClockSim modem(
      5, {}, {.script = {clocksim::DialOutcome::NoCarrier, clocksim::DialOutcome::Connect}});
  modem.sim().generatePunches(6, 3);
  startModem(modem);
  const auto result = run(PassMode::Online);
  EXPECT_FALSE(result.errors);
  EXPECT_EQ(file("R1.MIR").size(), 6u);
  EXPECT_EQ(modem.modem().dialledNumbers().size(), 2u);
  EXPECT_EQ(modem.modem().hangUps(), 1u);
  EXPECT_FALSE(gModem->cortarModem());
  bool retryLine = false, connected = false;
  for (const auto& l : list.texts()) {
    retryLine |=
        l.rfind("Reintento en: ", 0) == 0 && l.find("\rStatus: NO CARRIER") != std::string::npos;
    connected |= l.rfind("Comunicación establecida a", 0) == 0;
  }
  EXPECT_TRUE(retryLine);
  EXPECT_TRUE(connected);
  EXPECT_EQ(list.text(list.count()), ">Colgando...");
}

TEST_F(DialTest, AStopInTheRetryWaitEndsTheDialAndTheLineGoesDown) {
  apptest::ModemClockSim modem(5, {}, {.script = {clocksim::DialOutcome::Busy}});
  startModem(modem);
  bool seen = false;  // the stop flag stays set once the countdown showed
  stop = [&] {
    seen = seen || (list.count() > 0 && list.text(list.count()).rfind("Reintento", 0) == 0);
    return seen;
  };
  const auto result = run(PassMode::Online);
  EXPECT_TRUE(result.errors);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(modem.modem().dialledNumbers().size(), 1u);
  EXPECT_FALSE(gModem->cortarModem());
  EXPECT_FALSE(modem.modem().online());
  EXPECT_FALSE(folder.exists("R1.MIR"));
}
