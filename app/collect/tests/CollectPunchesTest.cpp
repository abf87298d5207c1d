// The download routine against the clock simulator over TCP: what reaches each file, the
// progress lines, the failure paths, the converter binding and the clearing that only ever
// clears what was written.
#include "collect/CollectPunches.h"

#include "FComm.h"
#include "collect/RunContext.h"
#include "collect/testing/Hooks.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/MessagesExtra.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/PlantedLink.h"

#include <basekit/plainfile.h>
#include <basekit/testing/Hooks.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/EventPump.h>
#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const LineStyle kStart{true, kBlue};

basic::DateTime now() { return basic::Now(); }

// A punch of this month (the host's year rule then gives this year).
clocksim::Punch punch(const std::string& card, int day, int hour, int minute, int reader = 1) {
  clocksim::Punch p;
  p.year = now().year;
  p.month = now().month;
  p.day = day;
  p.hour = hour;
  p.minute = minute;
  p.reader = reader;
  p.card = card;
  return p;
}

// The date as the default pattern writes it.
std::string date(int day) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d/%02d/%04d", day, now().month, now().year);
  return b;
}

using apptest::linesOf;

struct ScriptedConverter : Converter {
  int32_t code = 1;
  std::vector<std::pair<std::string, std::string>> calls;
  bool convert(const std::string& in, const std::string& out, int32_t& result,
               std::string&) override {
    calls.emplace_back(in, out);
    result = code;
    return true;
  }
};

// A clock as scripted codes: what the link never gives (a negative count, a clearing that
// cannot open its port).
struct ScriptedClock : collect::ClockOps {
  clocklink::CollectionStatus opening = clocklink::kSuccess;
  int32_t count = 0;
  clocklink::CollectionStatus clearCode = clocklink::kSuccess;
  std::vector<int> ops;
  clocklink::CollectionStatus recordProcess(int16_t op, int16_t, int32_t& n) override {
    ops.push_back(op);
    n = op == 1 ? count : 0;
    return op == 1 ? opening : op == 4 ? clearCode : clocklink::kFailure;
  }
  std::string recordGet(int32_t) override { return {}; }
  int32_t regCount() const override { return 0; }
  int32_t regCountErr() const override { return 0; }
  int32_t fetchedSteps() const override { return 0; }
  std::string statusGet() override { return {}; }
};

class CollectPunchesTest : public ::testing::Test {
 protected:
  void SetUp() override { start(0); }
  void TearDown() override {
    collect::testing::setStepHook(nullptr);
    clocklink::setEventPump(nullptr);
    ops.reset();
    apptest::objects().release();  // the clock object goes before its simulator
    mirsol = nullptr;
    sim.reset();
  }
  // The simulator of `model` on TCP, the clock object configured for it.
  void start(int model, bool pty = false) {
    ops.reset();
    mirsol = &apptest::objects().createMirsol();  // a fresh one: the old goes before its peer
    clocksim::Options options;
    options.model = model;
    sim = std::make_unique<clocksim::Simulator>(options);
    if (!cfg) cfg = &apptest::objects().createSettings();
    mirsol->SetTimeOut(3);
    if (pty) {
      ::setenv("VELTA_COM57", sim->openPty().c_str(), 1);
      ASSERT_EQ(mirsol->SetTimeRecorder("1", static_cast<int16_t>(model), "COM57", "9600", "", 1,
                                        "", 0, 0, 0, 0),
                clocklink::kSuccess);
    } else {
      ASSERT_EQ(mirsol->SetTimeRecorder("1", static_cast<int16_t>(model), "COM1", "9600", "", 1,
                                        "127.0.0.1", 2, 0, sim->listenTcp(), 5),
                clocklink::kSuccess);
    }
    ops = std::make_unique<collect::MirsolClockOps>(*mirsol);
    modelo = static_cast<int16_t>(model);
  }
  collect::CollectContext context(collect::ClockOps& clock, Converter& c) {
    return collect::CollectContext{clock, *cfg, tipo, modelo, folder.path(), c};
  }
  int16_t collect(int16_t dropDup = 0, int16_t console = 0, const std::string& dir = "",
                  const std::string& name = "REGIS.MIR") {
    auto ctx = context(*ops, converter);
    last = collect::collectPunches(ctx, list, dir.empty() ? folder.path() : dir, name, dropDup, 0,
                                   console, onFailure);
    return statusCode(last.status);
  }
  // Clears after the last download.
  int16_t clear(int32_t downloaded) {
    auto ctx = context(*ops, converter);
    return statusCode(collect::clearAfterDownload(ctx, list, last, downloaded));
  }
  std::vector<std::string> fileLines(const std::string& name) { return linesOf(folder.read(name)); }
  void card(double number, const std::string& name, const std::string& legajo) {
    CardRecord r;
    r.version = ClsTarjetas::kVersion;
    r.card = number;
    r.name = name;
    r.Legajo = legajo;
    folder.write("VELTA.TAR", ClsTarjetas::encodeRecord(r));
  }

