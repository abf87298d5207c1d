#include <basekit/atomicfile.h>
#include <basekit/testing/Hooks.h>
#include <basekit/plainfile.h>

#include "tempdir.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
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
  std::string error;
  EXPECT_FALSE(replaceFileAtomically(link, "new", &error));
  EXPECT_EQ(errno, ELOOP);
  EXPECT_EQ(error,
            "cannot replace '" + link + "': Is a symbolic link; data files must be plain files");
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
  std::string error;
  EXPECT_FALSE(replaceFileAtomically(f, "new content", &error));
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  std::string got;
  ASSERT_TRUE(readWholeFile(f, got));
  EXPECT_EQ(got, "old content");
  EXPECT_EQ(entries(d.path), 1u);
  EXPECT_TRUE(replaceFileAtomically(f, "new content"));  // the seam fires once
}

TEST(AtomicFile, UnwritablePlacesAndMissingFiles) {
  TempDir d;
  ASSERT_TRUE(replaceFileAtomically(d.file("plain"), "x"));
  std::string error, got;
  EXPECT_FALSE(replaceFileAtomically(d.file("plain/under"), "x", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(replaceFileAtomically(d.path, "x", &error));  // a folder is not replaced
  EXPECT_FALSE(readWholeFile(d.file("missing"), got, &error));
  EXPECT_NE(error.find("No such file"), std::string::npos);
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
// failure is told apart by errno (missing, too large, there but unreadable).
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
    int err;
    const char* reason;
  };
  const Case cases[] = {
      {"ten", 10, true, 0, ""},
      {"ten", 9, false, EFBIG, "more than the 9 bytes"},
      {"huge", kDefaultReadLimit, false, EFBIG, "1073741824 bytes"},
      {"missing", 10, false, ENOENT, "No such file"},
      {"", 10, false, EISDIR, "Is a directory"},
      {"fifo", 10, false, kErrNotPlainFile, "Not a plain file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " limit " + std::to_string(c.limit));
    std::string got = "stale", error;
    errno = 0;
    const bool read = readWholeFile(d.file(c.name), got, &error, c.limit);
    const int err = errno;
    EXPECT_EQ(read, c.read);
    if (c.read) {
      EXPECT_EQ(got, "0123456789");
      continue;
    }
    EXPECT_EQ(err, c.err);
    EXPECT_TRUE(got.empty());
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_NE(error.find(d.file(c.name)), std::string::npos) << error;
  }
}
