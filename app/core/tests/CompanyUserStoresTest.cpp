// Company and user stores: record forms, routing by card range, login rules, safe saves.
#include "core/ClsAuditoria.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsUsers.h"
#include "core/ProgramObjects.h"
#include "core/tests/StoreFixtures.h"

#include <basekit/atomicfile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

using storefixture::Bytes;
using storefixture::readFile;
using storefixture::writeFile;

namespace {

std::string companyOld(int inUse, int32_t from, int32_t to, const std::string& name,
                       const std::string& file) {
  return Bytes().i16(2).i16(inUse).i32(from).i32(to).s(name, 50).s(file, 20).s("C:\\OUT\\", 255).b;
}
std::string company(int version, int inUse, double from, double to, const std::string& name,
                    const std::string& file) {
  return Bytes()
      .i16(version)
      .i16(inUse)
      .f64(from)
      .f64(to)
      .s(name, 50)
      .s(file, 20)
      .s("C:\\OUT\\", 255)
      .b;
}
std::string user(int version, int code, const std::string& name, int32_t psw, int level) {
  return Bytes().i16(version).i16(code).s(name, 20).i32(psw).i16(level).b;
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velta-cu-XXXXXX";
    dir = std::string(mkdtemp(tmpl)) + "/";
  }
  void TearDown() override { fs::remove_all(dir); }
  ProgramObjects objects;  // the program-wide values of the test, fresh for each
  std::string dir;
};

using CompanyStore = TempDir;
using UserStore = TempDir;

}  // namespace

TEST_F(CompanyStore, OlderFormWidensAndSavesAsTheCurrentForm) {
  const std::string path = dir + "EMPR.DAT";
  writeFile(path, companyOld(1, 100, 199, "Norte", "NORTE.MIR") + companyOld(-1, 0, 0, "", "") +
                      companyOld(1, 200, 299, "Sur", "SUR.MIR"));
  ClsListaEmpresas e;
  e.Iniciar(path);
  EXPECT_EQ(e.CargarEmpresas(), StoreLoad::Loaded);
  EXPECT_EQ(e.mCount, 4);
  EXPECT_EQ(e.table()[3].desde, 200.0);
  EXPECT_EQ(e.table()[3].hasta, 299.0);
  EXPECT_EQ(e.table()[1].version, 7);
  ASSERT_TRUE(e.GrabarEmpresas().ok);
  const std::string saved = readFile(path);
  ASSERT_EQ(saved.size(), 100u * 345);
  EXPECT_EQ(saved.substr(0, 345), company(7, 1, 100, 199, "Norte", "NORTE.MIR"));
  EXPECT_EQ(saved.substr(2 * 345, 345), company(7, 1, 200, 299, "Sur", "SUR.MIR"));
  // The records loaded from the older form carry version 7, free ones included.
  for (int n = 0; n < 3; ++n) EXPECT_EQ(saved.substr(n * 345, 2), std::string("\x07\x00", 2)) << n;

  ClsListaEmpresas again;
  again.Iniciar(path);
  (void)again.CargarEmpresas();
  EXPECT_EQ(again.mCount, 101);
  EXPECT_EQ(again.table()[1].name.substr(0, 5), "Norte");
  EXPECT_EQ(again.table()[3].hasta, 299.0);
}

TEST_F(CompanyStore, CurrentFormLoadsWhateverRecordOneSaysButTwo) {
  const std::string path = dir + "EMPR.DAT";
  for (int version : {7, 3, 0}) {
    writeFile(path, company(version, version == 0 ? -1 : 1, 5, 6.5, "X", "X.MIR") +
                        company(3, 1, 10, 20, "Y", "Y.MIR"));
    ClsListaEmpresas e;
    e.Iniciar(path);
    (void)e.CargarEmpresas();
    EXPECT_EQ(e.mCount, 3) << version;
    EXPECT_EQ(e.table()[1].hasta, 6.5) << version;
    EXPECT_EQ(e.table()[2].desde, 10.0) << version;
    EXPECT_FALSE(e.status().unreadable);
  }
}