  apptest::TempDataFolder folder;
  std::unique_ptr<clocksim::Simulator> sim;
  clocklink::ClsMirsol* mirsol = nullptr;  // the program's clock object
  std::unique_ptr<collect::MirsolClockOps> ops;
  ScriptedConverter converter;
  VectorProgressList list;
  collect::Download last;                                          // what collect() gave
  collect::OnFailure onFailure = collect::OnFailure::KeepWritten;  // what collect() asks for
  ClsCfgFile* cfg = nullptr;
  int16_t tipo = 1;
  int16_t modelo = 0;
};

TEST_F(CollectPunchesTest, WritesEveryPunchInWindows1252AndReportsEachStep) {
  card(1234, "PEÑA", "77");
  sim->setPunches({punch("1234", 1, 8, 5), punch("5678", 2, 17, 30, 2)});
  ASSERT_EQ(collect(), -100);
  EXPECT_EQ(folder.read("REGIS.MIR"), "01234 " + date(1) +
                                          " 08:05 01 01 PE\xD1"
                                          "A\r\n05678 " +
                                          date(2) + " 17:30 01 02\r\n");
  const std::vector<VectorProgressList::Line> expected = {{">Lectura de Registraciones", kStart},
                                                          {"    Total: 00002", {}},
                                                          {"    Leídas: 00002", {}},
                                                          {"    Erróneas: 00000", {}},
                                                          {">Grabación: 00002/00002", {}},
                                                          {"Proceso finalizado", kBlueLine}};
  ASSERT_EQ(list.count(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(list.lines()[i].text, expected[i].text) << i;
    EXPECT_EQ(list.lines()[i].style, expected[i].style) << i;
  }
  EXPECT_TRUE(folder.exists("OK.TMP"));
  EXPECT_FALSE(folder.exists("ERRORES.TXT"));
  EXPECT_FALSE(folder.exists("BACKUP.MIR"));
  EXPECT_EQ(sim->clearCount(), 0u) << "collecting never clears";
}

TEST_F(CollectPunchesTest, AnEmptyClockWritesNothing) {
  ASSERT_EQ(collect(), -100);
  EXPECT_EQ(list.texts(),
            (std::vector<std::string>{">Lectura de Registraciones", "Reloj sin registraciones"}));
  EXPECT_EQ(list.style(2), kRedLine);
  EXPECT_FALSE(folder.exists("REGIS.MIR"));
  EXPECT_FALSE(folder.exists("OK.TMP"));
}

TEST_F(CollectPunchesTest, OpeningCodesGiveTheirLineAndEndTheDownload) {
  using namespace clocklink;
  struct Case {
    CollectionStatus opening;
    int32_t count;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {kSuccess, -5, {"    Total: -00005", "    Leídas: 00000", "    Erróneas: 00000"}},
      {kCancelled, 0, {"No se pudieron bajar los datos del reloj"}},
      {kFailure, 0, {"No se pudieron bajar los datos del reloj"}},
      {kPortNotOpen, 0, {"No se pudo abrir el puerto de comunicaciones"}},
      {kPortInUse, 0, {"El puerto está siendo utilizado por otro dispositivo"}},
      {kModemNoCarrier, 0, {"La comunicación con el modem no se ha establecido"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.opening << " " << c.count);
    ScriptedClock clock;
    clock.opening = c.opening;
    clock.count = c.count;
    VectorProgressList l;
    auto ctx = context(clock, converter);
    EXPECT_EQ(collect::collectPunches(ctx, l, folder.path(), "REGIS.MIR", 0, 0, 0).status,
              kFailure);
    std::vector<std::string> want = {">Lectura de Registraciones"};
    want.insert(want.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(l.texts(), want);
    if (c.opening != kSuccess) {
      EXPECT_EQ(l.style(2), kRedLine);
    }
    // The download is always ended: a manual read's caller never closes the port.
    EXPECT_EQ(clock.ops, (std::vector<int>{1, 3}));
    EXPECT_FALSE(folder.exists("REGIS.MIR"));
  }
}

TEST_F(CollectPunchesTest, ACancelWritesWhatWasReceivedAndFails) {
  sim->generatePunches(8, 3);
  clocklink::setEventPump([this] {
    if (mirsol->RegCount >= 3) mirsol->SetCancel(1);
  });
  ASSERT_EQ(collect(), -200);
  EXPECT_EQ(fileLines("REGIS.MIR").size(), 3u);
  const auto t = list.texts();
  EXPECT_NE(std::find(t.begin(), t.end(), "No se pudieron bajar los datos del reloj"), t.end());
  EXPECT_EQ(t.back(), "Proceso finalizado");
  EXPECT_FALSE(folder.exists("OK.TMP"));
  EXPECT_EQ(sim->punches().size(), 8u);
}

TEST_F(CollectPunchesTest, OnlyConsecutiveRepeatsAreDropped) {
  const auto a = punch("1111", 3, 9, 0), b = punch("2222", 3, 9, 1);
  sim->setPunches({a, a, b, a});
  ASSERT_EQ(collect(/*dropDup=*/1), -100);
  const auto lines = fileLines("REGIS.MIR");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 5), "01111");
  EXPECT_EQ(lines[1].substr(0, 5), "02222");
  EXPECT_EQ(lines[2].substr(0, 5), "01111");
  EXPECT_EQ(list.text(5), ">Grabación: 00003/00004");
}

TEST_F(CollectPunchesTest, AFlaggedRecordGoesToTheErrorFileWithEveryOtherLine) {
  cfg->Backup = 1;
  auto bad = punch("3333", 4, 10, 0);
  bad.month = 13;  // later than any month: the year rule takes the previous year
  sim->setPunches({punch("1234", 4, 9, 0), bad});
  ASSERT_EQ(collect(0, /*console=*/-1), -100);
  const std::string good = "01234 " + date(4) + " 09:00 01 01";
  EXPECT_EQ(fileLines("REGIS.MIR"), std::vector<std::string>{good});
  const std::string flagged =
      "03333 " + std::to_string(now().year - 1) + "/13/04 10:00 01 01 ** Se ha producido un error";
  EXPECT_EQ(fileLines("ERRORES.TXT"), (std::vector<std::string>{good, flagged}));
  EXPECT_EQ(fileLines("BACKUP.MIR"), (std::vector<std::string>{good, flagged}));
  EXPECT_EQ(fileLines("CONSOLE.MIR"), std::vector<std::string>{good});
  EXPECT_EQ(list.text(5), "SE HAN BAJADO REGISTRACIONES CON ERROR");
  EXPECT_EQ(list.style(5), kRedLine);
}

TEST_F(CollectPunchesTest, CompaniesRouteByCardAndStraysGoToTheErrorFile) {
  cfg->MultiEmpresa = 1;
  std::filesystem::create_directory(folder.file("empa"));
  CompanyRecord a;
  a.version = ClsListaEmpresas::kVersion;
  a.inUse = 1;
  a.desde = 1000;
  a.hasta = 1999;
  a.name = "A";
  a.archivo = "EMPA.MIR";
  a.carpeta = folder.file("empa") + "/";
  folder.write("EMPR.DAT", ClsListaEmpresas::encodeRecord(a));
  // 5000 is in no range; "12A4" is no number at all (a flagged record whose card is lost).
  cfg->Convertir = 1;
  sim->setPunches({punch("1500", 5, 8, 0), punch("5000", 5, 8, 1), punch("12A4", 5, 8, 2)});
  ASSERT_EQ(collect(), -100);
  // Every file the call wrote is converted once, in the order of first use.
  EXPECT_EQ(converter.calls, (std::vector<std::pair<std::string, std::string>>{
                                 {folder.file("empa/EMPA.MIR"), folder.file("empa/CVT_EMPA.MIR")},
                                 {folder.file("REGIS.MIR"), folder.file("CVT_REGIS.MIR")}}));
  EXPECT_EQ(linesOf(folder.read("empa/EMPA.MIR")),
            std::vector<std::string>{"01500 " + date(5) + " 08:00 01 01"});
  const auto errors = fileLines("ERRORES.TXT");
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "05000 " + std::to_string(now().year) + "/" +
                           basic::Format(now().month, "00") + "/05 08:01 01 01** SIN EMPRESA **");
  EXPECT_NE(errors[1].find("** SIN EMPRESA **"), std::string::npos);
  const auto t = list.texts();
  EXPECT_NE(std::find(t.begin(), t.end(), "Existen REGISTROS SIN EMPRESA"), t.end());
  EXPECT_FALSE(folder.exists("OK.TMP")) << "no marker in multi-company mode";
}

