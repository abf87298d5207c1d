// QCvt loaded from the built add-in with dlopen/dlsym, as the main program binds it, run
// in a temporary folder holding the lookup file (each test is its own process under ctest).
#include "V2000Cvt.h"

#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

QCvtFunction loadQCvt() {
  static QCvtFunction fn = [] {
    void* lib =
        dlopen(clocklink::testing::peerPath(V2000CVT_LIBRARY).c_str(), RTLD_NOW | RTLD_LOCAL);
    return lib ? reinterpret_cast<QCvtFunction>(dlsym(lib, "QCvt")) : nullptr;
  }();
  return fn;
}

const std::string kLookup =
    "00123 CLI001\n"
    "00123 DUPL02\n"        // same key again: the first line wins
    "00456 xy\n"            // 8 characters: a 2-character code, not upper-cased
    "00077 A\r\n"           // 7 characters once the CR is gone: skipped
    "123456789012\n"        // key 12345 (five characters), code 789012
    "00789 QRSTUVWXYZ\r\n"  // code limited to six characters
    "0042\n";

class QCvtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(loadQCvt(), nullptr) << dlerror();
    char tmpl[] = "/tmp/qcvt-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_dir = tmpl;
    m_oldCwd = fs::current_path();
    fs::current_path(m_dir);
  }
  void TearDown() override {
    fs::current_path(m_oldCwd);
    fs::remove_all(m_dir);
  }
  static void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }
  int32_t convert(const std::string& input, const std::string& lookup = kLookup) {
    write("in.txt", input);
    write("BRIVANO.TXT", lookup);
    return loadQCvt()(("in.txt"), "CVT_in.txt", " ");
  }

  fs::path m_dir, m_oldCwd;
};

struct Case {
  const char* name;
  std::string input;
  int32_t result;
  std::string output;
};

const std::string kTail = "202403050807S0000001";  // 05/03/2024 08:07, clock 01, not 20

