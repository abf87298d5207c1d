// The program's start-up, headless (message boxes recorded): the log-in, the automatic day,
// the refusals, and Qt's own texts in the language of the settings file.
#include "widgets/main/Startup.h"

#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/StoreWriters.h"
#include "testsupport/PeerProcess.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <basekit/plainfile.h>
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { stores::writeUsers({{"ADMIN", 1234, 2}, {"PEDRO", 55, 0}}); }

  StartResult run(const std::string& user, const std::string& psw) {
    StartupHooks hooks;
    hooks.login = [&](std::string& u, std::string& p) {
      ++logins;
      u = user;
      p = psw;
      return !user.empty();
    };
    hooks.showMain = [this] { ++mainShown; };
    hooks.openAuto = [this] {
      ++autoRuns;
      autoRunMode = *gRunMode;
    };
    lock = std::make_unique<InstanceLock>();  // the previous run's lock goes first
    return runStartup(*lock, hooks);
  }

  apptest::TempDataFolder data;
  apptest::MsgBoxRecorder boxes;
  std::unique_ptr<InstanceLock> lock;
  int logins = 0, mainShown = 0, autoRuns = 0, autoRunMode = 0;
};

TEST_F(StartupTest, LogsInAndShowsTheMainWindow) {
  EXPECT_EQ(run(" ADMIN ", "1234"), StartResult::Running);
  EXPECT_EQ(mainShown, 1);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(*gDataFolder, data.path());
  EXPECT_EQ(*gVersionText, "6.00");
  EXPECT_EQ(gUsers->GetLevel(), 2);
  ASSERT_NE(gAuditoria, nullptr);
  EXPECT_EQ(gAuditoria->users, gUsers);
}

TEST_F(StartupTest, DataFolderIsTheWorkingDirectoryAsItIs) {
  // A Linux folder name may end in a blank; trimming it would look for the files elsewhere.
  const std::string folder = data.path() + "datos ";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::chdir(folder.c_str()), 0);
  *gDataFolder = folder + "/";
  stores::writeUsers({{"ANA", 7, 1}});
  EXPECT_EQ(run("ANA", "7"), StartResult::Running);
  EXPECT_EQ(*gDataFolder, folder + "/");
  EXPECT_TRUE(boxes.boxes().empty());
  ASSERT_EQ(::chdir(data.path().c_str()), 0);
}

TEST_F(StartupTest, SecondCopyIsRefusedBeforeAnyStoreOpens) {
  std::remove(data.file("VELTA.DAT").c_str());
  data.write("VELTA.INI", "[COMMON]\r\nLENGUAJE=1000\r\n");
  InstanceLock running;
  ASSERT_EQ(running.acquire(data.path()), LockState::Acquired);
  EXPECT_EQ(run("ADMIN", "1234"), StartResult::EndedWithError);
  ASSERT_EQ(boxes.numbers(), std::vector<int>{166});
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
  // In the language the settings name (loaded before the lock).
  EXPECT_EQ(boxes.boxes()[0].text, GetMsgIn(166, 1000));
  EXPECT_EQ(gListaRelojes, nullptr);
  EXPECT_EQ(gUsers, nullptr);
  EXPECT_EQ(logins, 0);
}

TEST_F(StartupTest, MissingOrEmptyUserFileEndsWithItsBox) {
  for (auto [bytes, number] : {std::pair<const char*, int>{nullptr, 310}, {"", 335}}) {
    apptest::resetProgramObjects();
    boxes.clear();
    InstanceLock fresh;
    std::remove(data.file("VELTA.DAT").c_str());
    if (bytes) data.write("VELTA.DAT", bytes);
    StartupHooks hooks;
    hooks.showMain = [this] { ++mainShown; };
    EXPECT_EQ(runStartup(fresh, hooks), StartResult::EndedWithError);
    ASSERT_EQ(boxes.numbers(), std::vector<int>{number});
    EXPECT_EQ(boxes.boxes()[0].title, GetMsg(320));
  }
  EXPECT_EQ(mainShown, 0);
}