TEST_F(CollectPunchesTest, CompaniesWithoutTheirFileWriteNothing) {
  cfg->MultiEmpresa = 1;
  sim->setPunches({punch("1500", 5, 8, 0)});
  ASSERT_EQ(collect(), -200);
  EXPECT_EQ(list.text(list.count()), "NO EXISTEN EMPRESAS DEFINIDAS");
  EXPECT_FALSE(folder.exists("REGIS.MIR"));
  EXPECT_EQ(sim->punches().size(), 1u);

  // A company file that is there but cannot be read says so: it is no missing one.
  std::filesystem::create_directory(folder.file("EMPR.DAT"));
  list.clear();
  ASSERT_EQ(collect(), -200);
  EXPECT_EQ(list.text(list.count()),
            "ERROR AL ABRIR EL ARCHIVO: " + folder.file("EMPR.DAT") + ": " + systemReason(EISDIR));
  EXPECT_EQ(list.style(list.count()), kRedLine);
  EXPECT_FALSE(folder.exists("REGIS.MIR"));
  EXPECT_EQ(sim->punches().size(), 1u);
}

TEST_F(CollectPunchesTest, CardLookUpOpenClockAndUnknownCard) {
  start(2);
  tipo = 2;
  cfg->ModoLegajo = 1;
  card(0x1F, "ANA", "L7");
  sim->setPunches({punch("0", 6, 7, 0), punch("31", 6, 7, 1), punch("32", 6, 7, 2)});
  ASSERT_EQ(collect(), -100);
  const auto lines = fileLines("REGIS.MIR");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("RELOJ ABIERTO!!!!!!!!!!"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "L7 " + date(6) + " 07:01 01 01  001F ANA");
  EXPECT_EQ(lines[2], "XXXXXXXXXX " + date(6) + " 07:02 01 01  0020");
}

