// Clock list store: every record form, defaults, slot rules, and saves that never lose a file.
#include "core/ClsListaRelojes.h"

#include "core/ProgramObjects.h"
#include "core/tests/StoreFixtures.h"

#include <basekit/atomicfile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

using storefixture::Bytes;
using storefixture::readFile;
using storefixture::writeFile;

namespace {

// Builds records byte by byte from the layout, independent of the store's codec.
struct Clock {
  int prg = 5;
  std::string numero = "3", puerto = "COM2", vel = "19200", tel = "555-1234";
  int borrar = 1;
  std::string archivo = "OUT.MIR";
  int archFecha = 0, fhora = 1, comunic = 1, tipoNum = 2, activo = 1;
  std::string path = "C:\\DATA\\", descrip = "Planta Norte", ip = "10.0.0.7";
  int tipo = 1;
  std::string habil = "HAB.TXT";
  int tipoIf = 2;
  int32_t pl = 7002, pr = 7003;
};

// One record of the given form.
std::string record(int version, const Clock& c) {
  Bytes r;
  r.i16(version).i16(c.prg).s(c.numero, 1).i16(0).s(c.puerto, version == 7 ? 5 : 4).s(c.vel, 5);
  r.s(c.tel, version <= 2 ? 15 : 25).i16(c.borrar).s(c.archivo, 100);
  r.i16(c.archFecha).i16(c.fhora).i16(c.comunic).i16(c.tipoNum).i16(c.activo);
  if (version >= 2) r.s(c.path, 250).s(c.descrip, 50);
  if (version >= 3) r.s(c.ip, 15);
  if (version >= 4) r.i16(c.tipo).s(c.habil, 100);
  if (version >= 5) r.i16(c.tipoIf);
  if (version >= 6) r.i32(c.pl).i32(c.pr);
  return r.b;
}

class ClockStore : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velta-clock-XXXXXX";
    dir = mkdtemp(tmpl);
    path = dir + "/velta002.dat";
    store.Iniciar(path);
  }
  void TearDown() override { fs::remove_all(dir); }
  ProgramObjects objects;  // the program-wide values of the test, fresh for each
  std::string dir, path;
  ClsListaRelojes store;
};

// Expected current form of what the older forms gave: what they lack takes the defaults.
Clock expectedFrom(int version, Clock c) {
  if (version < 2) c.path = c.descrip = "";
  if (version < 3) c.ip = "";
  if (version < 4) {
    c.tipo = 0;
    c.habil = "";
  }
  if (version < 5) c.tipoIf = 0;
  if (version < 6) c.pl = c.pr = 7001;
  return c;
}

}  // namespace

class ClockForms : public ClockStore, public ::testing::WithParamInterface<int> {};

