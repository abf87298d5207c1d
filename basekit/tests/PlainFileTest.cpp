#include "tempdir.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
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
    std::function<bool(const std::string&, FileError*)> write;
  };
  const Writer writers[] = {
      {"append",
       [](const std::string& p, FileError* e) {
         PlainFile f;
         return f.open(p, 0666, e) && f.append("punch\r\n", e);
       }},
      {"touch", [](const std::string& p, FileError* e) { return touchPlainFile(p, e); }},
      {"replace",
       [](const std::string& p, FileError* e) { return replaceFileAtomically(p, "INI", e); }},
  };
  for (const Writer& w : writers) {
    for (const bool targetExists : {true, false}) {
      SCOPED_TRACE(std::string(w.name) + (targetExists ? ", existing target" : ", dangling"));
      Outside outside(targetExists);
      TempDir data;
      const std::string link = data.file("VELTA.INI");
      ASSERT_EQ(::symlink(outside.target.c_str(), link.c_str()), 0);
      FileError error;
      EXPECT_FALSE(w.write(link, &error));
      EXPECT_EQ(error.path, link);
      EXPECT_EQ(error.kind, FileFault::SymbolicLink);
      EXPECT_TRUE(outside.unchanged());
      EXPECT_TRUE(std::filesystem::is_symlink(link));
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
  const std::function<bool(const std::string&, FileError*)> writers[] = {
      [](const std::string& p, FileError* e) {
        PlainFile f;
        return f.open(p, 0666, e) && f.append("punch\r\n", e);
      },
      [](const std::string& p, FileError* e) { return touchPlainFile(p, e); },
      [](const std::string& p, FileError* e) { return replaceFileAtomically(p, "INI", e); },
  };
  int k = 0;
  for (const auto& write : writers) {
    SCOPED_TRACE("writer " + std::to_string(k++));
    Outside outside(true);
    TempDir data;
    const std::string second = data.file("R1.MIR");
    ASSERT_EQ(::link(outside.target.c_str(), second.c_str()), 0);
    ::stat(outside.target.c_str(), &outside.before);  // the link count is part of the inode
    FileError error;
    EXPECT_FALSE(write(second, &error));
    EXPECT_EQ(error.path, second);
    EXPECT_EQ(error.kind, FileFault::SecondName);
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
    FileFault fault;
  };
  const Case refused[] = {
      {"link", SIZE_MAX, 0, FileFault::SymbolicLink},
      {"fifo", SIZE_MAX, 0, FileFault::NotPlainFile},
      {"", SIZE_MAX, EISDIR, FileFault::System},
      {"missing", SIZE_MAX, ENOENT, FileFault::System},
      {"lines", 10, 0, FileFault::TooLarge},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    ReadingFile f;
    FileError error;
    EXPECT_FALSE(f.open(d.file(c.name), c.limit, &error));
    EXPECT_FALSE(f.isOpen());
    EXPECT_EQ(error.err, c.err);
    EXPECT_EQ(error.kind, c.fault);
    EXPECT_EQ(error.missing(), c.err == ENOENT);
    EXPECT_EQ(error.path, d.file(c.name));
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
    FileError error;
    if (!file.open(f, 0666, &error)) _exit(4);
    if (file.append(second, &error)) _exit(1);
    if (error.kind != FileFault::System || error.err != EFBIG || error.path != f) _exit(2);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported written, 2: wrong reason, 3/4: set-up";
  EXPECT_EQ(contents(f), first);
}

// A FIFO under a data file's name takes nothing, whether somebody reads it or not: without a
// reader the open would block (or fail with ENXIO), with one every line would go to the reader.
// A device (/dev/null) is refused the same way; so is the lock file.
TEST(PlainFile, WhatIsNoPlainFileIsRefusedBeforeTheFirstByte) {
  TempDir d;
  const std::string fifo = d.file("CONSOLE.MIR");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const bool withReader : {false, true}) {
    SCOPED_TRACE(withReader ? "a reader behind it" : "no reader");
    const int reader = withReader ? ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    PlainFile f;
    FileError error;
    EXPECT_FALSE(f.open(fifo, 0666, &error));  // instead of blocking for ever
    EXPECT_EQ(error.kind, FileFault::NotPlainFile);
    EXPECT_EQ(error.path, fifo);
    EXPECT_FALSE(touchPlainFile(fifo));
    LockFile lock;
    EXPECT_EQ(lock.lock(fifo, LockFile::Mode::Exclusive, LockFile::Wait::No, &error),
              LockFile::Result::Failed);
    EXPECT_EQ(error.kind, FileFault::NotPlainFile);
    EXPECT_FALSE(lock.locked());
    if (reader >= 0) {
      char buf[16];
      EXPECT_EQ(::read(reader, buf, sizeof buf), 0) << "nothing reached it";
      ::close(reader);
    }
  }
  PlainFile device;
  FileError error;
  EXPECT_FALSE(device.open("/dev/null", 0666, &error));
  EXPECT_EQ(error.kind, FileFault::NotPlainFile);
}

// A file the operator picked to read may be reached through a link or by a second name; what
// is no plain file is refused all the same. A data file is never read through a link.
TEST(ReadingFile, TheOperatorsChoiceMayBeALinkButNotAFifo) {
  TempDir d;
  ASSERT_TRUE(replaceFileAtomically(d.file("R1.MIR"), "punch\r\n"));
  ASSERT_EQ(::symlink(d.file("R1.MIR").c_str(), d.file("linked.MIR").c_str()), 0);
  ASSERT_EQ(::link(d.file("R1.MIR").c_str(), d.file("second.MIR").c_str()), 0);
  ASSERT_EQ(::mkfifo(d.file("fifo").c_str(), 0600), 0);
  ASSERT_EQ(::symlink(d.file("fifo").c_str(), d.file("tofifo").c_str()), 0);
  std::string got;
  for (const char* name : {"linked.MIR", "second.MIR"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(readWholeFile(d.file(name), got, nullptr, 100, Follow::OperatorsChoice));
    EXPECT_EQ(got, "punch\r\n");
  }
  FileError error;
  EXPECT_FALSE(readWholeFile(d.file("linked.MIR"), got, &error));
  EXPECT_EQ(error.kind, FileFault::SymbolicLink);
  EXPECT_FALSE(readWholeFile(d.file("tofifo"), got, &error, 100, Follow::OperatorsChoice));
  EXPECT_EQ(error.kind, FileFault::NotPlainFile);
  EXPECT_FALSE(readWholeFile(d.file("R1.MIR"), got, &error, 3, Follow::OperatorsChoice));
  EXPECT_EQ(error.kind, FileFault::TooLarge);
}

// The end of a file too large to read whole, from a whole line on.
TEST(ReadingFile, ReadTailStartsOnAWholeLine) {
  TempDir d;
  ASSERT_TRUE(replaceFileAtomically(d.file("c"), "first\nsecond\nthird\n"));
  ReadingFile f;
  ASSERT_TRUE(f.open(d.file("c")));
  struct Case {
    size_t bytes;
    const char* tail;
  } cases[] = {{100, "first\nsecond\nthird\n"},
               {19, "first\nsecond\nthird\n"},
               {15, "second\nthird\n"},
               {13, "second\nthird\n"},
               {12, "third\n"},
               {6, "third\n"},
               {5, ""}};
  for (const Case& c : cases) {
    std::string tail;
    EXPECT_TRUE(f.readTail(tail, c.bytes));
    EXPECT_EQ(tail, c.tail) << c.bytes;
  }
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
  FileError error;
  EXPECT_FALSE(touchPlainFile(d.file("missing/OK.TMP"), &error));
  EXPECT_EQ(error.path, d.file("missing/OK.TMP"));
  EXPECT_EQ(error.err, ENOENT);
  EXPECT_FALSE(touchPlainFile(d.path, &error));
  EXPECT_EQ(error.path, d.path);
  EXPECT_EQ(error.err, EISDIR);
}

// A mark cuts the very file that was appended to back to its length, wherever its name went,
// and never the file that took the name since; a file no longer than the mark is left alone.
TEST(LengthMark, CutsBackTheFileAppendedToAndNoOther) {
  TempDir dir;
  const std::string path = dir.file("R1.MIR");
  ASSERT_TRUE(replaceFileAtomically(path, "old\r\n"));
  LengthMark mark;
  {
    PlainFile file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(mark.mark(file));
    ASSERT_TRUE(file.append("new 1\r\nnew 2\r\n"));
    ASSERT_TRUE(file.close());
  }
  EXPECT_EQ(mark.length(), 5);
  // Moved aside and another file put under the name: the cut follows the file, not the name.
  const std::string aside = dir.file("R1.OLD");
  ASSERT_EQ(::rename(path.c_str(), aside.c_str()), 0);
  ASSERT_TRUE(replaceFileAtomically(path, "another file\r\n"));
  ASSERT_TRUE(mark.cutBack());
  EXPECT_EQ(contents(aside), "old\r\n");
  EXPECT_EQ(contents(path), "another file\r\n");
  // Cut again, or shorter than the mark by now: nothing changes.
  ASSERT_EQ(::truncate(aside.c_str(), 2), 0);
  ASSERT_TRUE(mark.cutBack());
  EXPECT_EQ(contents(aside), "ol");

  LengthMark unopened;
  FileError error;
  EXPECT_FALSE(unopened.mark(PlainFile{}, &error));
  EXPECT_EQ(error.err, EBADF);
  EXPECT_FALSE(unopened.cutBack());
}

// The lock file owns its descriptor and its lock: a second holder is told apart from a failure
// and gets the lock once the first lets it go (by unlock or its end); a shared lock waits for
// nobody but an exclusive one.
TEST(LockFile, HoldsItsLockUntilItLetsGo) {
  TempDir d;
  const std::string path = d.file("VELTA.LCK");
  using M = LockFile::Mode;
  using W = LockFile::Wait;
  using R = LockFile::Result;
  {
    LockFile first;
    ASSERT_EQ(first.lock(path, M::Exclusive, W::No), R::Locked);
    EXPECT_TRUE(first.locked());
    LockFile second;
    FileError error;
    EXPECT_EQ(second.lock(path, M::Exclusive, W::No, &error), R::Held);
    EXPECT_FALSE(second.locked());
    EXPECT_EQ(second.lock(path, M::Shared, W::No), R::Held);
    first.unlock();
    EXPECT_FALSE(first.locked());
    EXPECT_EQ(second.lock(path, M::Shared, W::No), R::Locked);
    LockFile third;
    EXPECT_EQ(third.lock(path, M::Shared, W::UntilFree), R::Locked);
    EXPECT_EQ(first.lock(path, M::Exclusive, W::No), R::Held);
  }
  LockFile after;  // every holder above has ended
  EXPECT_EQ(after.lock(path, M::Exclusive, W::No), R::Locked);
}