// Each store routes by the table it loaded: a second store's load or `Iniciar` (another
// window's, another collection's) changes nothing of the first.
TEST_F(CompanyStore, EachStoreKeepsTheTableItLoaded) {
  const std::string path = dir + "EMPR.DAT";
  writeFile(path, company(7, 1, 100, 199, "Norte", "NORTE.MIR"));
  writeFile(dir + "OTRA.DAT",
            company(7, -1, 0, 0, "", "") + company(7, 1, 1, 999, "Otra", "O.MIR"));
  ClsListaEmpresas first;
  first.Iniciar(path);
  ASSERT_EQ(first.CargarEmpresas(), StoreLoad::Loaded);
  ClsListaEmpresas second;
  second.Iniciar(dir + "OTRA.DAT");
  ASSERT_EQ(second.CargarEmpresas(), StoreLoad::Loaded);
  EXPECT_EQ(first.GetEmpresa(150), 1);
  EXPECT_EQ(first.GetEmpresa(500), -1);
  EXPECT_EQ(second.GetEmpresa(150), 2);
  ClsListaEmpresas fresh;
  fresh.Iniciar(dir + "NONE.DAT");
  EXPECT_EQ(first.GetEmpresa(150), 1);
  EXPECT_EQ(fresh.GetEmpresa(150), -1);
}

TEST_F(CompanyStore, MissingEmptyAndDamagedFiles) {
  const std::string path = dir + "EMPR.DAT";
  ClsListaEmpresas e;
  e.Iniciar(path);
  (void)e.CargarEmpresas();
  EXPECT_EQ(e.mCount, 0);
  writeFile(path, "");
  e.Iniciar(path);
  (void)e.CargarEmpresas();
  EXPECT_EQ(e.mCount, 1);
  EXPECT_FALSE(e.status().unreadable);
  writeFile(path, "garbage");
  e.Iniciar(path);
  (void)e.CargarEmpresas();
  EXPECT_TRUE(e.status().unreadable);
  ASSERT_TRUE(e.GrabarEmpresas().ok);
  EXPECT_EQ(readFile(path + ".unreadable"), "garbage");
}

TEST_F(CompanyStore, GetEmpresaPicksTheLowestLiveSlotInRange) {
  ClsListaEmpresas e;
  e.Iniciar(dir + "EMPR.DAT");
  e.table()[1] = {7, -1, 100, 200, "", "", ""};  // free: never chosen
  e.table()[2] = {7, 1, 100, 150, "", "", ""};
  e.table()[4] = {7, 1, 0, 300, "", "", ""};
  struct Case {
    double card;
    int16_t slot;
  } cases[] = {{150, 2}, {100, 2}, {151, 4}, {0, -1}, {300, 4}, {300.5, -1}, {-1, -1}};
  for (const Case& c : cases) EXPECT_EQ(e.GetEmpresa(c.card), c.slot) << c.card;
}

TEST_F(CompanyStore, NuevoBorrarAndSlotLimits) {
  ClsListaEmpresas e;
  e.Iniciar(dir + "EMPR.DAT");
  e.table()[1].inUse = 1;
  e.table()[2].inUse = 1;
  ASSERT_EQ(e.Nuevo(), 1);
  EXPECT_EQ(e.table()[3].inUse, 1);
  EXPECT_EQ(e.table()[3].version, 7);
  EXPECT_EQ(e.table()[3].desde, 1.0);
  EXPECT_EQ(e.table()[3].hasta, 9999.0);
  EXPECT_EQ(e.table()[3].archivo, "REGIS003.MIR        ");
  EXPECT_EQ(e.mCount, 0);
  e.Borrar(3);
  EXPECT_EQ(e.table()[3].inUse, -1);
  e.Borrar(0);
  e.Borrar(101);
  e.Borrar(-7);
  for (int i = 1; i <= 100; ++i) e.table()[i].inUse = 1;
  EXPECT_EQ(e.Nuevo(), 0);
}

