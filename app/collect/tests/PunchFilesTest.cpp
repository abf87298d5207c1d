// The punch files of one writing phase under a file-size limit: a write that fails part-way is
// cut back, so the file keeps only whole CR LF lines and the punches count as not written.
#include "collect/PunchFiles.h"

#include "core/MessagesExtra.h"
#include "testsupport/AppTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs one phase in a child whose file-size limit is `limit` bytes (SIGXFSZ ignored, so the
// write fails with EFBIG): 0 when finish() reported the failure, 1 when it reported success.
int phaseUnderLimit(const std::string& path, const std::vector<std::string>& lines, rlim_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit r{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(3);
    collect::PunchFiles files;
    for (const std::string& line : lines)
      if (!files.append(path, line)) _exit(0);
    if (files.finish()) _exit(1);
    _exit(files.error() == path + ": " + systemReason(EFBIG) ? 0 : 2);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

TEST(PunchFilesTest, AWriteCutShortByAFileSizeLimitLeavesOnlyWholeLines) {
  apptest::TempDataFolder folder;
  const std::string old = "10135 01/03/2026 07:59 01 01\r\n";
  const std::vector<std::string> lines = {"10136 01/03/2026 08:00 01 01",
                                          "10137 01/03/2026 08:01 01 01"};
  // The limit inside the first new line, and inside the second.
  for (const rlim_t extra : {rlim_t{10}, rlim_t{40}}) {
    SCOPED_TRACE(extra);
    folder.write("REGIS.MIR", old);
    EXPECT_EQ(phaseUnderLimit(folder.file("REGIS.MIR"), lines, old.size() + extra), 0);
    EXPECT_EQ(folder.read("REGIS.MIR"), old);
  }
  // The next pass, with room again, appends after the last whole line.
  collect::PunchFiles files;
  ASSERT_TRUE(files.append(folder.file("REGIS.MIR"), lines[0]));
  ASSERT_TRUE(files.finish());
  EXPECT_EQ(folder.read("REGIS.MIR"), old + lines[0] + "\r\n");
}

TEST(PunchFilesTest, ALargePhaseKeepsTheBlocksWrittenBeforeTheFailedOne) {
  // More than one write block: those written stay whole, the failed one goes entirely.
  apptest::TempDataFolder folder;
  const std::string line = "10136 01/03/2026 08:00 01 01";
  const std::vector<std::string> lines(5000, line);  // 150 000 bytes, three blocks
  EXPECT_EQ(phaseUnderLimit(folder.file("REGIS.MIR"), lines, 100000), 0);
  const std::string bytes = folder.read("REGIS.MIR");
  ASSERT_FALSE(bytes.empty());
  EXPECT_LT(bytes.size(), 100000u);
  const std::vector<std::string> kept = apptest::linesOf(bytes);
  EXPECT_EQ(bytes.size(), kept.size() * (line.size() + 2)) << "a line without its end";
  for (const std::string& k : kept) ASSERT_EQ(k, line);
}