TEST_P(ClockForms, LoadsWidensAndSavesTheCurrentForm) {
  const int version = GetParam();
  Clock a, b;
  b.prg = 9;
  b.descrip = "Dep\xF3sito";  // Windows-1252 on disk
  b.puerto = "COM4";
  writeFile(path, record(version, a) + record(version, b));

  EXPECT_EQ(store.CargarRelojes(), StoreLoad::Loaded);
  ASSERT_EQ(store.GetCurData(1), 1);
  const Clock e = expectedFrom(version, a);
  EXPECT_EQ(store.m_Version, 7);
  EXPECT_EQ(store.m_Prg, 5);
  EXPECT_EQ(store.M_Numero, "3");
  EXPECT_EQ(store.m_Puerto, "COM2");
  EXPECT_EQ(store.m_Velocidad, "19200");
  EXPECT_EQ(store.m_Telefono, "555-1234");
  EXPECT_EQ(store.M_Archivo, "OUT.MIR");
  EXPECT_EQ(store.m_TipoNumero, 2);
  EXPECT_EQ(store.m_Path, e.path);
  EXPECT_EQ(store.m_Descrip, e.descrip);
  EXPECT_EQ(store.m_IP, e.ip);
  EXPECT_EQ(store.m_tipo, e.tipo);
  EXPECT_EQ(store.m_ArchivoHabil, e.habil);
  EXPECT_EQ(store.m_TipoInterface, e.tipoIf);
  EXPECT_EQ(store.m_PortLocal, e.pl);
  EXPECT_EQ(store.m_PortRemoto, e.pr);
  ASSERT_EQ(store.GetCurData(2), 1);
  EXPECT_EQ(store.m_Prg, 9);
  EXPECT_EQ(store.m_Puerto, "COM4");
  EXPECT_EQ(store.m_Descrip, version >= 2 ? "Depósito" : "");
  EXPECT_TRUE(store.Deleted(3));
  EXPECT_FALSE(store.status().unreadable);
  // The file keeps its old form until saved.
  EXPECT_EQ(readFile(path).size(),
            2 * ClsListaRelojes::recordLength(static_cast<int16_t>(version)));

  // Reload so the slots hold the texts as read, then save: the current form, byte for byte.
  ClsListaRelojes again;
  again.Iniciar(path);
  (void)again.CargarRelojes();
  ASSERT_TRUE(again.GrabarRelojes().ok);
  const std::string saved = readFile(path);
  ASSERT_EQ(saved.size(), 58100u);
  Clock ea = e;
  Clock eb = expectedFrom(version, b);
  EXPECT_EQ(saved.substr(0, 581), record(7, ea));
  EXPECT_EQ(saved.substr(581, 581), record(7, eb));
  // A never-filled slot: the form's version, m_Prg -1, zero bytes otherwise.
  std::string never(581, '\0');
  never[0] = 7;
  never[2] = never[3] = char(0xFF);
  EXPECT_EQ(saved.substr(2 * 581, 581), never);
}

INSTANTIATE_TEST_SUITE_P(AllForms, ClockForms, ::testing::Values(1, 2, 3, 4, 5, 6, 7));

TEST_F(ClockStore, DateStampedNameFillsOnlyInTheCurrentForm) {
  Clock c;
  c.archivo = "";
  c.archFecha = 1;
  for (int version : {7, 6}) {
    writeFile(path, record(version, c));
    (void)store.CargarRelojes();
    store.GetCurData(1);
    EXPECT_EQ(store.M_Archivo, version == 7 ? "YYYYmmdd" : "") << version;
  }
}

TEST_F(ClockStore, UnknownFormLoadsNothingAndIsKeptAsideBeforeASave) {
  for (int version : {0, 8, -3}) {
    const std::string original =
        record(7, Clock{})
            .replace(0, 2, std::string{char(version & 0xFF), char((version >> 8) & 0xFF)});
    writeFile(path, original);
    fs::remove(path + ".unreadable");
    (void)store.CargarRelojes();
    for (int i = 1; i <= 100; ++i) EXPECT_TRUE(store.Deleted(static_cast<int16_t>(i)));
    EXPECT_TRUE(store.status().unreadable);
    EXPECT_FALSE(store.status().message.empty());
    ASSERT_TRUE(store.GrabarRelojes().ok);
    EXPECT_EQ(readFile(path + ".unreadable"), original) << version;
    EXPECT_EQ(readFile(path).size(), 58100u);
  }
}

TEST_F(ClockStore, EmptyFileLoadsNothingWithoutComplaint) {
  writeFile(path, "");
  (void)store.CargarRelojes();
  EXPECT_TRUE(store.Deleted(1));
  EXPECT_FALSE(store.status().unreadable);
}

TEST_F(ClockStore, MissingFileGivesOneDefaultClockAndWritesNothing) {
  (void)store.CargarRelojes();
  EXPECT_FALSE(fs::exists(path));
  ASSERT_EQ(store.GetCurData(1), 1);
  EXPECT_EQ(store.m_Version, 7);
  EXPECT_EQ(store.m_Prg, 1);
  EXPECT_EQ(store.M_Numero, "1");
  EXPECT_EQ(store.m_Puerto, "COM1");
  EXPECT_EQ(store.m_Velocidad, "9600");
  EXPECT_EQ(store.M_Archivo, "REGIS.MIR");
  EXPECT_EQ(store.m_FHora, 1);
  EXPECT_EQ(store.m_TipoNumero, 1);
  EXPECT_EQ(store.M_Activo, 0);
  EXPECT_EQ(store.m_PortLocal, 7001);
  EXPECT_EQ(store.m_PortRemoto, 7001);
  EXPECT_TRUE(store.Deleted(2));
}

