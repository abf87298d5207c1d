// The program `velta` itself, started as a user would start it, without a display: a start-up
// refusal, or a start that needs the log-in, is a line on standard error and exit status 1,
// never a window that waits for nobody.
#include "core/Basic.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/StoreWriters.h"
#include "testsupport/PeerProcess.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <basekit/codepage.h>
#include <basekit/plainfile.h>
#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// One velta in `folder` on the offscreen platform, with no display; its standard error is
// read through a pipe.
class Velta {
 public:
  explicit Velta(const std::string& folder) {
    // Resolved before the fork: the child only calls what is safe there.
    const std::string program = clocklink::testing::peerPath(VELTA_PROGRAM);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(fds[1], 2);
      if (::chdir(folder.c_str()) != 0) ::_exit(126);
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      ::unsetenv("DISPLAY");
      ::unsetenv("WAYLAND_DISPLAY");
      ::execl(program.c_str(), "velta", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    m_err = fds[0];
  }
  ~Velta() {
    if (m_pid > 0 && !m_ended) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_err >= 0) ::close(m_err);
  }
  pid_t pid() const { return m_pid; }

  // Exit status once it has ended; -1 when it is still running after `guardSeconds` (a hang
  // guard for a loaded machine, not a measure) or did not end normally.
  int waitEnd(int guardSeconds = 120) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(guardSeconds);
    while (m_err >= 0 && std::chrono::steady_clock::now() < until) {
      pollfd p{m_err, POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::read(m_err, buf, sizeof buf);
      if (n <= 0) {
        ::close(m_err);
        m_err = -1;
      } else {
        m_stderr.append(buf, static_cast<size_t>(n));
      }
    }
    if (m_err >= 0) return -1;
    int status = 0;
    if (::waitpid(m_pid, &status, 0) != m_pid) return -1;
    m_ended = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& standardError() const { return m_stderr; }

 private:
  pid_t m_pid = -1;
  int m_err = -1;
  bool m_ended = false;
  std::string m_stderr;
};

// True once process `pid` holds the flock of `file` (read from /proc/locks, which shows the
// holder without taking the lock from it).
bool holdsFlock(pid_t pid, const std::string& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return false;
  std::ifstream locks("/proc/locks");
  const std::string inode = ":" + std::to_string(st.st_ino);
  for (std::string line; std::getline(locks, line);) {
    std::istringstream in(line);
    std::string n, kind, advisory, mode, who, where;
    in >> n >> kind >> advisory >> mode >> who >> where;
    if (kind == "FLOCK" && who == std::to_string(pid) && where.size() > inode.size() &&
        where.compare(where.size() - inode.size(), inode.size(), inode) == 0)
      return true;
  }
  return false;
}

long peakOfChildrenKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_maxrss;
}

class VeltaProgram : public ::testing::Test {
 protected:
  void SetUp() override { stores::writeUsers({{"ADMIN", 1234, 2}}); }
  apptest::TempDataFolder data;
};

