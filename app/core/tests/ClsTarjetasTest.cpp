// Card store: both record forms, lookup, saving from rows, importing names.
#include "core/ClsTarjetas.h"

#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "core/tests/StoreFixtures.h"

#include <basekit/atomicfile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

using storefixture::Bytes;
using storefixture::readFile;
using storefixture::writeFile;

namespace {

std::string card1(int32_t card, const std::string& name, int grupo, int res, int nov,
                  const std::string& leg) {
  Bytes r;
  r.i16(1)
      .i32(card)
      .s(name, 40)
      .i16(grupo)
      .i16(res)
      .i16(nov)
      .s(leg, 20)
      .s("", 10)
      .s("", 10)
      .i16(0)
      .i16(0)
      .i16(0);
  return r.b;
}
std::string card2(double card, const std::string& name, int grupo, int res, int nov,
                  const std::string& leg) {
  Bytes r;
  r.i16(2)
      .f64(card)
      .s(name, 40)
      .i16(grupo)
      .i16(res)
      .i16(nov)
      .s(leg, 20)
      .s("", 10)
      .s("", 10)
      .i16(0)
      .i16(0)
      .i16(0);
  return r.b;
}

class CardStore : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velta-cards-XXXXXX";
    dir = mkdtemp(tmpl);
    dir += "/";
    *gDataFolder = dir;
    path = dir + "VELTA.TAR";
    store.Iniciar(path);
  }
  void TearDown() override { fs::remove_all(dir); }
  ProgramObjects objects;  // the program-wide values of the test, fresh for each
  std::string dir, path;
  ClsTarjetas store;
};

}  // namespace

TEST_F(CardStore, FormOneFilesKeepEveryCardWidened) {
  // 30 cards: more than a count by the newer record length would find.
  std::string file;
  for (int n = 1; n <= 30; ++n)
    file += card1(1000 + n, "Titular " + std::to_string(n), n, n % 2, (n + 1) % 2,
                  "L" + std::to_string(n));
  writeFile(path, file);
  ASSERT_NE(store.CargarTarjetas(), StoreLoad::Missing);
  ASSERT_EQ(store.table().size(), 30u);
  for (int n = 1; n <= 30; ++n) {
    ASSERT_EQ(store.FindRecord(1000 + n), n - 1);
    EXPECT_EQ(store.Description(0), "Titular " + std::to_string(n));
    EXPECT_EQ(store.Legajo(), "L" + std::to_string(n));
    EXPECT_EQ(store.Grupo(), n);
    EXPECT_EQ(store.Resaltar(), n % 2);
    EXPECT_EQ(store.Novedad(), (n + 1) % 2);
  }
  // Saved back the way the card editor lists them: the current form.
  StoreRowVector rows;
  rows.addRow({"1001", {"Titular 1", "001", "X", "", "L1"}});
  ASSERT_TRUE(store.GrabarTarjetas(rows, 1).ok);
  EXPECT_EQ(readFile(path), card2(1001, "Titular 1", 1, 1, 0, "L1"));
}

// Each store answers from the file it loaded: a second store's load (the console's look-up
// during a collection, a window's) changes nothing of the first.
TEST_F(CardStore, EachStoreKeepsTheTableItLoaded) {
  writeFile(path, card2(11, "Once", 1, 0, 0, "L11"));
  const std::string other = dir + "OTHER.TAR";
  writeFile(other, card2(22, "Veintidos", 2, 0, 0, "L22") + card2(33, "Treinta", 3, 0, 0, ""));
  ASSERT_EQ(store.CargarTarjetas(), StoreLoad::Loaded);
  ClsTarjetas second;
  second.Iniciar(other);
  ASSERT_EQ(second.CargarTarjetas(), StoreLoad::Loaded);
  ASSERT_EQ(store.FindRecord(11), 0);
  EXPECT_EQ(store.Description(0), "Once");
  EXPECT_EQ(store.FindRecord(22), -1);
  ASSERT_EQ(second.FindRecord(33), 1);
  EXPECT_EQ(second.Description(0), "Treinta");
  EXPECT_EQ(second.FindRecord(11), -1);
}

TEST_F(CardStore, FormTwoLoadsAndSavesByteForByte) {
  // On disk Windows-1252; in the table UTF-8.
  const std::string cp =
      card2(12345, "Ana P\xE9rez", 7, 1, 0, "000777") + card2(4294967295.0, "Touch", 0, 0, 1, "");
  writeFile(path, cp);
  ASSERT_NE(store.CargarTarjetas(), StoreLoad::Missing);
  ASSERT_EQ(store.FindRecord(12345), 0);
  EXPECT_EQ(store.Description(0), "Ana Pérez");
  EXPECT_EQ(store.Description(1), "");  // the virtual mode hides names
  // Save the same rows back: the same bytes.
  StoreRowVector rows;
  rows.addRow({"12345", {"Ana Pérez", "007", "X", "", "000777"}});
  rows.addRow({"4294967295", {"Touch", "", "", "X", ""}});
  ASSERT_TRUE(store.GrabarTarjetas(rows, 1).ok);
  EXPECT_EQ(readFile(path), cp);
}