// A card table that is there but cannot be read fails the download before anything is
// written, and the clock keeps its punches; only a missing one leaves the lines without their
// holder (legajo "XXXXXXXXXX").
TEST_F(CollectPunchesTest, ACardTableThatCannotBeReadFailsTheDownload) {
  cfg->ModoLegajo = 1;
  const std::string path = folder.file("VELTA.TAR");
  const std::string cannotOpen = "ERROR AL ABRIR EL ARCHIVO: " + path + ": ";
  struct Case {
    const char* what;
    std::function<void()> plant;
    std::string line;  // the red line; empty: the download succeeds
  };
  std::unique_ptr<apptest::PlantedLink> link;
  const std::vector<Case> cases = {
      {"missing", [] {}, ""},
      {"a folder", [&] { std::filesystem::create_directory(path); },
       cannotOpen + systemReason(EISDIR)},
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
       cannotOpen +
           fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, path))},
      {"a symbolic link", [&] { link = std::make_unique<apptest::PlantedLink>(path); },
       cannotOpen + systemReason(ELOOP)},
      {"larger than a card table can be",
       [&] {
         folder.write("VELTA.TAR", "");
         std::filesystem::resize_file(path, ClsTarjetas::kMaxFileBytes + 1);
       },
       cannotOpen + systemReason(EFBIG)},
      {"of another form",
       [&] { folder.write("VELTA.TAR", std::string("\x09\x00", 2) + std::string(100, ' ')); },
       GetExtraMsg(ExtraMsg::UnknownForm, {path, "9"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list.clear();
    link.reset();
    std::filesystem::remove_all(path);
    std::filesystem::remove(folder.file("REGIS.MIR"));
    std::filesystem::remove(folder.file("OK.TMP"));
    c.plant();
    sim->setPunches({punch("1234", 6, 7, 0)});
    if (c.line.empty()) {
      ASSERT_EQ(collect(), -100);
      const auto lines = fileLines("REGIS.MIR");
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_EQ(lines[0].rfind("XXXXXXXXXX " + date(6) + " 07:00 01 01", 0), 0u) << lines[0];
      continue;
    }
    ASSERT_EQ(collect(), -200);
    EXPECT_EQ(list.text(list.count()), c.line);
    EXPECT_EQ(list.style(list.count()), kRedLine);
    EXPECT_FALSE(folder.exists("REGIS.MIR"));
    EXPECT_FALSE(folder.exists("OK.TMP"));
    EXPECT_EQ(clear(1), -200);
    EXPECT_EQ(sim->clearCount(), 0u);
    EXPECT_EQ(sim->punches().size(), 1u);
    if (link) {
      EXPECT_TRUE(link->unchanged());
    }
  }
}

TEST_F(CollectPunchesTest, ATornLastLineIsEndedBeforeTheFirstNewOne) {
  folder.write("REGIS.MIR", "hand edited");
  sim->setPunches({punch("1234", 1, 8, 5)});
  ASSERT_EQ(collect(), -100);
  EXPECT_EQ(fileLines("REGIS.MIR"),
            (std::vector<std::string>{"hand edited", "01234 " + date(1) + " 08:05 01 01"}));
}

TEST_F(CollectPunchesTest, AWriteThatFailsNamesThePathAndClearsNothing) {
  struct Case {
    std::string dir, name;
    int err;
    bool diskFull;  // the write fails part-way, as on a full disk
  };
  const std::vector<Case> cases = {
      {folder.file("missing/"), "REGIS.MIR", ENOENT, false},
      {folder.file(""), "FULL.MIR", ENOSPC, true},
  };
  for (const Case& c : cases) {
    list.clear();
    if (c.diskFull) basekit::testing::failNextAppend(ENOSPC, 10);
    sim->setPunches({punch("1234", 1, 8, 5)});
    ASSERT_EQ(collect(0, 0, c.dir, c.name), -200) << c.dir;
    const std::string last = list.text(list.count());
    EXPECT_EQ(last, c.dir + c.name + ": " + systemReason(c.err));
    if (c.diskFull) {
      EXPECT_EQ(folder.read(c.name), "") << "a line cut short is cut back";
    }
    EXPECT_EQ(list.style(list.count()), kRedLine);
    EXPECT_FALSE(folder.exists("OK.TMP"));
    EXPECT_EQ(clear(1), -200) << "a failed download is never cleared";
    EXPECT_EQ(sim->clearCount(), 0u);
    EXPECT_EQ(sim->punches().size(), 1u);
  }
}

TEST_F(CollectPunchesTest, AnyPunchFileThatIsALinkGetsNoPunchAndTheClockKeepsThem) {
  // Backup, console and a flagged record: all four files are opened for the one download.
  cfg->Backup = 1;
  auto bad = punch("3333", 4, 10, 0);
  bad.month = 13;
  for (const char* name : {"REGIS.MIR", "BACKUP.MIR", "ERRORES.TXT", "CONSOLE.MIR"}) {
    for (const auto target : apptest::PlantedLink::kKinds) {
      SCOPED_TRACE(std::string(name) + ", " + apptest::PlantedLink::kindName(target));
      list.clear();
      for (const char* other : {"REGIS.MIR", "BACKUP.MIR", "ERRORES.TXT", "CONSOLE.MIR"})
        std::filesystem::remove(folder.file(other));
      apptest::PlantedLink link(folder.file(name), target);
      sim->setPunches({punch("1234", 4, 9, 0), bad});
      ASSERT_EQ(collect(0, /*console=*/-1), -200);
      EXPECT_TRUE(link.unchanged());
      EXPECT_EQ(
          list.text(list.count()),
          folder.file(name) + ": " +
              (target == apptest::PlantedLink::Target::SecondName
                   ? fileReason(basekit::FileError::refusal(basekit::FileFault::SecondName, {}))
                   : systemReason(ELOOP)));
      EXPECT_EQ(list.style(list.count()), kRedLine);
      for (const char* other : {"REGIS.MIR", "BACKUP.MIR", "ERRORES.TXT", "CONSOLE.MIR"})
        if (std::string(other) != name) {
          EXPECT_EQ(folder.read(other), "") << other;
        }
      EXPECT_FALSE(folder.exists("OK.TMP"));
      EXPECT_EQ(clear(2), -200);
      EXPECT_EQ(sim->clearCount(), 0u);
      EXPECT_EQ(sim->punches().size(), 2u);
    }
  }
}

// A FIFO under any of the four files, with a reader behind it: the reader gets no byte of the
// pass, the refusal is said in the operator's language, and the clock keeps its punches.
TEST_F(CollectPunchesTest, APunchFileThatIsAFifoWithAReaderGetsNoByte) {
  cfg->Backup = 1;
  auto bad = punch("3333", 4, 10, 0);
  bad.month = 13;
  for (const char* name : {"REGIS.MIR", "BACKUP.MIR", "ERRORES.TXT", "CONSOLE.MIR"}) {
    SCOPED_TRACE(name);
    list.clear();
    for (const char* other : {"REGIS.MIR", "BACKUP.MIR", "ERRORES.TXT", "CONSOLE.MIR"})
      std::filesystem::remove(folder.file(other));
    ASSERT_EQ(::mkfifo(folder.file(name).c_str(), 0600), 0);
    const int reader = ::open(folder.file(name).c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    sim->setPunches({punch("1234", 4, 9, 0), bad});
    ASSERT_EQ(collect(0, /*console=*/-1), -200);
    char buf[64];
    EXPECT_LE(::read(reader, buf, sizeof buf), 0) << "nothing reached the reader";
    ::close(reader);
    EXPECT_EQ(list.text(list.count()),
              folder.file(name) + ": " +
                  fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, {})));
    EXPECT_EQ(clear(2), -200);
    EXPECT_EQ(sim->clearCount(), 0u);
    EXPECT_EQ(sim->punches().size(), 2u);
    std::filesystem::remove(folder.file(name));
  }
}

