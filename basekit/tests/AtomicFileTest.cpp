#include "tempdir.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
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

// A replace takes the place only of what an append could write: before anything is written,
// something under the name that is no plain file (a FIFO, a device, a socket) is refused, and
// so is a plain file the caller may not open for writing even where the folder lets it rename
// (a user's replace of root's 0644 file). Each refused target is left as it was, with no
// temporary beside it.
TEST(AtomicFile, AReplaceRefusesWhatAnAppendCouldNotWrite) {
  TempDir d;
  ASSERT_EQ(::chmod(d.path.c_str(), 0777), 0);  // the folder is the other user's to write, too
  ASSERT_EQ(::mkfifo(d.file("fifo").c_str(), 0666), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::mknod(d.file("device").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  }
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockPath = d.file("socket");
  ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
  std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_TRUE(replaceFileAtomically(d.file("RO.MIR"), "root's\r\n", nullptr, 0644));
  ASSERT_EQ(::chmod(d.file("RO.MIR").c_str(), 0444), 0);  // unwritable for its owner too
  ASSERT_TRUE(replaceFileAtomicallyWithMode(d.file("R1.MIR"), "old\r\n", 0666));

  struct Case {
    const char* name;
    bool asOtherUser;  // run by a user who owns neither the file nor may write it
    bool replaced;
    FileFault kind;
    int err;
  };
  const Case cases[] = {
      {"fifo", false, false, FileFault::NotPlainFile, 0},
      {"device", false, false, FileFault::NotPlainFile, 0},
      {"socket", false, false, FileFault::NotPlainFile, 0},
      {"RO.MIR", true, false, FileFault::System, EACCES},
      {"R1.MIR", true, true, FileFault::System, 0},  // 0666: the other user may write it
      {"NEW.MIR", true, true, FileFault::System, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!root && std::string(c.name) == "device") continue;  // only root makes a device node
    const std::string target = d.file(c.name);
    struct stat before {};
    const bool existed = ::lstat(target.c_str(), &before) == 0;
    // Each replace runs in a child, so the refused user's identity never reaches this process.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      if (c.asOtherUser && root &&
          (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0))
        _exit(3);
      FileError error;
      const int answer[3] = {replaceFileAtomically(target, "new\r\n", &error) ? 1 : 0,
                             static_cast<int>(error.kind), error.err};
      _exit(::write(pipeFds[1], answer, sizeof answer) == sizeof answer ? 0 : 4);
    }
    ::close(pipeFds[1]);
    int answer[3] = {-1, -1, -1};
    const ssize_t got = ::read(pipeFds[0], answer, sizeof answer);
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child set-up failed";
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof answer));
    EXPECT_EQ(answer[0] == 1, c.replaced);
    if (!c.replaced) {
      EXPECT_EQ(static_cast<FileFault>(answer[1]), c.kind);
      EXPECT_EQ(answer[2], c.err);
    }
    struct stat after {};
    ASSERT_EQ(::lstat(target.c_str(), &after), 0);
    if (c.replaced) {
      std::string text;
      ASSERT_TRUE(readWholeFile(target, text));
      EXPECT_EQ(text, "new\r\n");
    } else {
      ASSERT_TRUE(existed);
      EXPECT_EQ(after.st_ino, before.st_ino) << "the target was replaced";
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_EQ(after.st_uid, before.st_uid);
    }
  }
  ::close(sock);
  std::string kept;
  ASSERT_TRUE(readWholeFile(d.file("RO.MIR"), kept));
  EXPECT_EQ(kept, "root's\r\n");
  for (auto& e : std::filesystem::directory_iterator(d.path))
    EXPECT_EQ(e.path().filename().string().find(".velta-tmp."), std::string::npos)
        << "a temporary was left: " << e.path();
}
