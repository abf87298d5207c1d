#include "tempdir.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace basekit;

namespace {
mode_t modeOf(const std::string& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mode & 07777;
}
size_t entries(const std::string& dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}
}  // namespace

TEST(AtomicFile, NewFileGetsModeReplacedFileKeepsIt) {
  TempDir d;
  const std::string f = d.file("a.dat");
  ASSERT_TRUE(replaceFileAtomically(f, "one", nullptr, 0640));
  EXPECT_EQ(modeOf(f), 0640u);
  chmod(f.c_str(), 0604);
  ASSERT_TRUE(replaceFileAtomically(f, "two"));
  EXPECT_EQ(modeOf(f), 0604u);
  std::string got;
  ASSERT_TRUE(readWholeFile(f, got));
  EXPECT_EQ(got, "two");
  EXPECT_EQ(entries(d.path), 1u);
}

TEST(AtomicFile, ALinkIsRefusedEvenOnePlantedWhileTheSaveRuns) {
  TempDir d;
  std::filesystem::create_directory(d.file("real"));
  const std::string target = d.file("real/VELTA.INI");
  ASSERT_TRUE(replaceFileAtomically(target, "old", nullptr, 0640));
  const std::string link = d.file("VELTA.INI");
  ASSERT_EQ(symlink("real/VELTA.INI", link.c_str()), 0);
  FileError error;
  EXPECT_FALSE(replaceFileAtomically(link, "new", &error));
  EXPECT_EQ(error.path, link);
  EXPECT_EQ(error.kind, FileFault::SymbolicLink);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  std::string got;
  ASSERT_TRUE(readWholeFile(target, got));
  EXPECT_EQ(got, "old");
  EXPECT_EQ(modeOf(target), 0640u);
  EXPECT_EQ(entries(d.path), 2u);
  EXPECT_EQ(entries(d.file("real")), 1u);

  // A plain file swapped for a link after the check: the rename replaces the link itself.
  static std::string swapped, swappedTo;
  swapped = d.file("VELTA.DAT");
  swappedTo = target;
  ASSERT_TRUE(replaceFileAtomically(swapped, "plain"));
  basekit::testing::setStepHook([](std::string_view step) {
    if (step != "written") return;
    ::unlink(swapped.c_str());
    ASSERT_EQ(::symlink(swappedTo.c_str(), swapped.c_str()), 0);
  });
  const bool saved = replaceFileAtomically(swapped, "saved");
  basekit::testing::setStepHook(nullptr);
  EXPECT_TRUE(saved);
  EXPECT_FALSE(std::filesystem::is_symlink(swapped));
  ASSERT_TRUE(readWholeFile(swapped, got));
  EXPECT_EQ(got, "saved");
  ASSERT_TRUE(readWholeFile(target, got));
  EXPECT_EQ(got, "old");
}

TEST(AtomicFile, FailedWriteKeepsOldFileAndRemovesTemp) {
  TempDir d;
  const std::string f = d.file("a.dat");
  ASSERT_TRUE(replaceFileAtomically(f, "old content"));
  basekit::testing::failNextReplace(ENOSPC, 3);
  FileError error;
  EXPECT_FALSE(replaceFileAtomically(f, "new content", &error));
  EXPECT_EQ(error.err, ENOSPC);
  EXPECT_EQ(error.path, f);
  std::string got;
  ASSERT_TRUE(readWholeFile(f, got));
  EXPECT_EQ(got, "old content");
  EXPECT_EQ(entries(d.path), 1u);
  EXPECT_TRUE(replaceFileAtomically(f, "new content"));  // the seam fires once
}

TEST(AtomicFile, UnwritablePlacesAndMissingFiles) {
  TempDir d;
  ASSERT_TRUE(replaceFileAtomically(d.file("plain"), "x"));
  FileError error;
  std::string got;
  EXPECT_FALSE(replaceFileAtomically(d.file("plain/under"), "x", &error));
  EXPECT_EQ(error.err, ENOTDIR);
  EXPECT_FALSE(replaceFileAtomically(d.path, "x", &error));  // a folder is not replaced
  EXPECT_EQ(error.err, EISDIR);
  EXPECT_FALSE(readWholeFile(d.file("missing"), got, &error));
  EXPECT_EQ(error.err, ENOENT);
  EXPECT_FALSE(readWholeFile(d.path, got));
}

TEST(AtomicFile, NewFileModeHonoursTheUmask) {
  TempDir d;
  const mode_t old = umask(027);
  const bool written = replaceFileAtomically(d.file("a.dat"), "x");
  const bool secret = replaceFileAtomically(d.file("b.dat"), "x", nullptr, 0600);
  umask(old);
  ASSERT_TRUE(written && secret);
  EXPECT_EQ(modeOf(d.file("a.dat")), 0640u);
  EXPECT_EQ(modeOf(d.file("b.dat")), 0600u);
}

TEST(AtomicFile, ATemporaryLeftByAKilledSaveGoesAtTheNextSave) {
  TempDir d;
  const std::string f = d.file("VELTA.DAT");
  ASSERT_TRUE(replaceFileAtomically(f, "old"));
  // Not ours, or of a writer that may still be at work (pid 1 never ends): kept.
  for (const char* other : {"VELTA.DAT.tmpAbCdEf", "VELTA.DAT.velta-tmp.1.AbCdEf"})
    ASSERT_TRUE(replaceFileAtomically(d.file(other), "other"));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    basekit::testing::setStepHook([](std::string_view step) {
      if (step == "written") _exit(0);
    });
    replaceFileAtomically(f, "torn away");
    _exit(1);  // the hook did not fire
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::string leftover = d.file("VELTA.DAT.velta-tmp." + std::to_string(child) + ".");
  size_t leftovers = 0;
  for (auto& e : std::filesystem::directory_iterator(d.path))
    leftovers += e.path().string().rfind(leftover, 0) == 0;
  EXPECT_EQ(leftovers, 1u);
  std::string got;
  ASSERT_TRUE(readWholeFile(f, got));
  EXPECT_EQ(got, "old");

  ASSERT_TRUE(replaceFileAtomically(f, "new"));
  ASSERT_TRUE(readWholeFile(f, got));
  EXPECT_EQ(got, "new");
  EXPECT_EQ(entries(d.path), 3u);  // the file and the two that are not stale
}