TEST_F(CardStore, MissingEmptyAndUnknownFiles) {
  EXPECT_EQ(store.CargarTarjetas(), StoreLoad::Missing);
  EXPECT_EQ(store.table().size(), 1u);
  writeFile(path, "");
  EXPECT_NE(store.CargarTarjetas(), StoreLoad::Missing);
  EXPECT_FALSE(store.status().unreadable);
  std::string unknown = card2(5, "X", 0, 0, 0, "") + card2(6, "Y", 0, 0, 0, "");
  unknown[0] = 9;
  writeFile(path, unknown);
  EXPECT_NE(store.CargarTarjetas(), StoreLoad::Missing);
  EXPECT_EQ(store.table().size(), 2u);
  EXPECT_EQ(store.FindRecord(5), -1);
  EXPECT_TRUE(store.status().unreadable);
  StoreRowVector rows;
  rows.addRow({"1", {"Nuevo"}});
  ASSERT_TRUE(store.GrabarTarjetas(rows, 1).ok);
  EXPECT_EQ(readFile(path + ".unreadable"), unknown);
  EXPECT_EQ(readFile(path).size(), 102u);
}

TEST_F(CardStore, FindRecordScansTheWholeTableAndClearsOnAMiss) {
  writeFile(path, card2(0, "vacio", 0, 0, 0, "") + card2(77, "Luis", 3, 1, 1, "L77") +
                      card2(77, "Otro", 0, 0, 0, ""));
  (void)store.CargarTarjetas();
  EXPECT_EQ(store.FindRecord(77), 1);  // past an entry with card 0; the first match wins
  EXPECT_EQ(store.Description(0), "Luis");
  EXPECT_EQ(store.FindRecord(78), -1);
  EXPECT_EQ(store.Description(0), "");
  EXPECT_EQ(store.Legajo(), "");
  EXPECT_EQ(store.Grupo(), 0);
  EXPECT_EQ(store.Novedad(), 0);
  EXPECT_EQ(store.Resaltar(), 0);
}

TEST_F(CardStore, RowsBecomeRecords) {
  struct Case {
    std::string text;
    int16_t kind;
    double card;
    std::string group;
    int16_t grupo;
  } cases[] = {
      {"1A0F", 2, 6671, "3", 3},
      {" 1a0f ", 2, 6671, "", 0},
      {"FFFFFFFF", 2, 4294967295.0, "abc", 0},
      {"00012345", 1, 12345, "2.5", 2},
      {"  99 ", 1, 99, "3.5", 4},
      {"123456789012", 1, 123456789012.0, "007", 7},
  };
  for (const Case& c : cases) {
    StoreRowVector rows;
    rows.addRow({c.text, {"Nombre", c.group, "X", "x", "LEG"}});
    ASSERT_TRUE(store.GrabarTarjetas(rows, c.kind).ok) << c.text;
    ASSERT_NE(store.CargarTarjetas(), StoreLoad::Missing);
    ASSERT_EQ(store.FindRecord(c.card), 0) << c.text;
    EXPECT_EQ(store.Grupo(), c.grupo) << c.text;
    EXPECT_EQ(store.Resaltar(), 1);
    EXPECT_EQ(store.Novedad(), 0);  // only "X" sets a mark
    EXPECT_EQ(store.Legajo(), "LEG");
  }
}

TEST_F(CardStore, OneBadRowRefusesTheSaveAndNamesIt) {
  writeFile(path, card2(1, "Viejo", 0, 0, 0, ""));
  const std::string original = readFile(path);
  struct Case {
    std::string text, group;
    int16_t kind;
  } bad[] = {
      {"", "1", 1}, {"12AB", "1", 1}, {"XYZ", "1", 2}, {"123456789", "1", 2}, {"5", "40000", 1}};
  for (const Case& c : bad) {
    StoreRowVector rows;
    rows.addRow({"10", {"Bueno"}});
    rows.addRow({c.text, {"Malo", c.group}});
    EXPECT_FALSE(store.GrabarTarjetas(rows, c.kind).ok) << c.text;
    EXPECT_EQ(store.status().badRow, 2) << c.text;
    EXPECT_EQ(readFile(path), original) << c.text;
  }
}

TEST_F(CardStore, FailedWriteLeavesTheOldFile) {
  writeFile(path, card2(1, "Viejo", 0, 0, 0, ""));
  const std::string original = readFile(path);
  StoreRowVector rows;
  rows.addRow({"10", {"Nuevo"}});
  basekit::testing::failNextReplace(EIO, 10);
  EXPECT_FALSE(store.GrabarTarjetas(rows, 1).ok);
  EXPECT_EQ(readFile(path), original);
}