TEST_F(QCvtTest, ConvertsLines) {
  const Case cases[] = {
      {"empty input", "", 1, ""},
      {"found", "123 05/03/2024 08:07 01 02\n", 1, "CLI001" + kTail + "\r\n"},
      {"description ignored, no last LF", "123 05/03/2024 08:07 01 02 VISITA", 1,
       "CLI001" + kTail + "\r\n"},
      {"leading zeros match", "0000123 05/03/2024 08:07 01 02\n", 1, "CLI001" + kTail + "\r\n"},
      {"8-character lookup line", "456 05/03/2024 08:07 01 02\n", 1, "xy" + kTail + "\r\n"},
      {"code of six characters", "789 05/03/2024 08:07 01 02\n", 1, "QRSTUV" + kTail + "\r\n"},
      {"five-character key", "12345 05/03/2024 08:07 01 02\n", 1, "789012" + kTail + "\r\n"},
      {"six digits never match", "123456 05/03/2024 08:07 01 02\n", 0,
       " 123456" + kTail + " **ERROR\r\n"},
      {"unknown card, upper-cased", "998x 05/03/2024 08:07 01 02\n", 0,
       " 998X" + kTail + " **ERROR\r\n"},
      {"7-character lookup line skipped", "77 05/03/2024 08:07 01 02\n", 0,
       " 77" + kTail + " **ERROR\r\n"},
      {"card beyond 32 bits", "99999999999 05/03/2024 08:07 01 02\n", 0,
       " 99999999999" + kTail + " **ERROR\r\n"},
      {"error then found", "1 05/03/2024 08:07 01 02\n123 05/03/2024 08:07 01 02\n", 0,
       " 1" + kTail + " **ERROR\r\nCLI001" + kTail + "\r\n"},
      {"type 20", "123 05/03/2024 08:07 01 20\n", 1, "CLI001202403050807E0000001\r\n"},
      {"type 2", "123 05/03/2024 08:07 01 2\n", 1, "CLI001" + kTail + "\r\n"},
      {"type 02", "123 05/03/2024 08:07 01 02\n", 1, "CLI001" + kTail + "\r\n"},
      {"type 21", "123 05/03/2024 08:07 01 21\n", 1, "CLI001" + kTail + "\r\n"},
      {"type 201 uses two characters", "123 05/03/2024 08:07 01 201\n", 1,
       "CLI001202403050807E0000001\r\n"},
      {"type empty", "123 05/03/2024 08:07 01 \n", 1, "CLI001" + kTail + "\r\n"},
      {"CRLF input", "123 05/03/2024 08:07 01 02\r\n456 05/03/2024 08:07 01 02\r\n", 1,
       "CLI001" + kTail + "\r\nxy" + kTail + "\r\n"},
      {"Ctrl-Z ends the file", "123 05/03/2024 08:07 01 02\r\n\x1a\r\n", 1,
       "CLI001" + kTail + "\r\n"},
      {"time with seconds", "123 05/03/2024 08:07:30 01 02\n", 1, "CLI001202403050830S0000001\r\n"},
      {"time of one character", "123 05/03/2024 8 01 02\n", 1, "CLI001202403050808S0000001\r\n"},
      {"empty time", "123 05/03/2024  01 02\n", 1, "CLI001202403050000S0000001\r\n"},
      {"negative date and time parts", "123 -1/-2/-003 -5:-7 01 02\n", 1,
       "CLI001-003-2-1-05-07S0000001\r\n"},
      {"empty line", "\n", -2, ""},
      {"stops at a bad line", "123 05/03/2024 08:07 01 02\n\n123 05/03/2024 08:07 01 02\n", -2,
       "CLI001" + kTail + "\r\n"},
      {"three spaces only", "123 05/03/2024 08:07 01\n", -2, ""},
      {"two spaces make an empty date", "123  05/03/2024 08:07 01 02\n", -2, ""},
      {"short date", "123 5/3/2024 08:07 01 02\n", -2, ""},
      {"card 0", "0 05/03/2024 08:07 01 02\n", -2, ""},
      {"card letters", "ABC 05/03/2024 08:07 01 02\n", -2, ""},
      {"card negative", "-5 05/03/2024 08:07 01 02\n", -2, ""},
      {"card below 32 bits", "-99999999999 05/03/2024 08:07 01 02\n", -2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove("CVT_in.txt");
    EXPECT_EQ(convert(c.input), c.result);
    EXPECT_TRUE(fs::exists("CVT_in.txt"));
    EXPECT_EQ(read("CVT_in.txt"), c.output);
  }
}

TEST_F(QCvtTest, ClockField) {
  const std::pair<std::string, std::string> cases[] = {
      {"07", "0000007"},    {"12", "0000012"},
      {"00", "0000027"},    {"0k", "0000000"},
      {"-5", "0000022"},    {"0", "0000075"},
      {"", "0000075"},      {"0\x7f", "-000052"},
      {"0\x80", "0000203"}, {"99999999999", "2147483647"},
  };
  for (const auto& [clock, field] : cases) {
    SCOPED_TRACE(clock);
    fs::remove("CVT_in.txt");
    EXPECT_EQ(convert("123 05/03/2024 08:07 " + clock + " 02\n"), 1);
    EXPECT_EQ(read("CVT_in.txt"),
              "CLI00120240305"
              "0807S" +
                  field + "\r\n");
  }
}

TEST_F(QCvtTest, AppendsOnEveryRun) {
  write("CVT_in.txt", "kept\r\n");
  const std::string line = "CLI001" + kTail + "\r\n";
  EXPECT_EQ(convert("123 05/03/2024 08:07 01 02\n"), 1);
  EXPECT_EQ(convert("123 05/03/2024 08:07 01 02\n"), 1);
  EXPECT_EQ(read("CVT_in.txt"), "kept\r\n" + line + line);
}

TEST_F(QCvtTest, LongLineAndBackslashPaths) {
  fs::create_directory("sub");
  write("sub/in.txt", "123 05/03/2024 08:07 01 02 " + std::string(3 << 20, 'x') + "\n" +
                          "456 05/03/2024 08:07 01 20\n");
  write("BRIVANO.TXT", kLookup);
  EXPECT_EQ(loadQCvt()("sub\\in.txt", "sub\\CVT_in.txt", nullptr), 1);
  EXPECT_EQ(read("sub/CVT_in.txt"), "CLI001" + kTail + "\r\nxy202403050807E0000001\r\n");
}

TEST_F(QCvtTest, OpenFailures) {
  const std::string line = "123 05/03/2024 08:07 01 02\n";
  write("in.txt", line);
  write("BRIVANO.TXT", kLookup);
  fs::create_directory("folder");
  EXPECT_EQ(loadQCvt()("missing.txt", "out.txt", " "), -1);
  EXPECT_EQ(loadQCvt()("folder", "out.txt", " "), -1);
  EXPECT_EQ(loadQCvt()(nullptr, "out.txt", " "), -1);
  EXPECT_EQ(loadQCvt()("in.txt", "nofolder/out.txt", " "), -1);
  EXPECT_EQ(loadQCvt()("in.txt", "folder", " "), -1);
  EXPECT_FALSE(fs::exists("out.txt"));

  fs::remove("BRIVANO.TXT");
  EXPECT_EQ(loadQCvt()("in.txt", "out.txt", " "), -1);
  fs::create_directory("BRIVANO.TXT");
  EXPECT_EQ(loadQCvt()("in.txt", "out.txt", " "), -1);
  EXPECT_FALSE(fs::exists("out.txt"));
}

TEST_F(QCvtTest, FileFailures) {
  write("in.txt", "123 05/03/2024 08:07 01 02\n");
  write("BRIVANO.TXT", kLookup);
  // Offset 0 of a process's own memory is unmapped: the read fails.
  EXPECT_EQ(loadQCvt()("/proc/self/mem", "out.txt", " "), -3);
}

// An output name that is no plain file takes no line and the run says it could not open it:
// a device would swallow the lines (or fail every write), a FIFO's reader would take them
// elsewhere, and either way the run would report success.
TEST_F(QCvtTest, AnOutputThatIsNoPlainFileIsRefusedAtTheOpen) {
  write("in.txt", "123 05/03/2024 08:07 01 02\n");
  write("BRIVANO.TXT", kLookup);
  ASSERT_EQ(::mkfifo("fifo.txt", 0644), 0);
  const int reader = ::open("fifo.txt", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  for (const char* out : {"/dev/null", "/dev/full", "fifo.txt"}) {
    SCOPED_TRACE(out);
    EXPECT_EQ(loadQCvt()("in.txt", out, " "), -1);
  }
  char buf[64];
  EXPECT_LE(::read(reader, buf, sizeof buf), 0) << "nothing reached the reader";
  ::close(reader);
}

TEST_F(QCvtTest, AnOutputThatIsALinkIsNeverWrittenThrough) {
  write("elsewhere.txt", "system file\n");
  fs::permissions("elsewhere.txt",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  const auto before = fs::last_write_time("elsewhere.txt");
  for (const char* target : {"elsewhere.txt", "missing.txt"}) {
    SCOPED_TRACE(target);
    fs::remove("CVT_in.txt");
    fs::create_symlink(fs::absolute(target), "CVT_in.txt");
    EXPECT_EQ(convert("123 05/03/2024 08:07 01 02\n"), -1);
    EXPECT_TRUE(fs::is_symlink("CVT_in.txt"));
  }
  EXPECT_EQ(read("elsewhere.txt"), "system file\n");
  EXPECT_EQ(fs::status("elsewhere.txt").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  EXPECT_EQ(fs::last_write_time("elsewhere.txt"), before);
  EXPECT_FALSE(fs::exists("missing.txt"));
}

// A punch or lookup file that is no plain file is not read: no link followed, no FIFO read
// (its writer would have the line converted). An output with a second name (another file's) is
// not appended to.
TEST_F(QCvtTest, InputsThatAreNoPlainFilesAndAnOutputOfTwoNamesAreRefused) {
  const std::string line = "123 05/03/2024 08:07 01 02\n";
  write("elsewhere.txt", line);
  write("BRIVANO.TXT", kLookup);
  fs::create_symlink(fs::absolute("elsewhere.txt"), "linked.txt");
  EXPECT_EQ(loadQCvt()("linked.txt", "out.txt", " "), -1);

  write("in.txt", line);
  fs::rename("BRIVANO.TXT", "lookup.txt");
  fs::create_symlink(fs::absolute("lookup.txt"), "BRIVANO.TXT");
  EXPECT_EQ(loadQCvt()("in.txt", "out.txt", " "), -1);
  fs::remove("BRIVANO.TXT");
  fs::rename("lookup.txt", "BRIVANO.TXT");

  std::signal(SIGPIPE, SIG_IGN);  // the writer may write after the reader has gone
  ASSERT_EQ(::mkfifo("fifo.txt", 0644), 0);
  std::thread writer([&line] {
    const int fd = ::open("fifo.txt", O_WRONLY | O_CLOEXEC);  // waits for a reader
    if (fd < 0) return;
    (void)!::write(fd, line.data(), line.size());
    ::close(fd);
  });
  EXPECT_EQ(loadQCvt()("fifo.txt", "out.txt", " "), -1);
  const int reader = ::open("fifo.txt", O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // lets it go
  writer.join();
  ::close(reader);
  EXPECT_FALSE(fs::exists("out.txt"));

  write("outside.txt", "kept\r\n");
  fs::create_hard_link("outside.txt", "CVT_in.txt");
  EXPECT_EQ(convert(line), -1);
  EXPECT_EQ(read("outside.txt"), "kept\r\n");
}

TEST_F(QCvtTest, AWriteCutShortByAFileSizeLimitLeavesOnlyWholeLines) {
  write("CVT_in.txt", "kept\r\n");
  write("in.txt", "123 05/03/2024 08:07 01 02\n456 05/03/2024 08:07 01 20\n");
  write("BRIVANO.TXT", kLookup);
  // The limit falls inside the second converted line; SIGXFSZ ignored, so the write fails.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{6 + 30, 6 + 30};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
    _exit(loadQCvt()("in.txt", "CVT_in.txt", " ") == -3 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write must give -3";
  EXPECT_EQ(read("CVT_in.txt"), "kept\r\n");
}

}  // namespace