TEST_F(StartupTest, EmptyUserEndsQuietlyAndWrongPasswordWith316) {
  EXPECT_EQ(run("  ", ""), StartResult::EndedOk);
  EXPECT_TRUE(boxes.boxes().empty());
  apptest::resetProgramObjects();
  EXPECT_EQ(run("ADMIN", "999"), StartResult::EndedWithError);
  ASSERT_EQ(boxes.numbers(), std::vector<int>{316});
  EXPECT_EQ(boxes.boxes()[0].title, GetMsg(320));
  EXPECT_EQ(mainShown, 0);
}

TEST_F(StartupTest, AutomaticDayRunsTheAutomaticWindowWithoutLogIn) {
  data.write("VELTA.INI", "[COMMON]\r\nAUTO=1\r\nAUTODIAS=11111111\r\n");
  EXPECT_EQ(run("ADMIN", "1234"), StartResult::Running);
  EXPECT_EQ(logins, 0);
  EXPECT_EQ(autoRuns, 1);
  EXPECT_EQ(autoRunMode, 2);
  EXPECT_EQ(mainShown, 1);
  EXPECT_EQ(gUsers->GetLevel(), 0);  // nobody logged in
}

// A file of `size` bytes in the data folder (sparse: nothing but its size on disk).
void makeSparse(const std::string& path, off_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
}

std::string todaysLogPath() {
  return *gDataFolder + basic::Format(basic::Now(), "YYYYmmdd") + ".LOG";
}
std::string todaysLog() { return apptest::readWholeFile(todaysLogPath()); }

// A start-up file that is there but cannot be read says which and why, and is never taken
// for missing or empty: a file far too large, a folder or a FIFO under its name. Settings and,
// in the automatic run, the clock list go to the daily log too: nobody may be watching.
TEST_F(StartupTest, FilesThatCannotBeReadAreNamedWithTheirReason) {
  enum Make { Sparse, Folder, Fifo };
  struct Case {
    const char* what;
    const char* file;
    Make make;
    size_t size;
    const char* settings;
    StartResult result;
    bool logged;
  };
  const char* automatic = "[COMMON]\r\nAUTO=1\r\nAUTODIAS=11111111\r\n";
  const Case cases[] = {
      {"huge settings", "VELTA.INI", Sparse, size_t{1} << 30, nullptr, StartResult::EndedWithError,
       true},
      {"huge RSH.CFG", "RSH.CFG", Sparse, size_t{1} << 30, automatic, StartResult::EndedWithError,
       true},
      {"huge user file", "VELTA.DAT", Sparse, ClsUsers::kMaxFileBytes + 1, nullptr,
       StartResult::EndedWithError, false},
      {"huge user file, automatic site", "VELTA.DAT", Sparse, ClsUsers::kMaxFileBytes + 1,
       automatic, StartResult::EndedWithError, true},
      {"huge clock list, automatic run", "velta002.dat", Sparse, ClsListaRelojes::kMaxFileBytes + 1,
       automatic, StartResult::EndedWithError, true},
      {"huge clock list, log-in", "velta002.dat", Sparse, ClsListaRelojes::kMaxFileBytes + 1,
       nullptr, StartResult::Running, false},
      {"FIFO settings", "VELTA.INI", Fifo, 0, nullptr, StartResult::EndedWithError, true},
      {"folder RSH.CFG", "RSH.CFG", Folder, 0, automatic, StartResult::EndedWithError, true},
      {"FIFO RSH.CFG", "RSH.CFG", Fifo, 0, nullptr, StartResult::EndedWithError, true},
      {"folder user file", "VELTA.DAT", Folder, 0, nullptr, StartResult::EndedWithError, false},
      {"FIFO user file, automatic site", "VELTA.DAT", Fifo, 0, automatic,
       StartResult::EndedWithError, true},
      {"folder clock list, automatic run", "velta002.dat", Folder, 0, automatic,
       StartResult::EndedWithError, true},
      {"FIFO clock list, automatic run", "velta002.dat", Fifo, 0, automatic,
       StartResult::EndedWithError, true},
      {"FIFO clock list, log-in", "velta002.dat", Fifo, 0, nullptr, StartResult::Running, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    apptest::resetProgramObjects();
    boxes.clear();
    autoRuns = mainShown = 0;
    std::remove(data.file("VELTA.INI").c_str());
    std::remove(data.file("RSH.CFG").c_str());
    std::remove(todaysLogPath().c_str());
    stores::writeUsers({{"ADMIN", 1234, 2}});
    std::remove(data.file("velta002.dat").c_str());
    if (c.settings) data.write("VELTA.INI", c.settings);
    const std::string path = data.file(c.file);
    std::remove(path.c_str());
    if (c.make == Sparse) makeSparse(path, static_cast<off_t>(c.size));
    if (c.make == Folder) {
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    }
    if (c.make == Fifo) {
      ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    }
    EXPECT_EQ(run("ADMIN", "1234"), c.result);
    ASSERT_EQ(boxes.numbers(), std::vector<int>{386});
    EXPECT_EQ(boxes.boxes()[0].title, GetMsg(320));
    // The file and the system's reason, in the settings' language.
    const std::string reason =
        c.make == Sparse ? systemReason(EFBIG)
        : c.make == Folder
            ? systemReason(EISDIR)
            : fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, {}));
    EXPECT_NE(boxes.boxes()[0].text.find(path + ": " + reason), std::string::npos)
        << boxes.boxes()[0].text;
    const std::string log = todaysLog();
    EXPECT_EQ(log.find(path) != std::string::npos, c.logged) << log;
    EXPECT_EQ(autoRuns, 0);
    EXPECT_EQ(mainShown, c.result == StartResult::Running ? 1 : 0);
    std::remove(path.c_str());
  }
  // No read permission on the user file: only a user other than root is kept out by it.
  if (::geteuid() != 0) {
    apptest::resetProgramObjects();
    boxes.clear();
    stores::writeUsers({{"ADMIN", 1234, 2}});
    ASSERT_EQ(::chmod(data.file("VELTA.DAT").c_str(), 0), 0);
    EXPECT_EQ(run("ADMIN", "1234"), StartResult::EndedWithError);
    ASSERT_EQ(boxes.numbers(), std::vector<int>{386});
    EXPECT_NE(boxes.boxes()[0].text.find(systemReason(EACCES)), std::string::npos);
  } else {
    std::printf("no permission case here: root reads any file\n");
  }
}

