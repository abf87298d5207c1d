// Audit log and password record.
#include "core/ClsAuditoria.h"

#include "core/ClsClave.h"
#include "core/ClsUsers.h"
#include "core/tests/StoreFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

using storefixture::Bytes;
using storefixture::readFile;
using storefixture::writeFile;

namespace {

basic::DateTime at(int sec) {
  basic::DateTime t;
  t.year = 2024;
  t.month = 3;
  t.day = 5;
  t.hour = 8;
  t.minute = 7;
  t.second = sec;
  return t;
}

class Audit : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velta-aud-XXXXXX";
    dir = std::string(mkdtemp(tmpl)) + "/";
    path = dir + "VELTA.AUD";
    log.Iniciar(path);
    users.auName = "Ana                 ";
    log.users = &users;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string dir, path;
  ClsUsers users;
  ClsAuditoria log;
};

}  // namespace

TEST_F(Audit, RecordsRoundTripWithTheirOwnKeys) {
  struct Case {
    int sec;
    std::string action;
  } cases[] = {{0, "Relojes"}, {1, "Usuarios"}, {59, "Configuración"}, {33, std::string(40, 'A')}};
  for (const Case& c : cases) {
    log.clock = [&] { return at(c.sec); };
    ASSERT_EQ(log.AddRecord(c.action), 1);
  }
  const std::string file = readFile(path);
  ASSERT_EQ(file.size(), 4u * 74);
  EXPECT_EQ(file[22], 0);       // key of second 0
  EXPECT_EQ(file[74 + 22], 0);  // second 1 shares the key of second 0
  EXPECT_EQ(file[2 * 74 + 22], 29);
  EXPECT_EQ(file.substr(24, 5), "MNU->");           // key 0 leaves the text as it is
  EXPECT_EQ(file.substr(2 * 74 + 24, 5), "jkrJ[");  // key 29 shifts every byte up by 29
  StoreRowVector rows;
  ASSERT_GE(log.GetRecords(rows), 0);
  ASSERT_EQ(rows.rows.size(), 4u);
  EXPECT_EQ(rows.rows[0].text, "03-05-2024 08:07:00 ");  // month first, as the viewer sorts it
  EXPECT_EQ(rows.rows[0].sub(1), std::string("MNU->Relojes").append(18, ' '));
  EXPECT_EQ(rows.rows[0].sub(2), "Ana                 ");
  EXPECT_EQ(rows.rows[2].sub(1), std::string("MNU->Configuración").append(12, ' '));
  EXPECT_EQ(rows.rows[3].sub(1), "MNU->" + std::string(25, 'A'));  // cut to 30
}

TEST_F(Audit, ScramblingWrapsModulo256) {
  const std::string high = "\xF0\xFF\x01";
  const std::string e = ClsAuditoria::ScrambleField(high, 3, "E", 29);
  EXPECT_EQ(e, std::string("\x0D\x1C\x1E"));
  EXPECT_EQ(ClsAuditoria::ScrambleField(e, 3, "D", 29), high);
}

TEST_F(Audit, MissingInvalidAndDeletedFiles) {
  StoreRowVector rows;
  rows.addRow({"old", {}});
  EXPECT_EQ(log.GetRecords(rows), -2);
  EXPECT_TRUE(rows.rows.empty());
  std::string bad(74, 'x');
  writeFile(path, bad);
  log.GetRecords(rows);
  EXPECT_TRUE(rows.rows.empty());  // first record not of version 1: nothing listed
  log.clock = [] { return at(10); };
  EXPECT_EQ(log.AddRecord("A"), 1);
  EXPECT_EQ(readFile(path).size(), 148u);
  EXPECT_EQ(log.Borrar(), 1);
  EXPECT_EQ(log.GetRecords(rows), -2);
  EXPECT_EQ(log.Borrar(), 0);
  ASSERT_EQ(log.AddRecord("B"), 1);
  EXPECT_EQ(readFile(path).size(), 74u);
  // A torn tail is overwritten by the next record.
  writeFile(path, readFile(path) + "abc");
  ASSERT_EQ(log.AddRecord("C"), 1);
  EXPECT_EQ(readFile(path).size(), 148u);
  log.GetRecords(rows);
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(rows.rows[1].sub(1).substr(0, 6), "MNU->C");
}

TEST(PasswordRecord, SavesLoadsAndRejectsDamage) {
  char tmpl[] = "/tmp/velta-psw-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const std::string path = dir + "/CLAVE.DAT";
  ClsClave c;
  c.Init(path);
  EXPECT_EQ(c.LoadPsw(), -1);
  c.year = 2024;
  ASSERT_EQ(c.SavePsw("Señal15"), 1);
  EXPECT_EQ(readFile(path).size(), 138u);
  EXPECT_EQ(readFile(path).find("Se"), std::string::npos);  // not stored in plain
  ClsClave d;
  d.Init(path);
  ASSERT_EQ(d.LoadPsw(), 0);
  EXPECT_EQ(d.GetPsw(), "Señal15");
  EXPECT_EQ(c.SavePsw(std::string(16, 'x')), 0);
  writeFile(path, std::string(138, '\x7F'));
  EXPECT_EQ(d.LoadPsw(), -2);
  writeFile(path, "short");
  EXPECT_EQ(d.LoadPsw(), -2);
  fs::remove_all(dir);
}