TEST_F(CollectPunchesTest, ConverterResultsBecomeTheirLine) {
  cfg->Convertir = 1;
  const std::vector<std::pair<int32_t, std::string>> cases = {{1, "Proceso finalizado"},
                                                              {0, "EXISTEN REGISTROS CON ERROR"},
                                                              {-1, "ERROR AL ABRIR EL ARCHIVO"},
                                                              {-2, "ERROR EN FORMATO DE ARCHIVO"},
                                                              {-3, "ERROR CRITICO"},
                                                              {-4, "ERROR AL PROCESAR"},
                                                              {7, "ERROR CRITICO"}};
  for (const auto& [code, text] : cases) {
    list.clear();
    converter.calls.clear();
    converter.code = code;
    sim->setPunches({punch("1234", 1, 8, 5)});
    ASSERT_EQ(collect(), -100) << code << ": the converter never changes the result";
    ASSERT_EQ(converter.calls.size(), 1u);
    EXPECT_EQ(converter.calls[0].first, folder.file("REGIS.MIR"));
    EXPECT_EQ(converter.calls[0].second, folder.file("CVT_REGIS.MIR"));
    const auto t = list.texts();
    ASSERT_GE(t.size(), 3u);
    EXPECT_EQ(t[t.size() - 3], "CONVIRTIENDO...");
    EXPECT_EQ(t[t.size() - 2], text) << code;
  }
}

