// Module Release: the shared checks and the start-up, headless (message boxes recorded).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include <basekit/plainfile.h>

#include "testsupport/widgets/WidgetTestSupport.h"
#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "widgets/dialogs/ReleaseBoxes.h"
#include "testsupport/PeerProcess.h"
#include "core/StoreWriters.h"
#include "widgets/dialogs/frmSplash.h"

namespace {

basic::DateTime day(int y, int m, int d) {
  basic::DateTime t;
  t.year = y;
  t.month = m;
  t.day = d;
  return t;
}

class ReleaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::objects().createSettings();
    gCfgFile->Init(data.file("VELTA.INI"));
  }
  apptest::TempDataFolder data;
};

TEST_F(ReleaseTest, MensajeErrorCommMapsCodesToBoxes) {
  struct Case {
    int16_t code;
    int16_t show;
    bool result;
    int box;  // 0 = none
  };
  const Case cases[] = {{-100, 1, false, 0},  {-101, 1, true, 0},   {-200, 1, true, 320},
                        {-300, 1, true, 306}, {-400, 1, true, 346}, {-500, 1, true, 330},
                        {-500, 0, true, 0},   {7, 1, true, 0}};
  for (const Case& c : cases) {
    apptest::MsgBoxRecorder boxes;
    EXPECT_EQ(MensajeErrorComm(c.code, c.show), c.result) << c.code;
    if (c.box == 0) {
      EXPECT_TRUE(boxes.boxes().empty()) << c.code;
    } else {
      ASSERT_EQ(boxes.numbers(), std::vector<int>{c.box}) << c.code;
      EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
      EXPECT_EQ(boxes.boxes()[0].title, "");
    }
  }
}

TEST_F(ReleaseTest, ValidarHoraRefusesOutOfRangeWith327) {
  struct Case {
    const char* hour;
    const char* minute;
    bool ok;
  };
  const Case cases[] = {{"23", "59", true},
                        {"0", "0", true},
                        {"24", "00", false},
                        {"12", "60", false},
                        {"-1", "10", false}};
  for (const Case& c : cases) {
    apptest::MsgBoxRecorder boxes;
    EXPECT_EQ(ValidarHora(c.hour, c.minute), c.ok) << c.hour << ":" << c.minute;
    if (c.ok) {
      EXPECT_TRUE(boxes.boxes().empty());
    } else {
      ASSERT_EQ(boxes.numbers(), std::vector<int>{327});
      EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Exclamation);
    }
  }
}

TEST_F(ReleaseTest, ValidarFechaUsesThisYearOrTheOneBefore) {
  struct Case {
    basic::DateTime today;
    const char* month;
    const char* day;
    bool ok;
    int year;
  };
  const Case cases[] = {
      {day(2024, 3, 10), "02", "29", true, 2024},  // leap year
      {day(2026, 3, 10), "02", "29", false, 0},    // not one
      {day(2025, 1, 1), "12", "31", true, 2024},   // a later month is last year's
      {day(2025, 3, 1), "02", "29", false, 0},     // February is this year's: 2025 has none
      {day(2026, 5, 10), "13", "01", false, 0},    // no such month
      {day(2026, 5, 10), "04", "31", false, 0},    // no such day
      {day(2026, 5, 10), "04", "0", false, 0},
      {day(2026, 5, 10), "x4", "10", false, 0},  // not numeric
      {day(2026, 5, 10), "", "10", false, 0},
  };
  for (const Case& c : cases) {
    int year = 0;
    const bool ok = ValidarFecha(c.month, c.day, c.today, &year);
    EXPECT_EQ(ok, c.ok) << c.month << "/" << c.day;
    if (c.ok) {
      EXPECT_EQ(year, c.year);
    }
  }
}

TEST_F(ReleaseTest, MarcarEstadoTouchesNothingInMultiCompanyOrAutomaticSetups) {
  struct Case {
    int16_t multi;
    int16_t autoFlag;
    bool writes;
  };
  for (const Case& c : {Case{0, 0, true}, Case{1, 0, false}, Case{0, 1, false}}) {
    for (const char* f : {"IN.TMP", "OU.TMP", "OK.TMP"}) std::remove(data.file(f).c_str());
    data.write("OK.TMP", "");
    gCfgFile->MultiEmpresa = c.multi;
    gCfgFile->Auto = c.autoFlag;
    MarcarEstado(2);
    EXPECT_EQ(data.exists("IN.TMP"), c.writes);
    EXPECT_EQ(data.exists("OK.TMP"), !c.writes);
    MarcarEstado(3);
    EXPECT_EQ(data.exists("OU.TMP"), c.writes);
    EXPECT_FALSE(data.exists("IN.TMP"));
  }
}

