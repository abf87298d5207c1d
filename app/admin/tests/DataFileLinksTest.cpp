// Every writer of the data folder against a file that is a symbolic link to a file outside it
// (and to one that does not exist), or a second name (a hard link) of one: the outside file
// keeps its bytes, mode and owner, nothing is created through the link, and the writer reports
// the failure in its own way. The punch files of a download are covered with the clock
// simulator in CollectPunchesTest.
#include "admin/RecordView.h"
#include "collect/ConsoleFile.h"
#include "collect/PunchFiles.h"
#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsLogger.h"
#include "core/ClsTarjetas.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"
#include "core/StoreRows.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/PlantedLink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace {

// What no refusal may say: the system's and the file layer's English reasons.
::testing::AssertionResult noEnglishReason(const std::string& message) {
  for (const int err : {ELOOP, EACCES, ENOENT, ENOSPC, EISDIR, ENXIO, EINVAL, EMLINK, EMEDIUMTYPE,
                        ESTALE, EFBIG, EBADF})
    if (message.find(std::strerror(err)) != std::string::npos)
      return ::testing::AssertionFailure() << "English reason in: " << message;
  for (const char* english : {"symbolic link", "second name", "plain file", "cannot ", "daily log"})
    if (message.find(english) != std::string::npos)
      return ::testing::AssertionFailure() << "English reason in: " << message;
  return ::testing::AssertionSuccess();
}

// The daily log of 10 January 2026, opened and written one line: whether it failed, and what it
// reported.
constexpr const char* kDayLog = "20260110.LOG";
std::pair<bool, std::string> logOneLine() {
  ClsLogger log;
  log.clock = [] { return basic::DateTime{2026, 1, 10, 8, 0, 0}; };
  std::string said;
  log.report = [&said](const std::string& what) { said += what; };
  log.logEnabled = true;
  log.InitLog();
  log.Log("Procesando...Espere por favor");
  log.EndLog();
  return {log.failed(), said};
}

struct Outcome {
  bool failed = false;
  std::string message;  // what the writer says ("" for writers that report nothing)
};

struct Writer {
  const char* name;
  const char* file;  // in the data folder
  std::function<Outcome(const std::string& path)> write;
  bool reports = true;  // false: the writer fails silently by design
};

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Outcome store(StoreResult saved, const StoreStatus& status) { return {!saved.ok, status.message}; }

std::vector<Writer> writers() {
  return {
      {"settings save", "VELTA.INI",
       [](const std::string& path) {
         ClsCfgFile cfg;
         cfg.Init(path);
         cfg.SAPPassword = "secreto";  // which would make a file it saves its owner's alone
         (void)cfg.SaveCfg();          // the outcome is read from lastSaveError, as before
         return Outcome{!cfg.lastSaveError().empty(), cfg.lastSaveError()};
       }},
      {"clock store save", "velta002.dat",
       [](const std::string& path) {
         ClsListaRelojes clocks;
         clocks.Iniciar(path);
         return store(clocks.GrabarRelojes(), clocks.status());
       }},
      {"user store save", "VELTA.DAT",
       [](const std::string& path) {
         ClsUsers users;
         users.Iniciar(path);
         return store(users.GrabarUsers(), users.status());
       }},
      {"company store save", "EMPR.DAT",
       [](const std::string& path) {
         ClsListaEmpresas companies;
         companies.Iniciar(path);
         return store(companies.GrabarEmpresas(), companies.status());
       }},
      {"audit record", "VELTA.AUD",
       [](const std::string& path) {
         ClsAuditoria audit;
         audit.Iniciar(path);
         return Outcome{audit.AddRecord("Configuración") == 0, ""};
       },
       false},
      {"daily log", kDayLog,
       [](const std::string&) {
         const auto [failed, said] = logOneLine();
         return Outcome{failed, said};
       }},
      {"marker OK.TMP", "OK.TMP",
       [](const std::string&) {
         MarcarEstado(1);
         return Outcome{true, ""};
       },
       false},
      {"marker IN.TMP", "IN.TMP",
       [](const std::string&) {
         MarcarEstado(2);
         return Outcome{true, ""};
       },
       false},
      {"marker OU.TMP", "OU.TMP",
       [](const std::string&) {
         MarcarEstado(3);
         return Outcome{true, ""};
       },
       false},
      {"instance lock", "VELTA.LCK",
       [](const std::string&) {
         InstanceLock lock;
         const bool failed = lock.acquire(*gDataFolder) == LockState::Failed;
         return Outcome{failed, lock.path() + ": " + lock.reason()};
       }},
      // The trim keeps its copy in CONS.TMP: with a linked console, no copy of the target.
      {"console trim", "CONSOLE.MIR",
       [](const std::string&) {
         const bool trimmed = collect::DepurarConsola(*gDataFolder, 0);
         return Outcome{!trimmed && !std::ifstream(*gDataFolder + "CONS.TMP"), ""};
       },
       false},
      {"console trim copy", "CONS.TMP",
       [](const std::string&) {
         const bool trimmed = collect::DepurarConsola(*gDataFolder, 0);
         return Outcome{!trimmed && contents(*gDataFolder + "CONSOLE.MIR") == "1\r\n2\r\n", ""};
       },
       false},
      {"record viewer append", "VISTA.MIR",
       [](const std::string& path) {
         const std::string error = saveRows(RecordView(), path, SaveMode::Append);
         return Outcome{!error.empty(), error};
       }},
      {"record viewer replace", "VISTA.MIR",
       [](const std::string& path) {
         const std::string error = saveRows(RecordView(), path, SaveMode::Replace);
         return Outcome{!error.empty(), error};
       }},
  };
}

}  // namespace

