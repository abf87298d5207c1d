#include "tempdir.h"

#include <basekit/atomicfile.h>
#include <basekit/registry.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace basekit;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("VELTA_REGISTRY_FILE", dir.file("sub/registry.txt").c_str(), 1); }
  Registry at(const char* section, const char* value = "", int32_t root = HKEY_LOCAL_MACHINE) {
    Registry r;
    r.ClassKey(root);
    r.SectionKey(section);
    r.ValueKey(value);
    r.Default("dflt");
    return r;
  }
  TempDir dir;
};

TEST_F(RegistryTest, ValuesRoundTripAcrossObjects) {
  Registry w = at("Software\\Velta\\Remcmd", "Path");
  EXPECT_FALSE(w.KeyExists());
  EXPECT_EQ(w.Value(), "dflt");
  w.Value("C:\\x=y [z] %41\r\nend ");
  EXPECT_EQ(w.lastWritten(), "C:\\x=y [z] %41\r\nend ");
  Registry r = at("SOFTWARE\\velta\\REMCMD", "Path");
  EXPECT_TRUE(r.KeyExists());
  EXPECT_EQ(r.Value(), "C:\\x=y [z] %41\r\nend ");
  r.ValueKey("path");  // value lookup is exact
  EXPECT_EQ(r.Value(), "dflt");
  EXPECT_TRUE(at("Software\\Velta").KeyExists());
  EXPECT_FALSE(at("Software\\Velta", "", HKEY_CURRENT_USER).KeyExists());
}