TEST_F(ClockStore, NuevoTakesTheFirstFreeSlotWithNumberOne) {
  (void)store.CargarRelojes();  // slot 1
  ASSERT_EQ(store.Nuevo(), 1);
  store.GetCurData(2);
  store.m_Prg = 2;
  store.SetCurData(2);
  ASSERT_EQ(store.Nuevo(), 1);
  EXPECT_FALSE(store.Deleted(3));
  store.GetCurData(3);
  EXPECT_EQ(store.m_Prg, 1);
  while (store.Nuevo() == 1) {
  }
  EXPECT_EQ(store.Nuevo(), 0);
}

TEST_F(ClockStore, BorrarKeepsTheFieldsAndFillListSkipsFreeSlots) {
  Clock c;
  std::string file;
  for (int prg : {2, 10, 7}) {
    c.prg = prg;
    c.descrip = "Reloj " + std::to_string(prg);
    file += record(7, c);
  }
  writeFile(path, file);
  (void)store.CargarRelojes();
  store.Borrar(3);
  StoreRowVector list;
  list.addRow({"stale", {}});
  store.FillList(list);
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].text, "002 - " + std::string("Reloj 2").append(43, ' '));
  EXPECT_EQ(list.rows[1].text.substr(0, 6), "010 - ");
  EXPECT_EQ(list.rows[1].text.size(), 56u);
  ASSERT_TRUE(store.GrabarRelojes().ok);
  c.prg = -1;
  EXPECT_EQ(readFile(path).substr(2 * 581, 581), record(7, c));
}

// The main window and the port search load the current clock this way: a free slot keeps its
// old fields (its telephone, its model), and they must not become the current clock's.
TEST_F(ClockStore, AFreeSlotOrANumberOutsideTheTableGivesTheDefaultClock) {
  Clock c;
  c.prg = 2;
  writeFile(path, record(7, c) + record(7, c));
  (void)store.CargarRelojes();
  store.Borrar(2);
  ASSERT_FALSE(store.IsClock(2));
  for (int16_t n : {int16_t(2), int16_t(0), int16_t(101)}) {
    SCOPED_TRACE(n);
    store.GetCurDataOrDefault(1);
    ASSERT_EQ(store.m_Telefono, "555-1234");
    store.GetCurDataOrDefault(n);
    EXPECT_EQ(store.M_Numero, "1");
    EXPECT_EQ(store.m_Puerto, "COM2");
    EXPECT_EQ(store.m_Velocidad, "9600");
    EXPECT_EQ(store.m_Telefono, "");
    EXPECT_EQ(store.m_Modelo, 0);
    EXPECT_EQ(store.M_Comunicacion, 1);
    EXPECT_EQ(store.m_IP, "");
    EXPECT_EQ(store.m_PortLocal, 7001);
  }
}

TEST_F(ClockStore, CurrentClockRoundTripTrimsAndPads) {
  (void)store.CargarRelojes();
  store.GetCurData(1);
  store.m_IP = "  192.168.0.9 ";
  store.m_Descrip = "  Entrada";
  store.M_Archivo = std::string(120, 'A');  // wider than its field: cut
  ASSERT_EQ(store.SetCurData(1), 1);
  EXPECT_EQ(store.slot(1)->m_IP, std::string("192.168.0.9").append(4, ' '));
  EXPECT_EQ(store.slot(1)->M_Archivo, std::string(100, 'A'));
  store.GetCurData(1);
  EXPECT_EQ(store.m_Descrip, "Entrada");
  EXPECT_EQ(store.slot(1)->m_Descrip, "Entrada");  // trimmed text written back into the slot
}