TEST_F(CompanyStore, SaveKeepsEachSlotsVersionAndAnyRange) {
  const std::string path = dir + "EMPR.DAT";
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::string original = company(0, -1, 0, 0, "", "") +
                               company(3, 1, nan, inf, "Norte", "N.MIR") +
                               company(7, 1, 1, 9, "Sur", "S.MIR") + company(5, -1, 0, 0, "", "");
  writeFile(path, original);
  ClsListaEmpresas e;
  e.Iniciar(path);
  (void)e.CargarEmpresas();
  ASSERT_TRUE(e.GrabarEmpresas().ok);  // a range that is no finite number is kept, not refused
  std::string saved = readFile(path);
  // Each record as it was, its own version included (free slots too).
  EXPECT_EQ(saved.substr(0, 4 * 345), original);
  // A 2 in slot 1 would make the file read as the older form: it is written as 7.
  e.table()[1].version = 2;
  ASSERT_TRUE(e.GrabarEmpresas().ok);
  saved = readFile(path);
  EXPECT_EQ(saved.substr(0, 2), std::string("\x07\x00", 2));
  e.Iniciar(path);
  (void)e.CargarEmpresas();
  EXPECT_EQ(e.mCount, 101);
  EXPECT_TRUE(std::isnan(e.table()[2].desde));
  EXPECT_EQ(e.table()[3].hasta, 9.0);
}

TEST_F(CompanyStore, BadRowOrFailedWriteKeepsTheOldFile) {
  const std::string path = dir + "EMPR.DAT";
  writeFile(path, company(3, 1, 1, 2, "A", "A.MIR"));
  const std::string original = readFile(path);
  ClsListaEmpresas e;
  e.Iniciar(path);
  (void)e.CargarEmpresas();
  e.table()[7] = {3, 1, 1, 9, "", std::string(21, 'F'), ""};  // file name wider than its field
  EXPECT_FALSE(e.GrabarEmpresas().ok);
  EXPECT_EQ(e.status().badRow, 7);
  EXPECT_EQ(readFile(path), original);
  e.table()[7].archivo = "F.MIR";
  basekit::testing::failNextReplace(ENOSPC, 345);
  EXPECT_FALSE(e.GrabarEmpresas().ok);
  EXPECT_EQ(readFile(path), original);
}

TEST_F(UserStore, LoadSaveAndRecordForm) {
  const std::string path = dir + "VELTA.DAT";
  writeFile(path,
            user(1, 1, "Admin", 1234, 2) + user(1, 9, "Ana", 42, 0) + user(1, 3, "Luis", -5, 1));
  ClsUsers u;
  u.Iniciar(path);
  ASSERT_EQ(u.CargarUsers(), StoreLoad::Loaded);
  ASSERT_TRUE(u.GetCurData(2));
  EXPECT_EQ(u.Name, "Ana");
  EXPECT_EQ(u.Psw, 42);
  EXPECT_TRUE(u.Deleted(4));
  u.Borrar(2);
  ASSERT_TRUE(u.GrabarUsers().ok);
  const std::string saved = readFile(path);
  ASSERT_EQ(saved.size(), 3000u);
  EXPECT_EQ(saved.substr(0, 30), user(1, 1, "Admin", 1234, 2));
  EXPECT_EQ(saved.substr(30, 30), user(1, 2, "", 42, 0));  // blank name, old password and level
  EXPECT_EQ(saved.substr(99 * 30, 30), user(1, 100, "", 0, 0));
}