TEST(AtomicFile, ThreadsReplacingOneFileNeverTakeEachOthersTemporary) {
  TempDir d;
  const std::filesystem::path back = std::filesystem::current_path();
  std::filesystem::current_path(d.path);  // a relative path, as the stores in the data folder use
  std::atomic<int> failures{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([&failures, t] {
      for (int i = 0; i < 200; ++i)
        if (!replaceFileAtomically("VELTA.DAT", std::string(100, char('a' + t)))) ++failures;
    });
  for (std::thread& w : writers) w.join();
  std::filesystem::current_path(back);
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(entries(d.path), 1u);
}

// A whole-file read is bounded: the size is checked before anything is read, and each kind of
// failure is told apart by its kind (missing, too large, there but unreadable).
TEST(AtomicFile, ReadWholeFileRefusesWhatItCannotOrShouldNotRead) {
  TempDir d;
  ASSERT_TRUE(replaceFileAtomically(d.file("ten"), "0123456789"));
  ASSERT_EQ(::mkfifo(d.file("fifo").c_str(), 0600), 0);  // would block a plain open
  ASSERT_TRUE(replaceFileAtomically(d.file("huge"), "x"));
  ASSERT_EQ(::truncate(d.file("huge").c_str(), off_t{1} << 30), 0);
  struct Case {
    const char* name;
    size_t limit;
    bool read;
    FileFault kind;
    int err;
  };
  const Case cases[] = {
      {"ten", 10, true, FileFault::System, 0},
      {"ten", 9, false, FileFault::TooLarge, 0},
      {"huge", kDefaultReadLimit, false, FileFault::TooLarge, 0},
      {"missing", 10, false, FileFault::System, ENOENT},
      {"", 10, false, FileFault::System, EISDIR},
      {"fifo", 10, false, FileFault::NotPlainFile, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " limit " + std::to_string(c.limit));
    std::string got = "stale";
    FileError error;
    const bool read = readWholeFile(d.file(c.name), got, &error, c.limit);
    EXPECT_EQ(read, c.read);
    if (c.read) {
      EXPECT_EQ(got, "0123456789");
      continue;
    }
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.err, c.err);
    EXPECT_EQ(error.path, d.file(c.name));
  }
}

// A rewrite of what was read (a trim) replaces only the very file read, with its mode: a file
// renamed in under the name while the rewrite ran keeps its bytes and its mode, and the rewrite
// is left for the next time.
TEST(AtomicFile, ARewriteReplacesOnlyTheFileItReadWithItsMode) {
  TempDir d;
  const std::string console = d.file("CONSOLE.MIR");
  ASSERT_TRUE(replaceFileAtomicallyWithMode(console, "secret\n", 0600));
  {
    ReadingFile read;
    ASSERT_TRUE(read.open(console));
    // Under the name meanwhile: a wider file than the one read.
    ASSERT_TRUE(replaceFileAtomicallyWithMode(d.file("other"), "other\n", 0644));
    ASSERT_EQ(::rename(d.file("other").c_str(), console.c_str()), 0);
    FileError error;
    EXPECT_FALSE(replaceReadFile(read, "trimmed\n", &error));
    EXPECT_EQ(error.kind, FileFault::ReplacedWhileRead);
    EXPECT_EQ(error.path, console);
    std::string got;
    ASSERT_TRUE(readWholeFile(console, got));
    EXPECT_EQ(got, "other\n");
    EXPECT_EQ(modeOf(console), 0644u);
    EXPECT_EQ(entries(d.path), 1u) << "no temporary left";
  }
  // Swapped in while the temporary was written, after the first look: the last look catches it.
  ASSERT_TRUE(replaceFileAtomicallyWithMode(console, "secret\n", 0600));
  static std::string swapIn, swapTarget;
  swapIn = d.file("late");
  swapTarget = console;
  ReadingFile read;
  ASSERT_TRUE(read.open(console));
  ASSERT_TRUE(replaceFileAtomicallyWithMode(swapIn, "late\n", 0644));
  basekit::testing::setStepHook([](std::string_view step) {
    if (step == "written") ::rename(swapIn.c_str(), swapTarget.c_str());
  });
  FileError error;
  const bool replaced = replaceReadFile(read, "trimmed\n", &error);
  basekit::testing::setStepHook(nullptr);
  EXPECT_FALSE(replaced);
  EXPECT_EQ(error.kind, FileFault::ReplacedWhileRead);
  std::string got;
  ASSERT_TRUE(readWholeFile(console, got));
  EXPECT_EQ(got, "late\n");
  // The name still the file read: replaced, with the read descriptor's mode (a chmod on it
  // since the open included), never the umask's or the new name's.
  ASSERT_TRUE(replaceFileAtomicallyWithMode(console, "secret\n", 0640));
  ReadingFile again;
  ASSERT_TRUE(again.open(console));
  ASSERT_EQ(::fchmod(again.fd(), 0600), 0);
  EXPECT_TRUE(replaceReadFile(again, "trimmed\n"));
  ASSERT_TRUE(readWholeFile(console, got));
  EXPECT_EQ(got, "trimmed\n");
  EXPECT_EQ(modeOf(console), 0600u);
}