// Every field at a value of its own, texts at full width without blanks: the records are read
// from patterned bytes, so a field added to the record and its file form is covered unnamed. A
// field the copy misses keeps the other record's value or the free slot's zero.
TEST_F(ClockStore, EveryFieldOfTheCurrentClockGoesIntoItsSlotAndBack) {
  auto patterned = [](char first) {
    std::string bytes(ClsListaRelojes::kRecordLength, ' ');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(first + i % 20);
    ClockRecord r;
    EXPECT_TRUE(ClsListaRelojes::decodeRecord(bytes, ClsListaRelojes::kVersion, r));
    return r;
  };
  const ClockRecord a = patterned('A'), b = patterned('a');
  store.current() = a;
  ASSERT_EQ(store.SetCurData(2), 1);
  store.current() = b;
  ASSERT_EQ(store.SetCurData(3), 1);
  EXPECT_TRUE(*store.slot(2) == a);
  EXPECT_TRUE(*store.slot(3) == b);
  store.GetCurData(2);
  EXPECT_TRUE(store.current() == a);
  store.GetCurData(3);
  EXPECT_TRUE(store.current() == b);
}

TEST_F(ClockStore, SlotNumbersOutsideTheTableAreRefused) {
  (void)store.CargarRelojes();
  for (int16_t i : {int16_t(-1), int16_t(0), int16_t(101), int16_t(32767), int16_t(-32768)}) {
    EXPECT_EQ(store.GetCurData(i), 0) << i;
    EXPECT_EQ(store.SetCurData(i), 0) << i;
    EXPECT_FALSE(store.Deleted(i)) << i;
    store.Borrar(i);
    EXPECT_EQ(store.slot(i), nullptr);
  }
  EXPECT_FALSE(store.Modificar(101));
}

TEST_F(ClockStore, ModificarOpensTheRegisteredEditor) {
  store.useEditors(&objects.editorHooks());  // as the owner does for the store it makes
  int seen = -5;
  objects.editorHooks().clockList = [&](ClsListaRelojes& l) {
    seen = l.Operation;
    l.Operation = seen == 4 ? -1 : 1;
  };
  EXPECT_TRUE(store.Modificar(2));
  EXPECT_EQ(seen, 2);
  EXPECT_FALSE(store.Modificar(4));
}

TEST_F(ClockStore, GetModeloNamesTheSevenModels) {
  const char* names[] = {"Vireo",     "Corvin",   "Pexel",  "Vireo Touch",
                         "Solvar II", "Solvar I", "QLM-400"};
  for (int16_t i = 0; i < 7; ++i) EXPECT_EQ(store.GetModelo(i), names[i]);
  EXPECT_EQ(store.GetModelo(7), "");
  EXPECT_EQ(store.GetModelo(-1), "");
}

TEST_F(ClockStore, FailedSaveLeavesTheOldFileUntouched) {
  Clock c;
  const std::string original = record(3, c);
  writeFile(path, original);
  (void)store.CargarRelojes();
  basekit::testing::failNextReplace(ENOSPC, 1000);
  EXPECT_FALSE(store.GrabarRelojes().ok);
  EXPECT_FALSE(store.status().message.empty());
  EXPECT_EQ(readFile(path), original);
  EXPECT_TRUE(store.GrabarRelojes().ok);
}

TEST_F(ClockStore, BytesPastTheLoadedRecordsAreKeptAsideBeforeASave) {
  struct Case {
    int version, records;
    size_t extra;
  } cases[] = {{7, 2, 300}, {3, 1, 1}, {7, 101, 0}};  // torn last record; records past slot 100
  for (const Case& c : cases) {
    std::string file;
    for (int n = 0; n < c.records; ++n) file += record(c.version, Clock{});
    file += std::string(c.extra, 'x');
    writeFile(path, file);
    fs::remove(path + ".unreadable");
    (void)store.CargarRelojes();
    EXPECT_TRUE(store.status().unreadable) << c.version << "/" << c.records;
    EXPECT_FALSE(
        store.Deleted(static_cast<int16_t>(std::min(c.records, 100))));  // whole records load
    ASSERT_TRUE(store.GrabarRelojes().ok);
    EXPECT_EQ(readFile(path + ".unreadable"), file) << c.version << "/" << c.records;
  }
}