TEST_F(ReleaseTest, SepararCamposCutsAtSingleBlanks) {
  struct Case {
    std::string line;
    std::array<std::string, 5> fields;
    std::string rest;
  };
  const Case cases[] = {
      // card-first line: card, date, time, clock, reader, description
      {"00123 01/02/2026 08:00 01 02 Ana Perez",
       {"00123", "01/02/2026", "08:00", "01", "02"},
       "Ana Perez"},
      // a touch line starts with a blank that belongs to the card
      {" 00FF 01/02/2026 08:00 1 01", {" 00FF", "01/02/2026", "08:00", "1", "01"}, ""},
      // short: the missing fields stay empty
      {"123 01/02/2026", {"123", "01/02/2026", "", "", ""}, ""},
      // a double blank is an empty field, not one separator
      {"A  B C D E", {"A", "", "B", "C", "D"}, "E"},
      {"", {"", "", "", "", ""}, ""},
  };
  for (const Case& c : cases) {
    gSplitFields->rest = "stale";
    SepararCampos(c.line);
    EXPECT_EQ(gSplitFields->fields, c.fields) << "'" << c.line << "'";
    EXPECT_EQ(gSplitFields->rest, c.rest) << "'" << c.line << "'";
  }
}

TEST_F(ReleaseTest, DecideStartFollowsLockUsersAndWeekdayMask) {
  using K = StartChoice::Kind;
  using L = StoreLoad;
  // 2026-01-05 is a Monday; 2026-01-10 a Saturday, 2026-01-11 a Sunday.
  struct Case {
    LockState lock;
    StoreLoad users;
    int16_t autoFlag;
    std::string mask;
    basic::DateTime today;
    K kind;
    int message;
    int title;
  };
  const Case cases[] = {
      {LockState::Held, L::Loaded, 0, "11111111", day(2026, 1, 5), K::Refuse, 166, 0},
      {LockState::Held, L::Missing, 1, "11111111", day(2026, 1, 5), K::Refuse, 166, 0},
      {LockState::Failed, L::Loaded, 0, "11111111", day(2026, 1, 5), K::Refuse, 320, 0},
      {LockState::Acquired, L::Missing, 0, "11111111", day(2026, 1, 5), K::Refuse, 310, 320},
      {LockState::Acquired, L::Empty, 0, "11111111", day(2026, 1, 5), K::Refuse, 335, 320},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 5), K::Automatic, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 9), K::Automatic, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 10), K::Login, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 11), K::Login, 0, 0},
      {LockState::Acquired, L::Loaded, 0, "11111111", day(2026, 1, 5), K::Login, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "1", day(2026, 1, 11), K::Automatic, 0, 0},  // Sunday
      {LockState::Acquired, L::Loaded, 1, "1", day(2026, 1, 5), K::Login, 0, 0},  // past the end
  };
  for (const Case& c : cases) {
    const StartChoice s = decideStart(c.lock, c.users, c.autoFlag, c.mask, c.today);
    EXPECT_EQ(s.kind, c.kind) << c.mask << " " << c.today.day;
    EXPECT_EQ(s.message, c.message);
    EXPECT_EQ(s.title, c.title);
  }
}

TEST_F(ReleaseTest, InstanceLockRefusesASecondHolderAndKeepsItsFile) {
  InstanceLock first;
  ASSERT_EQ(first.acquire(data.path()), LockState::Acquired);
  {
    InstanceLock second;
    EXPECT_EQ(second.acquire(data.path()), LockState::Held);
  }
  InstanceLock elsewhere;
  EXPECT_EQ(elsewhere.acquire(data.path() + "no-such-folder/"), LockState::Failed);
  EXPECT_NE(elsewhere.reason(), "");
  EXPECT_TRUE(data.exists("VELTA.LCK"));
}

// ---------------------------------------------------------------------------------------
// runStartup

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
    const int reason = c.make == Sparse   ? EFBIG
                       : c.make == Folder ? EISDIR
                                          : basekit::kErrNotPlainFile;
    EXPECT_NE(boxes.boxes()[0].text.find(path + ": " + systemReason(reason)), std::string::npos)
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

// ---------------------------------------------------------------------------------------
// frmSplash

TEST_F(ReleaseTest, SplashHandsBackTrimmedTextsOrNothing) {
  {
    frmSplash w;
    w.show();
    QTest::keyClicks(w.userBox(), "  ana ");
    QTest::keyClicks(w.passwordBox(), "1234 ");
    EXPECT_EQ(w.passwordBox()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(w.acceptButton()->isDefault());
    QTest::keyClick(w.passwordBox(), Qt::Key_Return);  // the default button
    EXPECT_EQ(w.prUser, "ana");
    EXPECT_EQ(w.prPsw, "1234");
    EXPECT_EQ(w.windowTitle(), "Velta 2000");
    EXPECT_EQ(w.acceptButton()->text().toStdString(), GetMsg(108));
  }
  for (bool closeBox : {false, true}) {
    frmSplash w;
    w.show();
    QTest::keyClicks(w.userBox(), "ana");
    QTest::keyClicks(w.passwordBox(), "1");
    if (closeBox)
      w.close();
    else
      QTest::mouseClick(w.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(w.prUser, "");
    EXPECT_EQ(w.prPsw, "");
  }
  frmSplash shown;
  QTest::keyClicks(shown.userBox(), "DEMO");
  EXPECT_TRUE(apptest::grabNonBlank(&shown, "frmSplash.png"));
}

}  // namespace
