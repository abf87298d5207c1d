#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>

#include "tempdir.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace basekit;

namespace {

std::string contents(const std::string& path) {
  std::string out;
  readWholeFile(path, out);
  return out;
}

// A file outside the folder under test (or none), with a mode and, as root, an owner that a
// careless writer would change.
struct Outside {
  explicit Outside(bool exists) : exists(exists) {
    if (!exists) return;
    EXPECT_TRUE(replaceFileAtomically(target, "system file\n", nullptr, 0604));
    if (::geteuid() == 0) {
      EXPECT_EQ(::chown(target.c_str(), 4242, 4243), 0);
    }
    ::stat(target.c_str(), &before);
  }
  ::testing::AssertionResult unchanged() const {
    struct stat now {};
    const bool present = ::stat(target.c_str(), &now) == 0;
    if (!exists)
      return present ? ::testing::AssertionFailure() << "the target was created"
                     : ::testing::AssertionSuccess();
    if (!present) return ::testing::AssertionFailure() << "the target is gone";
    if (contents(target) != "system file\n")
      return ::testing::AssertionFailure() << "target holds '" << contents(target) << "'";
    if (now.st_ino != before.st_ino || now.st_mode != before.st_mode ||
        now.st_uid != before.st_uid || now.st_gid != before.st_gid ||
        now.st_mtim.tv_nsec != before.st_mtim.tv_nsec ||
        now.st_mtim.tv_sec != before.st_mtim.tv_sec)
      return ::testing::AssertionFailure() << "inode, mode, owner or time changed";
    return ::testing::AssertionSuccess();
  }
  TempDir dir;
  std::string target = dir.file("passwd");
  bool exists;
  struct stat before {};
};

}  // namespace

TEST(PlainFile, EveryWriterRefusesALinkAndLeavesItsTargetAsItWas) {
  struct Writer {
    const char* name;
    std::function<bool(const std::string&, std::string*)> write;
  };
  const Writer writers[] = {
      {"append",
       [](const std::string& p, std::string* e) {
         PlainFile f;
         return f.open(p, 0666, e) && f.append("punch\r\n", e);
       }},
      {"touch", [](const std::string& p, std::string* e) { return touchPlainFile(p, e); }},
      {"replace",
       [](const std::string& p, std::string* e) { return replaceFileAtomically(p, "INI", e); }},
  };
  for (const Writer& w : writers) {
    for (const bool targetExists : {true, false}) {
      SCOPED_TRACE(std::string(w.name) + (targetExists ? ", existing target" : ", dangling"));
      Outside outside(targetExists);
      TempDir data;
      const std::string link = data.file("VELTA.INI");
      ASSERT_EQ(::symlink(outside.target.c_str(), link.c_str()), 0);
      std::string error;
      errno = 0;
      EXPECT_FALSE(w.write(link, &error));
      EXPECT_EQ(errno, ELOOP);
      EXPECT_NE(error.find(link), std::string::npos) << error;
      EXPECT_NE(error.find(symbolicLinkReason()), std::string::npos) << error;
      EXPECT_TRUE(outside.unchanged());
      EXPECT_TRUE(isSymbolicLink(link));
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.path),
                              std::filesystem::directory_iterator()),
                1)
          << "no temporary left beside the link";
    }
  }
}

// A second name (hard link) of a file outside the folder: appending to it, touching it or
// replacing it would write that file, or silently part it from the folder's name.
TEST(PlainFile, EveryWriterRefusesASecondNameAndLeavesTheOtherFileAsItWas) {
  const std::function<bool(const std::string&, std::string*)> writers[] = {
      [](const std::string& p, std::string* e) {
        PlainFile f;
        return f.open(p, 0666, e) && f.append("punch\r\n", e);
      },
      [](const std::string& p, std::string* e) { return touchPlainFile(p, e); },
      [](const std::string& p, std::string* e) { return replaceFileAtomically(p, "INI", e); },
  };
  int k = 0;
  for (const auto& write : writers) {
    SCOPED_TRACE("writer " + std::to_string(k++));
    Outside outside(true);
    TempDir data;
    const std::string second = data.file("R1.MIR");
    ASSERT_EQ(::link(outside.target.c_str(), second.c_str()), 0);
    ::stat(outside.target.c_str(), &outside.before);  // the link count is part of the inode
    std::string error;
    errno = 0;
    EXPECT_FALSE(write(second, &error));
    EXPECT_EQ(errno, kErrSecondName);
    EXPECT_NE(error.find(second), std::string::npos) << error;
    EXPECT_NE(error.find(secondNameReason()), std::string::npos) << error;
    EXPECT_TRUE(outside.unchanged());
  }
}

