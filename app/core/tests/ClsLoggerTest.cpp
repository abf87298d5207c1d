// Daily log against a real temporary data folder and a settable clock.
#include "core/ClsLogger.h"

#include "core/Globals.h"
#include "core/ProgramObjects.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class LoggerTest : public ::testing::Test {
 protected:
  ProgramObjects objects;  // the program-wide values of the test, fresh for each
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "logXXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    *gDataFolder = dir + "/";
    log.clock = [this] { return now; };
    log.report = [this](const std::string&) { ++reports; };
  }
  void TearDown() override {
    log.EndLog();
    fs::remove_all(dir);
  }
  std::string get(const std::string& name) {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::string dir;
  basic::DateTime now{2024, 12, 31, 23, 59, 0};
  ClsLogger log;
  int reports = 0;
};

TEST_F(LoggerTest, DisabledWritesNothing) {
  EXPECT_EQ(log.getFileName(), "");
  log.InitLog();
  log.Log("x");
  log.EndLog();
  EXPECT_EQ(log.getFileName(), "");
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(LoggerTest, EndLogWithoutInitIsQuiet) {
  log.EndLog();
  log.EndLog();
  EXPECT_EQ(reports, 0);
}

TEST_F(LoggerTest, PassesAppendPerDayAndLinesAreFlushed) {
  log.logEnabled = true;
  log.InitLog();
  log.Log("first");
  EXPECT_EQ(get("20241231.LOG"), "first\r\n");  // visible before EndLog
  log.EndLog();
  log.InitLog();
  log.Log("");
  log.Log("second");
  now = {2025, 1, 1, 0, 0, 1};  // a pass that runs past midnight keeps its file
  log.Log("late");
  log.EndLog();
  EXPECT_EQ(get("20241231.LOG"), "first\r\n\r\nsecond\r\nlate\r\n");
  log.InitLog();
  EXPECT_EQ(log.getFileName(), "20250101.LOG");
  log.Log("new day Número");
  log.EndLog();
  EXPECT_EQ(get("20250101.LOG"), "new day N\xfamero\r\n");
  EXPECT_EQ(reports, 0);
}

TEST_F(LoggerTest, OpenFailureIsReportedOnceAndRunGoesOn) {
  *gDataFolder = dir + "/missing/";
  log.logEnabled = true;
  log.InitLog();
  log.Log("a");
  log.Log("b");
  log.EndLog();
  EXPECT_EQ(reports, 1);
  EXPECT_TRUE(log.failed());
  EXPECT_EQ(log.getFileName(), "20241231.LOG");
}

TEST_F(LoggerTest, WriteFailureIsReportedOnceAndLeavesOnlyWholeLines) {
  // A file-size limit inside the second line (SIGXFSZ ignored: the write fails with EFBIG).
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{5, 5};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
    log.logEnabled = true;
    log.InitLog();
    log.Log("a");
    log.Log("bcdef");
    log.Log("c");
    log.EndLog();
    _exit(reports);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(get("20241231.LOG"), "a\r\n");
}

}  // namespace
