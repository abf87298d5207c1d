// Every store file is read whole only up to a size fitting its records (with a wide margin):
// one byte more and the load refuses it without reading it, says why, and no save writes over
// it. At the limit it is read as usual.
#include "core/ClsAuditoria.h"
#include "core/ClsClave.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/ClsUsers.h"
#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"
#include "core/StoreRows.h"
#include "core/tests/StoreFixtures.h"

#include <basekit/plainfile.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class StoreSizeLimit : public ::testing::Test {
 protected:
  ProgramObjects objects;  // the program-wide values of the test, fresh for each
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "storelimitXXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl + "/";
  }
  void TearDown() override { fs::remove_all(dir); }

  // A file of `size` bytes that starts with `head` (a sparse tail of zeros).
  void make(const std::string& path, const std::string& head, off_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
  }

  std::string dir;
};

// What one load found, whatever the store: the failure of a refused read (none: it was read)
// and the reason given; the save that follows, and whether it went through.
struct Outcome {
  std::optional<basekit::FileError> readFailure;
  std::string reason;
  bool saved = false;
};

struct Store {
  const char* name;
  size_t limit;
  std::string head;  // the start of a file of the current form
  std::function<Outcome(const std::string& path)> loadAndSave;
};

// For the stores that tell only whether a file was refused: the refusal a size over the
// limit is.
const std::optional<basekit::FileError> kReadAll;
const std::optional<basekit::FileError> kTooLarge =
    basekit::FileError::refusal(basekit::FileFault::TooLarge, "");

template <class T>
Outcome statusOf(T& store, bool saved) {
  return {store.status().readFailure, store.status().message, saved};
}

std::vector<Store> allStores() {
  using storefixture::Bytes;
  return {
      {"velta002.dat", ClsListaRelojes::kMaxFileBytes, Bytes().i16(ClsListaRelojes::kVersion).b,
       [](const std::string& p) {
         ClsListaRelojes s;
         s.Iniciar(p);
         (void)s.CargarRelojes();
         const bool saved = s.GrabarRelojes().ok;
         return statusOf(s, saved);
       }},
      {"EMPR.DAT", ClsListaEmpresas::kMaxFileBytes, Bytes().i16(ClsListaEmpresas::kVersion).b,
       [](const std::string& p) {
         ClsListaEmpresas s;
         s.Iniciar(p);
         (void)s.CargarEmpresas();
         const bool saved = s.GrabarEmpresas().ok;
         return statusOf(s, saved);
       }},
      {"VELTA.DAT", ClsUsers::kMaxFileBytes, Bytes().i16(ClsUsers::kVersion).i16(1).b,
       [](const std::string& p) {
         ClsUsers s;
         s.Iniciar(p);
         (void)s.CargarUsers();
         const bool saved = s.GrabarUsers().ok;
         return statusOf(s, saved);
       }},
      {"VELTA.TAR", ClsTarjetas::kMaxFileBytes, Bytes().i16(ClsTarjetas::kVersion).b,
       [](const std::string& p) {
         ClsTarjetas s;
         s.Iniciar(p);
         (void)s.CargarTarjetas();
         StoreRowVector none;
         const bool saved = s.GrabarTarjetas(none, 1).ok;
         return statusOf(s, saved);
       }},
      {"VELTA.AUD", ClsAuditoria::kMaxFileBytes, Bytes().i16(ClsAuditoria::kVersion).b,
       [](const std::string& p) {
         ClsAuditoria s;
         s.Iniciar(p);
         StoreRowVector rows;
         s.GetRecords(rows);
         return Outcome{s.readError().empty() ? kReadAll : kTooLarge, s.readError(), false};
       }},
      {"password record", ClsClave::kMaxFileBytes, "",
       [](const std::string& p) {
         ClsClave s;
         s.Init(p);
         return Outcome{s.LoadPsw() == -1 ? kTooLarge : kReadAll, "", false};
       }},
  };
}

TEST_F(StoreSizeLimit, JustOverTheLimitIsRefusedAndKept) {
  for (const Store& store : allStores()) {
    SCOPED_TRACE(store.name);
    const std::string path = dir + store.name;
    // At the limit: read (whatever it holds), not refused.
    if (store.limit <= (size_t{4} << 20)) {
      make(path, store.head, static_cast<off_t>(store.limit));
      EXPECT_FALSE(store.loadAndSave(path).readFailure);
      fs::remove(path + ".unreadable");  // the zeros past the records, kept aside by the save
    }
    // One byte over: refused, named, and left exactly as it was.
    make(path, store.head, static_cast<off_t>(store.limit + 1));
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const Outcome o = store.loadAndSave(path);
    ASSERT_TRUE(o.readFailure);
    EXPECT_EQ(o.readFailure->kind, basekit::FileFault::TooLarge);
    if (!o.reason.empty()) {
      EXPECT_NE(o.reason.find(path), std::string::npos) << o.reason;
    }
    // A refused save says so in the settings' language (Spanish without settings); the audit
    // log and the password record have no save here.
    const std::string name = store.name;
    if (name != "VELTA.AUD" && name != "password record") {
      EXPECT_EQ(o.reason, GetExtraMsg(ExtraMsg::TooLarge, {path}));
    }
    EXPECT_FALSE(o.saved);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_FALSE(fs::exists(path + ".unreadable"));
    fs::remove(path);
  }
}

// A folder or a FIFO under a record store's name is no missing file: the load refuses it as
// an unreadable one (the reason says what it is), and no save renames a new file over it.
TEST_F(StoreSizeLimit, WhatIsNoPlainFileIsRefusedAsUnreadableAndKept) {
  for (const Store& store : allStores()) {
    const std::string name = store.name;
    if (name == "VELTA.AUD" || name == "password record") continue;
    for (const bool folder : {true, false}) {
      SCOPED_TRACE(name + (folder ? ", a folder" : ", a FIFO"));
      const std::string path = dir + name;
      if (folder) {
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
      } else {
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
      }
      struct stat before {};
      ASSERT_EQ(::lstat(path.c_str(), &before), 0);
      const Outcome o = store.loadAndSave(path);
      ASSERT_TRUE(o.readFailure);
      EXPECT_EQ(o.readFailure->kind,
                folder ? basekit::FileFault::System : basekit::FileFault::NotPlainFile);
      EXPECT_EQ(o.readFailure->err, folder ? EISDIR : 0);
      EXPECT_EQ(o.reason,
                GetExtraMsg(ExtraMsg::KeepAsideFailed, {path, fileReason(*o.readFailure)}));
      EXPECT_FALSE(o.saved);
      struct stat after {};
      ASSERT_EQ(::lstat(path.c_str(), &after), 0);
      EXPECT_EQ(after.st_ino, before.st_ino);
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_FALSE(fs::exists(path + ".unreadable"));
      fs::remove(path);
    }
  }
}

}  // namespace