TEST_F(RegistryTest, RootsAlwaysExist) {
  struct Case {
    const char* section;
    int32_t root;
    bool exists;
  } cases[] = {
      {"", HKEY_LOCAL_MACHINE, true},
      {"", HKEY_USERS, true},
      {"Software", HKEY_CURRENT_USER, false},
      {"", 0x1234, false},
  };
  for (const auto& c : cases)  // no tree file yet
    EXPECT_EQ(at(c.section, "", c.root).KeyExists(), c.exists) << c.section << " " << c.root;
  at("Software\\Velta", "v").Value("1");
  at("System", "v").Value("2");
  std::vector<std::string> sections;
  int16_t count = -1;
  at("").EnumerateSections(sections, count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(sections, (std::vector<std::string>{"Software", "System"}));
}

TEST_F(RegistryTest, EnumerationInCreationOrder) {
  for (const char* n : {"b", "a", "c"}) {
    Registry r = at("Software\\Enum", n);
    r.Value(std::string("v") + n);
  }
  ASSERT_TRUE(at("Software\\Enum\\Zed").CreateKey());
  ASSERT_TRUE(at("Software\\Enum\\Alpha\\Deep").CreateKey());
  std::vector<std::array<std::string, 2>> rows{{"stale", "x"}};
  int16_t count = -1;
  at("Software\\Enum").EnumerateValues(rows, count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(rows, (std::vector<std::array<std::string, 2>>{{"b", "vb"}, {"a", "va"}, {"c", "vc"}}));
  std::vector<std::string> sections;
  at("software\\ENUM").EnumerateSections(sections, count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(sections, (std::vector<std::string>{"Zed", "Alpha"}));
  at("Software\\Missing").EnumerateValues(rows, count);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(rows.empty());
  at("Software\\Missing").EnumerateSections(sections, count);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(sections.empty());
}

TEST_F(RegistryTest, DeleteKeyAndValue) {
  at("Software\\Del\\Sub", "v").Value("1");
  at("Software\\Del", "keep").Value("2");
  at("Software\\Del", "Gone").Value("3");
  EXPECT_TRUE(
      at("Software\\Del", "GONE").DeleteValue());  // value names are one name regardless of case
  EXPECT_FALSE(at("Software\\Del", "Gone").DeleteValue());
  EXPECT_EQ(at("Software\\Del", "Gone").Value(), "dflt");
  EXPECT_EQ(at("Software\\Del", "keep").Value(), "2");
  EXPECT_TRUE(at("software\\del").DeleteKey());
  EXPECT_FALSE(at("Software\\Del\\Sub").KeyExists());
  EXPECT_FALSE(at("Software\\Del").KeyExists());
  EXPECT_TRUE(at("Software").KeyExists());
  EXPECT_FALSE(at("Software\\Del").DeleteKey());
}

TEST_F(RegistryTest, FailedWriteRaises26001) {
  Registry bad = at("Software\\X", "Name", 0x1234);
  EXPECT_FALSE(bad.CreateKey());
  try {
    bad.Value("v");
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_EQ(e.number(), 26001);
    EXPECT_EQ(e.source(), "Basekit.cRegistry");
    EXPECT_EQ(e.description(),
              "Failed To Set registry value Key: '4660',Section: 'Software\\X',Key: 'Name' to "
              "value: 'v'");
    EXPECT_EQ(e.messageBoxText(), "");
  }

  // The tree file cannot be written: the write itself fails, with its box text.
  setenv("VELTA_REGISTRY_FILE", (dir.file("file") + "/under/registry.txt").c_str(), 1);
  ASSERT_TRUE(replaceFileAtomically(dir.file("file"), "not a folder"));
  try {
    at("Software\\Y", "Name").Value("v");
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_EQ(e.description(),
              "Failed To Set registry value Key: '-2147483646',Section: 'Software\\Y',Key: 'Name' "
              "to value: 'v'");
    EXPECT_EQ(e.messageBoxText().rfind("ERROR #", 0), 0u) << e.messageBoxText();
    EXPECT_NE(e.messageBoxText().find(" : "), std::string::npos);
    EXPECT_EQ(e.messageBoxText().substr(e.messageBoxText().size() - 27),
              "\rPlease Exit and try again.");
  }
}

TEST_F(RegistryTest, UnreadableTreeIsNeverReplaced) {
  // A tree file that exists but cannot be opened (here a link to itself) keeps
  // whatever it is; writes fail instead of saving a tree of one key.
  const std::string loop = dir.file("loop.txt");
  ASSERT_EQ(symlink("loop.txt", loop.c_str()), 0);
  setenv("VELTA_REGISTRY_FILE", loop.c_str(), 1);
  EXPECT_THROW(at("Software\\Y", "Name").Value("v"), RegistryError);
  EXPECT_FALSE(at("Software\\Z").CreateKey());
  EXPECT_EQ(at("Software\\Y", "Name").Value(), "dflt");
  struct stat st {};
  ASSERT_EQ(lstat(loop.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(RegistryTest, ALinkedTreeOrLockFileIsNeverWrittenThrough) {
  for (const char* linked : {"registry.txt", "registry.txt.lock"}) {
    SCOPED_TRACE(linked);
    TempDir d;
    const std::string tree = d.file("registry.txt");
    const std::string outside = dir.file(std::string("outside-") + linked);
    ASSERT_TRUE(replaceFileAtomically(outside, "kept\n", nullptr, 0604));
    ASSERT_EQ(symlink(outside.c_str(), d.file(linked).c_str()), 0);
    setenv("VELTA_REGISTRY_FILE", tree.c_str(), 1);
    EXPECT_THROW(at("Software\\Y", "Name").Value("v"), RegistryError);
    EXPECT_FALSE(at("Software\\Z").CreateKey());
    std::string got;
    ASSERT_TRUE(readWholeFile(outside, got));
    EXPECT_EQ(got, "kept\n");
    struct stat st {};
    ASSERT_EQ(lstat(d.file(linked).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
  }
}

// A FIFO under the lock file's name neither hangs a call nor is taken for a lock: the write is
// refused as the lock's kind says.
TEST_F(RegistryTest, AFifoAsTheLockFileIsRefusedAtOnce) {
  TempDir d;
  ASSERT_EQ(::mkfifo(d.file("registry.txt.lock").c_str(), 0600), 0);
  setenv("VELTA_REGISTRY_FILE", d.file("registry.txt").c_str(), 1);
  errno = 0;
  EXPECT_FALSE(at("Software\\Z").CreateKey());
  EXPECT_NE(errno, 0);
  struct stat st {};
  EXPECT_NE(::stat(d.file("registry.txt").c_str(), &st), 0) << "no tree written";
}