TEST_F(CollectPunchesTest, TheRealAddInAndTheOnesThatCannotBeCalled) {
  cfg->Convertir = 1;
  struct Case {
    std::string library, brivano, line;
  };
  const std::vector<Case> cases = {
      {collect::ConverterLink::kLibrary, "01234 CLI001\n", "Proceso finalizado"},
      {collect::ConverterLink::kLibrary, "09999 CLI001\n", "EXISTEN REGISTROS CON ERROR"},
      {collect::ConverterLink::kLibrary, "", "ERROR AL ABRIR EL ARCHIVO"},
      {"libvelta-no-such-addin.so", "",
       "ERROR CRITICO: No se pudo usar el complemento conversor libvelta-no-such-addin.so: no se "
       "encontró el archivo"},
      {"libc.so.6", "", "ERROR CRITICO: "},
  };
  for (const Case& c : cases) {
    list.clear();
    std::filesystem::remove(folder.file("BRIVANO.TXT"));
    if (!c.brivano.empty()) folder.write("BRIVANO.TXT", c.brivano);
    sim->setPunches({punch("1234", 1, 8, 5)});
    collect::ConverterLink link(c.library);
    auto ctx = context(*ops, link);
    ASSERT_EQ(collect::collectPunches(ctx, list, folder.path(), "REGIS.MIR", 0, 0, 0).status,
              clocklink::kSuccess)
        << c.library;
    const std::string got = list.text(list.count() - 1);
    EXPECT_EQ(got.substr(0, c.line.size()), c.line) << c.library;
  }
  EXPECT_NE(list.text(list.count() - 1).find("QCvt"), std::string::npos)
      << "a library without the export says so";
}

