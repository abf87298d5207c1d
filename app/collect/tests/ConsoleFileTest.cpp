// CONSOLE.MIR through the file layer: what is no console file a console can show (a FIFO, a
// file far larger than one, a second name or a link of a file outside the folder) gives no
// rows and is never trimmed; the trim copies from the descriptor it counted and keeps that
// descriptor's mode, so a name changed in between gets nothing of the other file.
#include "collect/ConsoleFile.h"

#include "collect/testing/Hooks.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/MessagesExtra.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/PlantedLink.h"

#include <basekit/plainfile.h>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string kLines =
    "00100 01/12/2026 08:00 1 01 ANA\r\n00200 01/12/2026 08:01 1 01 BETO\r\n";

// A FIFO under the console's name, with a writer that hands `bytes` to every reader: a
// console that opened it as a file would get them as lines (and not hang). The writer is let
// go, and the FIFO removed, at the end.
class FedFifo {
 public:
  FedFifo(const std::string& path, std::string bytes) : m_path(path) {
    std::signal(SIGPIPE, SIG_IGN);  // a reader may be gone before the writer writes
    if (::mkfifo(path.c_str(), 0644) != 0) ADD_FAILURE() << "mkfifo failed";
    m_writer = std::thread([this, path, bytes] {
      while (!m_stop) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);  // waits for a reader
        if (fd < 0) return;
        if (!m_stop && ::write(fd, bytes.data(), bytes.size()) < 0) {
          // the reader went first; the next one gets them
        }
        ::close(fd);
      }
    });
  }
  ~FedFifo() {
    m_stop = true;
    // A reader of our own, held until the writer has seen the stop.
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_writer.join();
    if (fd >= 0) ::close(fd);
    std::remove(m_path.c_str());
  }

 private:
  std::string m_path;
  std::atomic<bool> m_stop{false};
  std::thread m_writer;
};