TEST_F(CardStore, ImportSplitsAtTheFirstDash) {
  writeFile(dir + "DBTAR.DAT", "123 - NOMBRE\r\n  456 - Juan - Perez\nsin guion\n789 -\r\n");
  writeFile(dir + "DBTOU.DAT", "1A0F - Llave\n");
  StoreRowVector rows;
  rows.addRow({"keep", {"me"}});
  EXPECT_EQ(store.ImportarNombres(rows, 1), "");
  ASSERT_EQ(rows.rows.size(), 4u);
  EXPECT_EQ(rows.rows[0].text, "keep");
  EXPECT_EQ(rows.rows[1].text, "123");
  EXPECT_EQ(rows.rows[1].sub(1), "NOMBRE");
  EXPECT_EQ(rows.rows[2].text, "456");
  EXPECT_EQ(rows.rows[2].sub(1), "Juan - Perez");
  EXPECT_EQ(rows.rows[3].text, "789");
  EXPECT_EQ(rows.rows[3].sub(1), "");
  EXPECT_EQ(store.ImportarNombres(rows, 2), "");
  ASSERT_EQ(rows.rows.size(), 5u);
  EXPECT_EQ(rows.rows[4].text, "1A0F");
  fs::remove(dir + "DBTOU.DAT");
  EXPECT_EQ(store.ImportarNombres(rows, 2), "");
  EXPECT_EQ(rows.rows.size(), 5u);
}

TEST_F(CardStore, ImportReadsItemsEndingAtACommaOrALineEnd) {
  using Rows = std::vector<std::pair<std::string, std::string>>;
  const struct {
    const char* file;
    Rows rows;  // (number, name) in file order
  } cases[] = {
      {"555 - Pepe Import,\"456 - Lopez, Ana\"\r\n",
       {{"555", "Pepe Import"}, {"456", "Lopez, Ana"}}},
      {"\"123 - Ana\"", {{"123", "Ana"}}},
      {"1 - Uno,2 - Dos\r\n3 - Tres\n", {{"1", "Uno"}, {"2", "Dos"}, {"3", "Tres"}}},
      {"sin guion,,  ,\"sin, guion\",\"\"\r\n\r\n", {}},
      {",,14 - W,,\n15 - Coma al final,", {{"14", "W"}, {"15", "Coma al final"}}},
      // blanks before a quote, text after the closing one up to the comma
      {"7 - A,  \"8 - B, C\" resto,9 - D", {{"7", "A"}, {"8", "B, C"}, {"9", "D"}}},
      // a quote left open ends with its line: the next line is still read
      {"\"10 - Abierta, sin cierre\r\n11 - Siguiente\r\n",
       {{"10", "Abierta, sin cierre"}, {"11", "Siguiente"}}},
      {"12 - Jos\xe9 Pe\xf1"
       "a,13 - Juan - Perez ",
       {{"12", "José Peña"}, {"13", "Juan - Perez "}}},
      // the cut counts the file's characters: letters beside the dash stay whole
      {"888 -\xd1o\xf1o\r\n777\xd1-\xc1na\r\n", {{"888", "oño"}, {"777", "na"}}},
      {"", {}},
  };
  for (const auto& c : cases) {
    writeFile(dir + "DBTAR.DAT", c.file);
    StoreRowVector rows;
    EXPECT_EQ(store.ImportarNombres(rows, 1), "");
    Rows got;
    for (const StoreRow& r : rows.rows) {
      EXPECT_EQ(r.subItems.size(), 1u) << c.file;
      got.emplace_back(r.text, r.sub(1));
    }
    EXPECT_EQ(got, c.rows) << c.file;
  }
}

TEST_F(CardStore, BytesPastTheLastWholeRecordAreKeptAsideBeforeASave) {
  const std::string forms[] = {
      card1(41, "Uno", 0, 0, 0, "") + card1(42, "Dos", 0, 0, 0, "").substr(0, 50),
      card2(41, "Uno", 0, 0, 0, "") + card2(42, "Dos", 0, 0, 0, "").substr(0, 50)};
  for (const std::string& file : forms) {
    writeFile(path, file);
    fs::remove(path + ".unreadable");
    ASSERT_NE(store.CargarTarjetas(), StoreLoad::Missing);
    EXPECT_EQ(store.FindRecord(41), 0);  // the whole record loads
    EXPECT_TRUE(store.status().unreadable);
    StoreRowVector rows;
    rows.addRow({"41", {"Uno"}});
    ASSERT_TRUE(store.GrabarTarjetas(rows, 1).ok);
    EXPECT_EQ(readFile(path + ".unreadable"), file);
  }
}