TEST_F(CollectPunchesTest, TheProgramWideRoutineUsesTheProgramObjects) {
  cfg->Convertir = 1;
  collect::testing::setConverterLibrary("libvelta-no-such-addin.so");
  apptest::objects().createClockList();
  gListaRelojes->m_TipoNumero = 1;
  sim->setPunches({punch("1234", 1, 8, 5)});
  apptest::objects().createModem();
  std::optional<RunContext> run = collect::programContext(apptest::objects());
  ASSERT_TRUE(run);
  collect::CollectContext ctx = collect::downloadContext(*run, *ops);
  const int16_t r =
      statusCode(collect::collectPunches(ctx, list, folder.path(), " REGIS.MIR ", 0, 0, 0).status);
  ASSERT_EQ(r, -100);
  EXPECT_EQ(fileLines("REGIS.MIR").size(), 1u);
  EXPECT_EQ(list.text(list.count() - 1),
            "ERROR CRITICO: No se pudo usar el complemento conversor libvelta-no-such-addin.so: no "
            "se encontró el archivo");
}

TEST_F(CollectPunchesTest, TheClockIsClearedOnlyAfterEveryLineIsSynced) {
  sim->generatePunches(20, 4);
  bool syncedBeforeClear = false;
  collect::testing::setStepHook([&](const char* step, int) {
    if (std::string(step) == "synced")
      syncedBeforeClear = sim->clearCount() == 0 && fileLines("REGIS.MIR").size() == 20;
  });
  ASSERT_EQ(collect(), -100);
  ASSERT_EQ(clear(20), -100);
  EXPECT_TRUE(syncedBeforeClear);
  EXPECT_EQ(sim->clearCount(), 1u);
  EXPECT_TRUE(sim->punches().empty());
  EXPECT_EQ(list.text(list.count()), ">Las registraciones han sido borradas");
  EXPECT_EQ(clear(20), -200) << "one clearing per download";
}

TEST_F(CollectPunchesTest, APunchMadeDuringTheDownloadIsToppedUpThenCleared) {
  sim->generatePunches(10, 5);
  const auto extra = punch("4242", 1, 0, 0);
  bool added = false;
  collect::testing::setStepHook([&](const char* step, int index) {
    if (std::string(step) == "fetched" && index == 5 && !added) {
      sim->addPunch(extra);
      added = true;
    }
  });
  ASSERT_EQ(collect(), -100);
  EXPECT_EQ(fileLines("REGIS.MIR").size(), 10u);
  ASSERT_EQ(clear(10), -100);
  const auto lines = fileLines("REGIS.MIR");
  ASSERT_EQ(lines.size(), 11u) << "the new punch written once, nothing repeated";
  EXPECT_EQ(lines.back().substr(0, 5), "04242");
  EXPECT_EQ(sim->clearCount(), 1u);
  EXPECT_TRUE(sim->punches().empty());
}

// With shipping on the file has gone to the host before the clearing: a punch made after
// the download is not added to it (the host would never see it) but left on the clock.
TEST_F(CollectPunchesTest, WithShippingOnAPunchMadeAfterTheDownloadStaysOnTheClock) {
  onFailure = collect::OnFailure::CutBack;  // as a pass asks: what was shipped stays written
  for (const size_t stored : {size_t{10}, size_t{0}}) {
    SCOPED_TRACE(stored);
    sim->setPunches({});
    sim->generatePunches(stored, 9);
    const std::string name = "S" + std::to_string(stored) + ".MIR";
    ASSERT_EQ(collect(0, 0, "", name), -100);
    sim->addPunch(punch("4242", 1, 0, 0));
    auto ctx = context(*ops, converter);
    ASSERT_EQ(collect::clearAfterDownload(ctx, list, last, static_cast<int32_t>(stored), true),
              clocklink::kFailure);
    EXPECT_EQ(list.text(list.count()), ">No se pudo borrar la información del Reloj");
    EXPECT_EQ(fileLines(name).size(), stored) << "nothing topped up";
    EXPECT_EQ(sim->punches().size(), stored + 1);
    EXPECT_EQ(sim->clearCount(), 0u);
  }
}