TEST_F(UserStore, MissingEmptyAndUnknownFiles) {
  const std::string path = dir + "VELTA.DAT";
  ClsUsers u;
  u.Iniciar(path);
  EXPECT_EQ(u.CargarUsers(), StoreLoad::Missing);
  writeFile(path, "");
  EXPECT_EQ(u.CargarUsers(), StoreLoad::Empty);
  EXPECT_FALSE(u.status().unreadable);
  const std::string other = user(2, 1, "Admin", 1, 2);
  writeFile(path, other);
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(u.CargarUsers(), StoreLoad::Unreadable);
  EXPECT_TRUE(u.Deleted(1));
  EXPECT_TRUE(u.status().unreadable);
  // An older copy readable by all does not make this one readable.
  writeFile(path + ".unreadable", "older copy");
  ::chmod((path + ".unreadable").c_str(), 0644);
  ASSERT_TRUE(u.GrabarUsers().ok);
  EXPECT_EQ(readFile(path + ".unreadable"), other);
  struct stat st {};
  ASSERT_EQ(::stat((path + ".unreadable").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // the passwords kept aside are no easier to read
}

TEST_F(UserStore, FindUserRules) {
  const std::string path = dir + "VELTA.DAT";
  writeFile(path, user(1, 1, "Ana", 1234, 2) + user(1, 2, "", 999, 1) + user(1, 3, "Bob", -7, 0));
  ClsUsers u;
  u.Iniciar(path);
  (void)u.CargarUsers();
  struct Case {
    std::string name, psw;
    bool ok;
  } cases[] = {
      {"Ana", "1234", true},    {"  Ana  ", "1234", true},
      {"ana", "1234", false},   {"Ana", "123", false},
      {"Ana", "12a4", false},   {"Ana", "", false},
      {"", "999", false},       {"Bob", "-7", true},
      {"Ana", "1234.5", false}, {"Ana", "99999999999", false},
  };
  for (const Case& c : cases) EXPECT_EQ(u.FindUser(c.name, c.psw), c.ok) << c.name << "/" << c.psw;
  ASSERT_TRUE(u.FindUser("Ana", "1234"));
  EXPECT_EQ(u.auName, "Ana                 ");
  EXPECT_EQ(u.GetLevel(), 2);
  EXPECT_FALSE(u.FindUser("Bob", "0"));
  EXPECT_EQ(u.auCode, 1);  // a failed login leaves the logged-in user as it was
}

TEST_F(UserStore, CurrentRecordAndSlotLimits) {
  ClsUsers u;
  u.Iniciar(dir + "VELTA.DAT");
  (void)u.CargarUsers();
  ASSERT_TRUE(u.Nuevo());
  u.GetCurData(1);
  EXPECT_EQ(u.Code, 1);
  u.Name = "Nuevo";
  u.Psw = 77;
  EXPECT_TRUE(u.SetCurData(0));  // 0 is slot 1
  EXPECT_EQ(u.slot(1)->Name, "Nuevo               ");
  EXPECT_FALSE(u.Deleted(1));
  ASSERT_TRUE(u.Nuevo());
  EXPECT_EQ(u.slot(2)->Code, 2);
  for (int16_t i : {int16_t(-1), int16_t(101), int16_t(-32768)}) {
    EXPECT_FALSE(u.SetCurData(i)) << i;
    EXPECT_FALSE(u.GetCurData(i)) << i;
    EXPECT_FALSE(u.Deleted(i)) << i;
    u.Borrar(i);
  }
  EXPECT_FALSE(u.GetCurData(0));
  u.useEditors(&objects.editorHooks());  // as the owner does for the store it makes
  int seen = -5;
  objects.editorHooks().users = [&](ClsUsers& x) {
    seen = x.Operation;
    x.Operation = -1;
  };
  EXPECT_FALSE(u.Modificar(3));
  EXPECT_EQ(seen, 3);
}

// Every field at a value of its own, the name at full width without blanks: the records are read
// from patterned bytes, so a field added to the record and its file form is covered unnamed. A
// field the copy misses keeps the other record's value or the free slot's.
TEST_F(UserStore, EveryFieldOfTheCurrentRecordGoesIntoItsSlotAndBack) {
  auto patterned = [](char first) {
    std::string bytes(ClsUsers::kRecordLength, ' ');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(first + i % 20);
    return ClsUsers::decodeRecord(bytes);
  };
  const UserRecord a = patterned('A'), b = patterned('a');
  ClsUsers u;
  u.current() = a;
  ASSERT_TRUE(u.SetCurData(2));
  u.current() = b;
  ASSERT_TRUE(u.SetCurData(3));
  EXPECT_TRUE(*u.slot(2) == a);
  EXPECT_TRUE(*u.slot(3) == b);
  u.GetCurData(2);
  EXPECT_TRUE(u.current() == a);
  u.GetCurData(3);
  EXPECT_TRUE(u.current() == b);
}

TEST_F(UserStore, FailedSaveKeepsTheOldFile) {
  const std::string path = dir + "VELTA.DAT";
  writeFile(path, user(1, 1, "Ana", 1, 2));
  ClsUsers u;
  u.Iniciar(path);
  (void)u.CargarUsers();
  basekit::testing::failNextReplace(EIO, 60);
  EXPECT_FALSE(u.GrabarUsers().ok);
  EXPECT_EQ(readFile(path), user(1, 1, "Ana", 1, 2));
}

TEST_F(CompanyStore, BytesPastTheLoadedRecordsAreKeptAsideBeforeASave) {
  const std::string path = dir + "EMPR.DAT";
  std::string many;
  for (int n = 0; n < 101; ++n) many += company(3, 1, n, n, "E", "E.MIR");
  const std::string files[] = {company(3, 1, 1, 2, "A", "A.MIR") + std::string(10, 'x'),
                               companyOld(1, 1, 2, "A", "A.MIR") + std::string(5, 'x'), many};
  for (const std::string& file : files) {
    writeFile(path, file);
    fs::remove(path + ".unreadable");
    ClsListaEmpresas e;
    e.Iniciar(path);
    (void)e.CargarEmpresas();
    EXPECT_GT(e.table()[1].inUse, 0);  // the whole records load
    EXPECT_TRUE(e.status().unreadable) << file.size();
    ASSERT_TRUE(e.GrabarEmpresas().ok);
    EXPECT_EQ(readFile(path + ".unreadable"), file);
  }
}

TEST_F(UserStore, BytesPastTheLoadedRecordsAreKeptAsideBeforeASave) {
  const std::string path = dir + "VELTA.DAT";
  std::string many;
  for (int n = 1; n <= 101; ++n) many += user(1, n, "U" + std::to_string(n), n, 0);
  const std::string files[] = {user(1, 1, "Ana", 1, 2) + "torn", many};
  for (const std::string& file : files) {
    writeFile(path, file);
    fs::remove(path + ".unreadable");
    ClsUsers u;
    u.Iniciar(path);
    ASSERT_EQ(u.CargarUsers(), StoreLoad::Loaded);
    EXPECT_FALSE(u.Deleted(1));  // the whole records load
    EXPECT_TRUE(u.status().unreadable) << file.size();
    ASSERT_TRUE(u.GrabarUsers().ok);
    EXPECT_EQ(readFile(path + ".unreadable"), file);
  }
}

TEST_F(UserStore, NewFilesHoldingPasswordsAreOwnerOnlyOthersHonourTheUmask) {
  struct Case {
    const char* file;
    std::function<void(const std::string&)> save;
    mode_t expected;
  } cases[] = {
      {"VELTA.DAT",
       [](const std::string& p) {
         ClsUsers u;
         u.Iniciar(p);
         ASSERT_TRUE(u.GrabarUsers().ok);
       },
       0600},
      {"EMPR.DAT",
       [](const std::string& p) {
         ClsListaEmpresas e;
         e.Iniciar(p);
         ASSERT_TRUE(e.GrabarEmpresas().ok);
       },
       0640},
      {"VELTA.AUD",
       [](const std::string& p) {
         ClsAuditoria a;
         a.Iniciar(p);
         ASSERT_EQ(a.AddRecord("Relojes"), 1);
       },
       0640},
  };
  for (const Case& c : cases) {
    const mode_t old = ::umask(027);
    c.save(dir + c.file);
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat((dir + c.file).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, c.expected) << c.file;
  }
}

TEST_F(UserStore, ASaveKilledBeforeItsRenameLeavesNoTemporaryAfterTheNextSave) {
  const std::string path = dir + "VELTA.DAT";
  writeFile(path, user(1, 1, "Ana", 1234, 2));
  const auto names = [&] {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
    return out;
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    basekit::testing::setStepHook([](std::string_view step) {
      if (step == "written") _exit(0);
    });
    ClsUsers u;
    u.Iniciar(path);
    (void)u.CargarUsers();
    (void)u.GrabarUsers();
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(names().size(), 2u);  // the file and the killed save's temporary
  EXPECT_EQ(readFile(path), user(1, 1, "Ana", 1234, 2));
  ClsUsers u;
  u.Iniciar(path);
  ASSERT_EQ(u.CargarUsers(), StoreLoad::Loaded);
  ASSERT_TRUE(u.GrabarUsers().ok);
  EXPECT_EQ(names(), std::set<std::string>{"VELTA.DAT"});
  EXPECT_EQ(readFile(path).size(), 3000u);
}