// Reading: a link, a FIFO, a folder or an oversized file is refused at the open, without
// blocking; lines come bounded, so a file without line ends costs no more than one line.
TEST(ReadingFile, RefusesWhatIsNoPlainFileAndBoundsEachLine) {
  TempDir d;
  ASSERT_TRUE(
      replaceFileAtomically(d.file("lines"), "one\r\ntwo\n" + std::string(100, 'x') + "\nlast"));
  ASSERT_EQ(::symlink(d.file("lines").c_str(), d.file("link").c_str()), 0);
  ASSERT_EQ(::mkfifo(d.file("fifo").c_str(), 0600), 0);
  struct Case {
    const char* name;
    size_t limit;
    int err;
    const char* reason;
  };
  const Case refused[] = {
      {"link", SIZE_MAX, ELOOP, "symbolic link"},
      {"fifo", SIZE_MAX, kErrNotPlainFile, "Not a plain file"},
      {"", SIZE_MAX, EISDIR, "Is a directory"},
      {"missing", SIZE_MAX, ENOENT, "No such file"},
      {"lines", 10, EFBIG, "more than the 10 bytes"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    ReadingFile f;
    std::string error;
    EXPECT_FALSE(f.open(d.file(c.name), c.limit, &error));
    EXPECT_EQ(errno, c.err);
    EXPECT_FALSE(f.isOpen());
    EXPECT_NE(error.find(d.file(c.name)), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }

  ReadingFile f;
  ASSERT_TRUE(f.open(d.file("lines")));
  std::string line;
  EXPECT_EQ(f.readLine(line, 10), ReadingFile::Line::Read);
  EXPECT_EQ(line, "one");
  EXPECT_EQ(f.offset(), 5);
  EXPECT_EQ(f.readLine(line, 10), ReadingFile::Line::Read);
  EXPECT_EQ(line, "two");
  EXPECT_EQ(f.readLine(line, 10), ReadingFile::Line::TooLong);
  EXPECT_EQ(line, std::string(10, 'x'));
  EXPECT_EQ(f.readLine(line, 10), ReadingFile::Line::Read);
  EXPECT_EQ(line, "last");
  EXPECT_EQ(f.readLine(line, 10), ReadingFile::Line::End);
  ASSERT_TRUE(f.seek(5));
  EXPECT_EQ(f.readLine(line, 10), ReadingFile::Line::Read);
  EXPECT_EQ(line, "two");
}

TEST(PlainFile, AFolderOnTheWayMayBeALink) {
  TempDir d;
  std::filesystem::create_directory(d.file("real"));
  ASSERT_EQ(::symlink("real", d.file("data").c_str()), 0);
  PlainFile f;
  ASSERT_TRUE(f.open(d.file("data/REGIS.MIR")));
  EXPECT_TRUE(f.created());
  ASSERT_TRUE(f.append("a\r\n") && f.sync() && f.close());
  ASSERT_TRUE(f.open(d.file("data/REGIS.MIR")));
  EXPECT_FALSE(f.created());
  ASSERT_TRUE(f.append("b\r\n") && f.close());
  ASSERT_TRUE(replaceFileAtomically(d.file("data/VELTA.INI"), "x"));
  EXPECT_EQ(contents(d.file("real/REGIS.MIR")), "a\r\nb\r\n");
  EXPECT_EQ(contents(d.file("real/VELTA.INI")), "x");
}

TEST(PlainFile, AnAppendCutShortByAFileSizeLimitLeavesTheOldLength) {
  // The limit falls inside the second line: the kernel writes part of it, then EFBIG.
  TempDir d;
  const std::string f = d.file("REGIS.MIR");
  const std::string first = "10136 01/03/2026 08:00 01 01\r\n";
  const std::string second = "10137 01/03/2026 08:01 01 01\r\n";
  ASSERT_TRUE(replaceFileAtomically(f, first));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{first.size() + 12, first.size() + 12};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    PlainFile file;
    std::string error;
    if (!file.open(f, 0666, &error)) _exit(4);
    if (file.append(second, &error)) _exit(1);
    if (errno != EFBIG || error.find("File too large") == std::string::npos) _exit(2);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported written, 2: wrong reason, 3/4: set-up";
  EXPECT_EQ(contents(f), first);
}

TEST(PlainFile, APipeWithoutAReaderFailsAtOnce) {
  TempDir d;
  const std::string fifo = d.file("CONSOLE.MIR");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  PlainFile f;
  std::string error;
  EXPECT_FALSE(f.open(fifo, 0666, &error));  // instead of blocking for ever
  EXPECT_EQ(errno, ENXIO);
  EXPECT_EQ(error.rfind(fifo + ": ", 0), 0u) << error;
}

TEST(PlainFile, NewFileModeHonoursTheUmaskAndFailuresNameTheFile) {
  TempDir d;
  const mode_t old = umask(027);
  const bool made = touchPlainFile(d.file("OK.TMP"));
  umask(old);
  ASSERT_TRUE(made);
  struct stat st {};
  ASSERT_EQ(::stat(d.file("OK.TMP").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_size, 0);
  std::string error;
  EXPECT_FALSE(touchPlainFile(d.file("missing/OK.TMP"), &error));
  EXPECT_EQ(error, d.file("missing/OK.TMP") + ": No such file or directory");
  EXPECT_FALSE(touchPlainFile(d.path, &error));
  EXPECT_EQ(error, d.path + ": Is a directory");
}