// The clock keeps every punch written: the pass takes the lines back, so that the next one
// writes each punch once.
TEST_F(CollectPunchesTest, ACountStillMovingAfterThreeRoundsClearsNothing) {
  onFailure = collect::OnFailure::CutBack;  // as a pass asks
  sim->generatePunches(10, 6);
  int made = 0;
  collect::testing::setStepHook([&](const char* step, int index) {
    if (std::string(step) == "fetched" && index == 5)
      sim->addPunch(punch(std::to_string(7000 + made++), 1, 0, 0));
  });
  ASSERT_EQ(collect(), -100);
  ASSERT_EQ(clear(10), -200);
  EXPECT_EQ(made, 4) << "the download and three top-ups";
  EXPECT_EQ(list.text(list.count() - 1), ">No se pudo borrar la información del Reloj");
  EXPECT_EQ(list.text(list.count()), GetExtraMsg(ExtraMsg::WritesUndone));
  EXPECT_EQ(sim->clearCount(), 0u);
  EXPECT_EQ(sim->punches().size(), 14u);
  EXPECT_EQ(folder.read("REGIS.MIR"), "") << "the download's and the top-ups' lines taken back";
  // The next pass writes each punch once and clears them.
  collect::testing::setStepHook(nullptr);
  ASSERT_EQ(collect(), -100);
  ASSERT_EQ(clear(14), -100);
  const auto lines = fileLines("REGIS.MIR");
  EXPECT_EQ(lines.size(), 14u);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 14u);
  EXPECT_TRUE(sim->punches().empty());
}

// The lines written may be the only copy left: they stay.
TEST_F(CollectPunchesTest, AClockThatNoLongerHoldsWhatWasWrittenIsNotCleared) {
  onFailure = collect::OnFailure::CutBack;  // as a pass asks
  sim->generatePunches(6, 7);
  ASSERT_EQ(collect(), -100);
  auto changed = sim->punches();
  changed[0].minute = (changed[0].minute + 1) % 60;
  changed.push_back(punch("4242", 1, 0, 0));
  sim->setPunches(changed);
  EXPECT_EQ(clear(6), -200);
  EXPECT_EQ(sim->clearCount(), 0u);
  EXPECT_EQ(fileLines("REGIS.MIR").size(), 6u);
}

TEST_F(CollectPunchesTest, OverAPseudoTerminalToo) {
  start(0, /*pty=*/true);
  sim->generatePunches(30, 9);
  ASSERT_EQ(collect(), -100);
  EXPECT_EQ(fileLines("REGIS.MIR").size(), 30u);
  ASSERT_EQ(clear(30), -100);
  EXPECT_TRUE(sim->punches().empty());
  mirsol->fcommclosePort();
}

TEST_F(CollectPunchesTest, ACancelledDownloadLeavesThePortClosed) {
  start(0, /*pty=*/true);
  sim->generatePunches(8, 10);
  clocklink::setEventPump([this] {
    if (mirsol->RegCount >= 2) mirsol->SetCancel(1);
  });
  ASSERT_EQ(collect(), -200);
  EXPECT_EQ(fileLines("REGIS.MIR").size(), 2u);
  EXPECT_FALSE(clocklink::FComm::instance().xComm.isOpen());
}

TEST_F(CollectPunchesTest, AModel6ClockHoldingOtherRecordsIsCollectedCompletely) {
  start(6);
  sim->generatePunches(8, 8);
  auto stored = sim->punches();
  for (size_t i : {1u, 2u, 3u, 7u}) stored[i].reader = 9;
  sim->setPunches(stored);
  ASSERT_EQ(collect(), -100);
  EXPECT_EQ(fileLines("REGIS.MIR").size(), 4u);
  EXPECT_EQ(list.text(2), "    Total: 00008");
  ASSERT_EQ(clear(4), -100);
  EXPECT_TRUE(sim->punches().empty());
}

}  // namespace