// A start that needs the log-in has nobody to log in without a display, whether the settings
// ask for it or fell back to the defaults: the reason in the settings' language.
TEST_F(VeltaProgram, ALogInWithoutADisplayEndsWithStatusOneAndSaysWhy) {
  struct Case {
    const char* name;
    const char* ini;  // nullptr: no settings file
    int lenguaje;
  };
  const Case cases[] = {
      {"no settings file", nullptr, 0},
      {"automatic run off", "[COMMON]\r\nVERSION=2\r\nAUTO=0\r\nLENGUAJE=1000\r\n", 1000},
      {"no automatic day", "[COMMON]\r\nAUTO=1\r\nAUTODIAS=00000000\r\nLENGUAJE=2000\r\n", 2000},
      {"settings of no known form", "\x01\x02\x03", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(data.file("VELTA.INI").c_str());
    if (c.ini) data.write("VELTA.INI", c.ini);
    Velta velta(data.path());
    EXPECT_EQ(velta.waitEnd(), 1);
    EXPECT_NE(velta.standardError().find(GetExtraMsgIn(ExtraMsg::LoginWithoutDisplay, c.lenguaje)),
              std::string::npos)
        << velta.standardError();
  }
}

TEST_F(VeltaProgram, SecondCopyWithoutADisplayEndsWithStatusOneAndSaysWhy) {
  // The first copy stays: an automatic run (every day, not ending the program).
  data.write("VELTA.INI", "[COMMON]\r\nAUTO=1\r\nAUTODIAS=11111110\r\n");
  Velta first(data.path());
  ASSERT_GT(first.pid(), 0);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!holdsFlock(first.pid(), data.file("VELTA.LCK")) &&
         std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(holdsFlock(first.pid(), data.file("VELTA.LCK")));

  Velta second(data.path());
  EXPECT_EQ(second.waitEnd(), 1);
  EXPECT_NE(second.standardError().find(GetMsgIn(166, 0)), std::string::npos)
      << second.standardError();

  ::kill(first.pid(), SIGTERM);  // the run stops, and the program with it
  EXPECT_EQ(first.waitEnd(), 0);
}

// The settings file and RSH.CFG, each 1 GB (sparse): refused at start-up without being read,
// named on standard error and in the daily log.
TEST_F(VeltaProgram, HugeSettingsFilesAreRefusedWithoutBeingRead) {
  for (const char* name : {"VELTA.INI", "RSH.CFG"}) {
    SCOPED_TRACE(name);
    std::remove(data.file("VELTA.INI").c_str());
    std::remove(data.file("RSH.CFG").c_str());
    const std::string path = data.file(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
    ::close(fd);

    const auto started = std::chrono::steady_clock::now();
    Velta velta(data.path());
    EXPECT_EQ(velta.waitEnd(), 1);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();
    std::printf("%s: velta ended in %lld ms; peak of the programs so far %ld KiB\n", name,
                static_cast<long long>(ms), peakOfChildrenKiB());
    EXPECT_LT(peakOfChildrenKiB(), 200 * 1024);
    EXPECT_NE(velta.standardError().find(path), std::string::npos) << velta.standardError();
    const std::string log =
        apptest::readWholeFile(data.file(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG"));
    EXPECT_NE(log.find(path), std::string::npos) << log;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, off_t{1} << 30);
  }
  EXPECT_FALSE(data.exists("VELTA.INIold"));
}

// What is no plain file under a data file's name is refused as an unreadable file is: status 1,
// message 386 with the file and the reason on standard error and in the daily log (no display:
// whether or not the site is automatic). Never an automatic run over no clock that ends well,
// nor the missing user file's "ERROR: ACCESO 2".
TEST_F(VeltaProgram, WhatIsNoPlainFileUnderADataFilesNameEndsWithStatusOne) {
  struct Case {
    const char* file;
    bool folder;  // else a FIFO
    bool automatic;
  };
  const Case cases[] = {
      {"velta002.dat", true, true}, {"velta002.dat", false, true}, {"VELTA.DAT", true, false},
      {"VELTA.DAT", false, true},   {"VELTA.INI", false, false},
  };
  for (const Case& c : cases) {
    const std::string path = data.file(c.file);
    SCOPED_TRACE(path + (c.folder ? ", a folder" : ", a FIFO"));
    for (const char* name : {"VELTA.INI", "velta002.dat", "VELTA.DAT"})
      std::remove(data.file(name).c_str());
    const std::string logPath = data.file(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG");
    std::remove(logPath.c_str());
    stores::writeUsers({{"ADMIN", 1234, 2}});
    // Automatic every day, ending the program after the run.
    if (c.automatic) data.write("VELTA.INI", "[COMMON]\r\nAUTO=1\r\nAUTODIAS=11111111\r\n");
    std::remove(path.c_str());
    if (c.folder) {
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    } else {
      ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    }

    Velta velta(data.path());
    EXPECT_EQ(velta.waitEnd(), 1);
    const std::string said =
        GetMsgIn(386, 0) + ": " + path + ": " +
        (c.folder ? systemReason(EISDIR)
                  : fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, {})));
    EXPECT_NE(velta.standardError().find(said), std::string::npos) << velta.standardError();
    const std::string log = basekit::cp1252ToUtf8(apptest::readWholeFile(logPath));
    EXPECT_NE(log.find(said), std::string::npos) << log;
    std::remove(path.c_str());
  }
}

// A clock list of a form the program does not know is no list without clocks: an automatic
// start ends with status 1 and says why, in the settings' language, on standard error and in
// the daily log, having collected nothing.
TEST_F(VeltaProgram, AClockListOfAnUnknownFormEndsAnAutomaticStartWithStatusOne) {
  data.write("VELTA.INI", "[COMMON]\r\nAUTO=1\r\nAUTODIAS=11111111\r\nLENGUAJE=1000\r\n");
  data.write("velta002.dat", std::string("\x09\x00", 2) + std::string(600, ' '));
  const std::string logPath = data.file(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG");
  std::remove(logPath.c_str());

  Velta velta(data.path());
  EXPECT_EQ(velta.waitEnd(), 1);
  const std::string said = data.file("velta002.dat") + " is of an unknown form (version 9)";
  EXPECT_NE(velta.standardError().find(said), std::string::npos) << velta.standardError();
  EXPECT_NE(apptest::readWholeFile(logPath).find(said), std::string::npos);
}

}  // namespace
