#include "init/StationInit.h"

#include "core/ClsCfgFile.h"
#include "core/ClsUsers.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/PeerProcess.h"
#include "testsupport/PlantedLink.h"

#include <basekit/plainfile.h>
#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <QProcess>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using apptest::TempDataFolder;

std::string program() { return clocklink::testing::peerPath(VELTA_INIT_PROGRAM); }

struct InitRun {
  int status = -1;
  std::string out;
  std::string err;
};

// velta-init FOLDER USER with `input` on its standard input (a pipe).
InitRun runInit(const std::vector<std::string>& args, const std::string& input) {
  QProcess p;
  QStringList list;
  for (const std::string& a : args) list << QString::fromStdString(a);
  p.start(QString::fromStdString(program()), list);
  EXPECT_TRUE(p.waitForStarted(20000));
  p.write(input.data(), static_cast<qint64>(input.size()));
  p.closeWriteChannel();
  EXPECT_TRUE(p.waitForFinished(60000));
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

// The user file as the program's start-up reads it: loaded, and the log-in of user/psw.
::testing::AssertionResult logsIn(const std::string& folder, const std::string& user,
                                  const std::string& psw) {
  ClsUsers users;
  users.Iniciar(folder + "VELTA.DAT");
  if (users.CargarUsers() != StoreLoad::Loaded)
    return ::testing::AssertionFailure() << "not loaded";
  if (!users.FindUser(user, psw)) return ::testing::AssertionFailure() << "refused " << user;
  if (users.GetLevel() != 2) return ::testing::AssertionFailure() << "level " << users.GetLevel();
  return ::testing::AssertionSuccess();
}

std::string refusal(const std::string& folder, const std::string& user, const std::string& typed,
                    const std::optional<std::string>& again = std::nullopt) {
  StationInit init(folder);
  if (std::string why = init.checkFolder(); !why.empty()) return why;
  if (std::string why = init.checkUser(user); !why.empty()) return why;
  int32_t psw = 0;
  return init.checkPassword(typed, again, psw);
}

std::string es(ExtraMsg id, std::initializer_list<std::string> args = {}) {
  return GetExtraMsgIn(id, 0, args);
}

TEST(StationInit, MakesAMissingFolderWhoseUserLogsInWithTheStartUpSettings) {
  TempDataFolder data;
  const std::string folder = data.path() + "new/station/";
  const InitRun r = runInit({folder, "ADMIN"}, "4711\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(es(ExtraMsg::InitDone, {data.path() + "new/station", "ADMIN"})),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(logsIn(folder, "ADMIN", "4711"));
  EXPECT_FALSE(logsIn(folder, "ADMIN", "1234"));  // the demo's password opens nothing
  struct stat st {};
  ASSERT_EQ(::stat((folder + "VELTA.DAT").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // the passwords are stored in plain

  // The values the program starts with, written out: LONGTOUCH is 4 at start-up, while a
  // settings file without the key would give 0.
  const std::string ini = apptest::readWholeFile(folder + "VELTA.INI");
  EXPECT_NE(ini.find("LONGTOUCH=4"), std::string::npos) << ini;
  ClsCfgFile cfg;
  cfg.Init(folder + "VELTA.INI");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.LongTouch, 4);
  EXPECT_EQ(cfg.Auto, 0);
  EXPECT_EQ(cfg.LENGUAJE, 0);
  EXPECT_EQ(cfg.Version, 2);
  EXPECT_EQ(cfg.AutoDias, "11111111");
}

TEST(StationInit, KeepsTheSettingsOfAFolderWithoutUsersAndSpeaksTheirLanguage) {
  TempDataFolder data;
  const std::string ini = "[COMMON]\r\nVERSION=2\r\nLENGUAJE=2000\r\nAUTO=1\r\n";
  data.write("VELTA.INI", ini);
  const InitRun r = runInit({data.path(), "Ana Lía"}, "  -17  \n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("está pronta"), std::string::npos) << r.out;
  EXPECT_EQ(data.read("VELTA.INI"), ini);
  EXPECT_TRUE(logsIn(data.path(), "Ana Lía", "-17"));
}

struct FolderCase {
  const char* what;
  std::function<void(const std::string& folder)> make;  // folder: under the temp folder
  std::function<std::string(const std::string& folder)> expected;
};

TEST(StationInit, RefusesAFolderThatHoldsUsersOrAnotherThingUnderAName) {
  const auto reason = [](const basekit::FileError& failure) {
    return es(ExtraMsg::InitNameRefused, {failure.path, fileReasonIn(failure, 0)});
  };
  const FolderCase cases[] = {
      {"a user file",
       [](const std::string& f) {
         ::mkdir(f.c_str(), 0755);
         ::close(::creat((f + "/VELTA.DAT").c_str(), 0600));  // even an empty one
       },
       [](const std::string& f) { return es(ExtraMsg::InitHasUsers, {f + "/VELTA.DAT"}); }},
      {"a link as the folder",
       [](const std::string& f) {
         ::mkdir((f + ".real").c_str(), 0755);
         ASSERT_EQ(::symlink((f + ".real").c_str(), f.c_str()), 0);
       },
       [](const std::string& f) { return es(ExtraMsg::InitFolderLink, {f}); }},
      {"a file as the folder", [](const std::string& f) { ::close(::creat(f.c_str(), 0644)); },
       [](const std::string& f) { return es(ExtraMsg::InitNotFolder, {f}); }},
      {"a FIFO as the user file",
       [](const std::string& f) {
         ::mkdir(f.c_str(), 0755);
         ASSERT_EQ(::mkfifo((f + "/VELTA.DAT").c_str(), 0600), 0);
       },
       [&](const std::string& f) {
         return reason(
             basekit::FileError::refusal(basekit::FileFault::NotPlainFile, f + "/VELTA.DAT"));
       }},
      {"a folder as the settings",
       [](const std::string& f) {
         ::mkdir(f.c_str(), 0755);
         ::mkdir((f + "/VELTA.INI").c_str(), 0755);
       },
       [&](const std::string& f) {
         return reason(basekit::FileError::system(EISDIR, f + "/VELTA.INI"));
       }},
  };
  for (const FolderCase& c : cases) {
    TempDataFolder data;
    const std::string folder = data.path() + "station";
    c.make(folder);
    EXPECT_EQ(refusal(folder, "ADMIN", "4711"), c.expected(folder)) << c.what;
    const InitRun r = runInit({folder, "ADMIN"}, "4711\n");
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.err, "velta-init: " + c.expected(folder) + "\n") << c.what;
    struct stat st {};
    EXPECT_FALSE(::stat((folder + "/VELTA.INI").c_str(), &st) == 0 && S_ISREG(st.st_mode))
        << c.what << ": settings written";
  }
}

TEST(StationInit, NeverWritesThroughALinkOrSecondNameUnderTheUserFileOrSettingsName) {
  using apptest::PlantedLink;
  for (const std::string name : {"VELTA.DAT", "VELTA.INI"}) {
    for (PlantedLink::Target kind : PlantedLink::kKinds) {
      TempDataFolder data;
      PlantedLink link(data.file(name), kind);
      const std::string what = name + " " + PlantedLink::kindName(kind);
      std::string expected = es(
          ExtraMsg::InitNameRefused,
          {data.file(name),
           fileReasonIn(
               basekit::FileError::refusal(basekit::FileFault::SymbolicLink, data.file(name)), 0)});
      if (kind == PlantedLink::Target::SecondName)
        expected = name == "VELTA.DAT"
                       ? es(ExtraMsg::InitHasUsers, {data.file(name)})
                       : es(ExtraMsg::InitNameRefused,
                            {data.file(name),
                             fileReasonIn(basekit::FileError::refusal(
                                              basekit::FileFault::SecondName, data.file(name)),
                                          0)});
      const InitRun r = runInit({data.path(), "ADMIN"}, "4711\n");
      EXPECT_EQ(r.status, 1) << what;
      EXPECT_EQ(r.err, "velta-init: " + expected + "\n") << what;
      EXPECT_TRUE(link.unchanged()) << what;
      EXPECT_FALSE(data.exists(name == "VELTA.DAT" ? "VELTA.INI" : "VELTA.DAT")) << what;
    }
  }
}

struct InputCase {
  const char* user;
  const char* typed;
  std::optional<std::string> again;
  std::string expected;  // "" accepted
};

TEST(StationInit, RefusesANameOrPasswordTheUserFileCannotHoldOrTheLogInWouldNotTake) {
  const std::string whole = es(ExtraMsg::InitPasswordWhole);
  const InputCase cases[] = {
      {"", "4711", {}, GetMsgIn(325, 0)},
      {"   ", "4711", {}, GetMsgIn(325, 0)},
      {"ADMIN", "", {}, GetMsgIn(325, 0)},
      {"ADMIN", "  ", {}, GetMsgIn(325, 0)},
      {"ADMIN", "4711", std::string("4712"), GetMsgIn(360, 0)},
      {"ADMIN", "secreto", {}, GetMsgIn(410, 0)},
      {"ADMIN", "12 34", {}, GetMsgIn(410, 0)},
      {"ADMIN", "12.5", {}, whole},
      {"ADMIN", "2147483648", {}, whole},
      {"ADMIN", "-2147483649", {}, whole},
      {"ADMIN", "99999999999999999999", {}, whole},
      {"ABCDEFGHIJKLMNOPQRSTU", "4711", {}, es(ExtraMsg::InitUserName, {"ABCDEFGHIJKLMNOPQRSTU"})},
      {"名前", "4711", {}, es(ExtraMsg::InitUserName, {"名前"})},
      {"ABCDEFGHIJKLMNOPQRST", "2147483647", std::string("2147483647"), ""},
      {" Ñandú ", "-2147483648", {}, ""},
      {"ADMIN", "0", {}, ""},
  };
  for (const InputCase& c : cases) {
    TempDataFolder data;
    EXPECT_EQ(refusal(data.path(), c.user, c.typed, c.again), c.expected)
        << "'" << c.user << "' '" << c.typed << "'";
  }
  // The program: the same refusals through its standard input, nothing written, status 1.
  for (const char* input : {"", "\n", "secreto\n", "4294967296\n"}) {
    TempDataFolder data;
    const InitRun r = runInit({data.path(), "ADMIN"}, input);
    EXPECT_EQ(r.status, 1) << "'" << input << "'";
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(data.exists("VELTA.DAT")) << "'" << input << "'";
  }
  TempDataFolder data;
  EXPECT_EQ(runInit({data.path()}, "4711\n").status, 2);
  EXPECT_FALSE(data.exists("VELTA.INI"));
}

TEST(StationInit, RefusesInTheLanguageOfTheFolderSettings) {
  for (const int lenguaje : {0, 1000, 2000}) {
    TempDataFolder data;
    data.write("VELTA.INI",
               "[COMMON]\r\nVERSION=2\r\nLENGUAJE=" + std::to_string(lenguaje) + "\r\n");
    data.write("VELTA.DAT", "");
    EXPECT_EQ(refusal(data.path(), "ADMIN", "4711"),
              GetExtraMsgIn(ExtraMsg::InitHasUsers, lenguaje, {data.file("VELTA.DAT")}));
    ::unlink(data.file("VELTA.DAT").c_str());
    EXPECT_EQ(refusal(data.path(), "ADMIN", "x1"), GetMsgIn(410, lenguaje)) << lenguaje;
  }
}

// On a terminal the password is asked twice and not echoed.
struct TerminalRun {
  int status = -1;
  std::string screen;
};

TerminalRun onTerminal(const std::string& folder, const std::string& first,
                       const std::string& second) {
  int master = -1;
  const std::string path = program();
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    ::execl(path.c_str(), path.c_str(), folder.c_str(), "ADMIN", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  TerminalRun run;
  if (pid < 0) return run;
  // Each answer after its prompt, so the terminal's echo is off by then.
  const std::string answers[] = {first + "\n", second + "\n"};
  size_t answered = 0;
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 30000) <= 0) break;
    char buf[256];
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the program has ended
    run.screen.append(buf, static_cast<size_t>(n));
    const size_t prompts = (run.screen.find(": ") != std::string::npos) +
                           (run.screen.find(es(ExtraMsg::InitPasswordAgain)) != std::string::npos);
    while (answered < prompts && answered < 2) {
      const std::string& a = answers[answered++];
      if (::write(master, a.data(), a.size()) != static_cast<ssize_t>(a.size())) break;
    }
  }
  int status = 0;
  if (::waitpid(pid, &status, WNOHANG) != pid) {  // still waiting for an answer: a failure
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ::close(master);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(StationInit, AsksTwiceWithoutEchoOnATerminal) {
  {
    TempDataFolder data;
    const TerminalRun r = onTerminal(data.path(), "8642", "8642");
    EXPECT_EQ(r.status, 0) << r.screen;
    EXPECT_NE(r.screen.find(es(ExtraMsg::InitPasswordPrompt, {"ADMIN"})), std::string::npos)
        << r.screen;
    EXPECT_EQ(r.screen.find("8642"), std::string::npos) << r.screen;  // never echoed
    EXPECT_TRUE(logsIn(data.path(), "ADMIN", "8642"));
  }
  TempDataFolder data;
  const TerminalRun r = onTerminal(data.path(), "8642", "8643");
  EXPECT_EQ(r.status, 1) << r.screen;
  EXPECT_NE(r.screen.find(GetMsgIn(360, 0)), std::string::npos) << r.screen;
  EXPECT_FALSE(data.exists("VELTA.DAT"));
}

}  // namespace