class ConsoleFileTest : public ::testing::Test {
 protected:
  void SetUp() override { apptest::objects().createSettings(); }
  void TearDown() override { collect::testing::setConsoleStepHook(nullptr); }
  mode_t modeOf(const std::string& name) {
    struct stat st {};
    return ::stat(folder.file(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  apptest::TempDataFolder folder;
  const std::string console = folder.file("CONSOLE.MIR");
  const collect::ConsoleSettings here{folder.path()};
};

}  // namespace

// A console file far over the console's bound is refused for reading, but the trim takes its
// last lines from its end (within the bound), so the file comes back to its size and the
// console shows its lines again; what is no console file at all is never trimmed.
TEST_F(ConsoleFileTest, WhatIsNoConsoleFileShowsNoRowsAndIsNeverTrimmed) {
  using Target = apptest::PlantedLink::Target;
  struct Case {
    const char* what;
    std::string reason;  // the refusal's reason, worded
  };
  const Case cases[] = {
      {"fifo", fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, {}))},
      {"1 GB sparse file", systemReason(EFBIG)},
      {"second name", fileReason(basekit::FileError::refusal(basekit::FileFault::SecondName, {}))},
      {"link", systemReason(ELOOP)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string what = c.what;
    std::unique_ptr<FedFifo> fifo;
    std::unique_ptr<apptest::PlantedLink> link;
    if (what == "fifo") {
      fifo = std::make_unique<FedFifo>(console, kLines);
    } else if (what == "1 GB sparse file") {
      const int fd = ::open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
      const std::string end = "\r\n" + std::string(kLines);
      ASSERT_EQ(::pwrite(fd, end.data(), end.size(), off_t{1} << 30),
                static_cast<ssize_t>(end.size()));
      ::close(fd);
    } else {
      link = std::make_unique<apptest::PlantedLink>(
          console, what == "link" ? Target::Existing : Target::SecondName);
    }
    for (int read = 0; read < 2; ++read) {  // the console's load and a refresh
      collect::ConsoleFile file;
      int32_t total = -1;
      EXPECT_TRUE(file.readNew(here, total).empty());
      EXPECT_EQ(total, -1);
      EXPECT_EQ(file.error(), console + ": " + c.reason);
    }
    std::string why;
    if (what == "1 GB sparse file") {
      EXPECT_TRUE(collect::DepurarConsola(folder.path(), 2, &why)) << why;
      EXPECT_EQ(folder.read("CONSOLE.MIR"), kLines);
      struct stat st {};
      ASSERT_EQ(::stat(console.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0600u) << "the trimmed file keeps the mode of the one read";
      collect::ConsoleFile file;
      int32_t total = -1;
      EXPECT_EQ(file.readNew(here, total).size(), 2u);
      EXPECT_EQ(file.error(), "");
      ASSERT_EQ(::stat(folder.file("CONS.TMP").c_str(), &st), 0);
      EXPECT_LE(st.st_size, static_cast<off_t>(collect::kMaxConsoleBytes));
      std::remove(console.c_str());
      std::remove(folder.file("CONS.TMP").c_str());
      continue;
    }
    EXPECT_FALSE(collect::DepurarConsola(folder.path(), 0, &why));
    EXPECT_EQ(why, console + ": " + c.reason);
    EXPECT_FALSE(folder.exists("CONS.TMP")) << "no copy of what is no console file";
    if (link) {
      EXPECT_TRUE(link->unchanged());
    }
    struct stat st {};
    ASSERT_EQ(::lstat(console.c_str(), &st), 0);
    if (fifo) {
      EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
    fifo.reset();
    link.reset();
    std::remove(console.c_str());
  }
}

TEST_F(ConsoleFileTest, TheTrimCopiesFromItsOwnDescriptorWithItsMode) {
  // An older copy readable by all does not make the copy of a private console readable.
  folder.write("CONSOLE.MIR", kLines + kLines);
  ASSERT_EQ(::chmod(console.c_str(), 0600), 0);
  folder.write("CONS.TMP", "older copy\r\n");
  ASSERT_EQ(::chmod(folder.file("CONS.TMP").c_str(), 0644), 0);
  EXPECT_TRUE(collect::DepurarConsola(folder.path(), 1));
  EXPECT_EQ(folder.read("CONS.TMP"), kLines + kLines);
  EXPECT_EQ(modeOf("CONS.TMP"), 0600u);
  EXPECT_EQ(folder.read("CONSOLE.MIR"), "00200 01/12/2026 08:01 1 01 BETO\r\n");
  EXPECT_EQ(modeOf("CONSOLE.MIR"), 0600u);

  // The name is given to a link to a file outside the folder once the file is open: the read
  // and the trim go on with the file they opened, and the trim replaces no link.
  folder.write("CONSOLE.MIR", kLines);
  ASSERT_EQ(::chmod(console.c_str(), 0640), 0);
  std::remove(folder.file("CONS.TMP").c_str());
  std::unique_ptr<apptest::PlantedLink> link;
  collect::testing::setConsoleStepHook([&](const char* step) {
    if (std::string(step) != "opened" || link) return;
    ASSERT_EQ(::rename(console.c_str(), folder.file("CONSOLE.OLD").c_str()), 0);
    link = std::make_unique<apptest::PlantedLink>(console);
  });
  collect::ConsoleFile file;
  int32_t total = 0;
  const auto rows = file.readNew(here, total);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].cells[5], "00200");
  ASSERT_TRUE(link);
  EXPECT_TRUE(link->unchanged());

  link.reset();
  std::remove(console.c_str());
  ASSERT_EQ(::rename(folder.file("CONSOLE.OLD").c_str(), console.c_str()), 0);
  std::string why;
  EXPECT_FALSE(collect::DepurarConsola(folder.path(), 1, &why));
  ASSERT_TRUE(link);
  EXPECT_EQ(why, console + ": " + systemReason(ELOOP));
  EXPECT_TRUE(link->unchanged());
  EXPECT_EQ(folder.read("CONS.TMP"), kLines) << "the copy is of the file that was counted";
  EXPECT_EQ(modeOf("CONS.TMP"), 0640u);
  EXPECT_EQ(folder.read("CONSOLE.OLD"), kLines);
}

// The console reads and trims the folder it is handed, with the card column of the settings it
// is handed, never the program's folder or settings.
TEST_F(ConsoleFileTest, ReadsAndTrimsTheFolderItIsHandedWithTheSettingsItIsHanded) {
  const std::string other = folder.file("other/");
  ASSERT_EQ(::mkdir(other.c_str(), 0755), 0);
  CardRecord ana;
  ana.version = ClsTarjetas::kVersion;
  ana.card = 100;
  ana.name = "Ana Virtual";
  {
    std::ofstream(other + "VELTA.TAR", std::ios::binary) << ClsTarjetas::encodeRecord(ana);
    std::ofstream(other + "CONSOLE.MIR", std::ios::binary) << kLines;
  }
  folder.write("CONSOLE.MIR", "00999 01/12/2026 07:00 1 01 OTRO\r\n");
  const collect::ConsoleSettings handed{other, 0, 1, 1};
  collect::ConsoleFile file;
  int32_t total = 0;
  const auto rows = file.readNew(handed, total);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(total, 2);
  EXPECT_EQ(rows[0].cells[6], "Ana Virtual");
  EXPECT_EQ(rows[1].cells[5], "00200");

  EXPECT_TRUE(collect::DepurarConsola(other, 1));
  EXPECT_EQ(apptest::linesOf(folder.read("other/CONSOLE.MIR")),
            std::vector<std::string>{"00200 01/12/2026 08:01 1 01 BETO"});
  EXPECT_EQ(folder.read("other/CONS.TMP"), kLines);
  EXPECT_FALSE(folder.exists("CONS.TMP"));
  EXPECT_EQ(folder.read("CONSOLE.MIR"), "00999 01/12/2026 07:00 1 01 OTRO\r\n");
}