// Without a display the refusal goes to the hook (standard error in the program), not to a
// box nobody could answer.
TEST_F(StartupTest, WithoutADisplayARefusalIsTextNotABox) {
  InstanceLock running;
  ASSERT_EQ(running.acquire(data.path()), LockState::Acquired);
  std::vector<std::string> refusals;
  StartupHooks hooks;
  hooks.refuseWithoutDisplay = [&](const std::string& text) { refusals.push_back(text); };
  hooks.showMain = [this] { ++mainShown; };
  InstanceLock second;
  EXPECT_EQ(runStartup(second, hooks), StartResult::EndedWithError);
  EXPECT_EQ(refusals, std::vector<std::string>{GetMsg(166)});
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(mainShown, 0);
}

// The start-up loads Qt's texts for the language of the settings file, before its first box.
TEST_F(StartupTest, QtTextsFollowTheSettingsFile) {
  stores::writeUsers({{"ADMIN", 1, 2}});
  const std::pair<const char*, const char*> cases[] = {
      {"2000", "&Sim"}, {"1000", "&Yes"}, {"0", "&Sí"}, {"500", "&Sí"}};
  for (const auto& [lenguaje, yes] : cases) {
    data.write("VELTA.INI", std::string("[COMMON]\r\nVERSION=2\r\nLENGUAJE=") + lenguaje + "\r\n");
    StartupHooks hooks;
    hooks.login = [](std::string& user, std::string&) {
      user.clear();  // a cancelled log-in ends the start-up quietly
      return false;
    };
    InstanceLock lock;
    EXPECT_EQ(runStartup(lock, hooks), StartResult::EndedOk) << lenguaje;
    EXPECT_EQ(QMessageBox().addButton(QMessageBox::Yes)->text().toStdString(), yes) << lenguaje;
    apptest::objects().release();
  }
}

}  // namespace