// Every writer, in Spanish and in Portuguese: a link or a second name under its file is refused,
// and the refusal names the file and words the reason in the operator's language.
TEST(DataFileLinksTest, NoWriterWritesThroughALinkAndEachReportsItsFailure) {
  for (const int lenguaje : {0, 2000})
    for (const Writer& w : writers()) {
      for (const auto target : apptest::PlantedLink::kKinds) {
        SCOPED_TRACE(std::string(w.name) + ", " + apptest::PlantedLink::kindName(target) +
                     ", LENGUAJE " + std::to_string(lenguaje));
        apptest::TempDataFolder folder;
        apptest::objects().createSettings();  // markers are written with MULTIEMPRESA and AUTO 0
        gCfgFile->Init(folder.file("VELTA.INI"));
        gCfgFile->LENGUAJE = static_cast<int16_t>(lenguaje);
        // The console trim needs a console file to trim; its copy CONS.TMP is the link.
        if (std::string(w.file) == "CONS.TMP") folder.write("CONSOLE.MIR", "1\r\n2\r\n");
        const std::string path = folder.file(w.file);
        apptest::PlantedLink link(path, target);
        const Outcome out = w.write(path);
        EXPECT_TRUE(link.unchanged());
        EXPECT_TRUE(out.failed);
        if (w.reports) {
          EXPECT_NE(out.message.find(path), std::string::npos) << out.message;
          const bool second = target == apptest::PlantedLink::Target::SecondName;
          EXPECT_NE(out.message.find(GetExtraMsgIn(
                        second ? ExtraMsg::ReasonSecondName : ExtraMsg::NotPlainFile, lenguaje)),
                    std::string::npos)
              << out.message;
          EXPECT_TRUE(noEnglishReason(out.message));
        }
      }
    }
}

// Every path that can refuse a data file, readers and writers, against a FIFO (with nobody
// reading it) and a folder under the file's name, in Spanish and in Portuguese: the refusal
// names the file, gives the reason in the operator's language and no English reason at all.
TEST(DataFileRefusals, EveryPathWordsItsRefusalInTheOperatorsLanguage) {
  struct Path {
    const char* name;
    const char* file;
    std::function<std::string(const std::string& path)> refusal;
  };
  const Path paths[] = {
      {"instance lock", "VELTA.LCK",
       [](const std::string&) {
         InstanceLock lock;
         // Shown after the file's name, as the start-up's box shows it.
         return lock.acquire(*gDataFolder) == LockState::Failed ? lock.path() + ": " + lock.reason()
                                                                : "";
       }},
      {"settings load", "VELTA.INI",
       [](const std::string& path) {
         ClsCfgFile cfg;
         cfg.Init(path);
         cfg.LoadCfg();
         return cfg.loadError();
       }},
      {"user store load", "VELTA.DAT",
       [](const std::string& path) {
         ClsUsers users;
         users.Iniciar(path);
         (void)users.CargarUsers();
         return users.status().message;
       }},
      {"punch file", "R1.MIR",
       [](const std::string& path) {
         collect::PunchFiles files;
         return files.append(path, "00100 01/12/2026 08:00 1 01") && files.finish() ? std::string()
                                                                                    : files.error();
       }},
      {"console read", "CONSOLE.MIR",
       [](const std::string&) {
         collect::ConsoleFile console;
         int32_t total = 0;
         (void)console.readNew(collect::consoleSettingsOf(*gDataFolder, gCfgFile, nullptr), total);
         return console.error();
       }},
      {"console trim", "CONSOLE.MIR",
       [](const std::string&) {
         std::string error;
         collect::DepurarConsola(*gDataFolder, 0, &error);
         return error;
       }},
      {"daily log", kDayLog, [](const std::string&) { return logOneLine().second; }},
      {"record viewer save", "VISTA.MIR",
       [](const std::string& path) { return saveRows(RecordView(), path, SaveMode::Append); }},
      {"card import", "DBTAR.DAT",
       [](const std::string&) {
         ClsTarjetas cards;
         StoreRowVector rows;
         return cards.ImportarNombres(rows, 1);
       }},
  };
  for (const int lenguaje : {0, 2000}) {
    for (const bool fifo : {true, false}) {
      for (const Path& p : paths) {
        SCOPED_TRACE(std::string(p.name) + (fifo ? ", FIFO" : ", folder") + ", LENGUAJE " +
                     std::to_string(lenguaje));
        apptest::TempDataFolder folder;
        apptest::objects().createSettings();
        gCfgFile->Init(folder.file("VELTA.INI"));
        gCfgFile->LENGUAJE = static_cast<int16_t>(lenguaje);
        const std::string path = folder.file(p.file);
        ASSERT_EQ(fifo ? ::mkfifo(path.c_str(), 0600) : ::mkdir(path.c_str(), 0755), 0);
        const std::string said = p.refusal(path);
        EXPECT_NE(said.find(path), std::string::npos) << said;
        const std::string reason =
            GetExtraMsgIn(fifo ? ExtraMsg::ReasonNotPlain : ExtraMsg::ReasonIsFolder, lenguaje);
        EXPECT_NE(said.find(reason), std::string::npos) << said;
        EXPECT_TRUE(noEnglishReason(said));
      }
    }
  }
}
