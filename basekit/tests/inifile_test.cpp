#include <basekit/atomicfile.h>
#include <basekit/inifile.h>

#include "tempdir.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace basekit;

namespace {
std::string slurp(const std::string& p) {
  std::string s;
  readWholeFile(p, s);
  return s;
}
}  // namespace

TEST(IniRead, Cases) {
  const std::string file =
      "; comment\r\n"
      "orphan=before any section\r\n"
      "[COMMON]\r\n"
      "  Lenguaje  =  1  \r\n"
      "Missing=NO_SUCH_KEY\r\n"
      "Empty=\r\n"
      "Quoted=\"  spaced  \"\r\n"
      "Single='x'\r\n"
      "Lone=\"\r\n"
      "Inline=a ; not a comment\r\n"
      ";Hidden=1\r\n"
      "Dup=first\r\n"
      "dup=second\r\n"
      "Long=" +
      std::string(400, 'L') +
      "\r\n"
      "Ca\xF1"
      "a=Jos\xE9\r\n"
      "[common]\r\n"
      "Other=in second section\r\n"
      "[ Spaced Name ]\n"
      "k=lf line\n";
  struct Case {
    const char* section;
    const char* key;
    std::string expected;
  } cases[] = {
      {"COMMON", "LENGUAJE", "1"},
      {"common", "lenguaje", "1"},
      {"COMMON", "Missing", "def"},  // a stored NO_SUCH_KEY reads as missing
      {"COMMON", "Empty", "def"},    // an empty value gives the default
      {"COMMON", "Quoted", "  spaced  "},
      {"COMMON", "Single", "x"},
      {"COMMON", "Lone", "\""},
      {"COMMON", "Inline", "a ; not a comment"},
      {"COMMON", ";Hidden", "def"},
      {"COMMON", "DUP", "first"},
      {"COMMON", "Long", std::string(400, 'L')},
      {"COMMON", "CA\u00D1A", "Jos\u00E9"},
      {"COMMON", "Other", "def"},  // only the first [COMMON] counts
      {"Spaced Name", "K", "lf line"},
      {"COMMON", "orphan", "def"},
      {"NOPE", "Lenguaje", "def"},
  };
  TempDir d;
  const std::string path = d.file("VELTA.INI");
  ASSERT_TRUE(replaceFileAtomically(path, file));
  IniFile ini;
  for (const auto& c : cases)
    EXPECT_EQ(ini.INIRead(c.section, c.key, path, "def"), c.expected) << c.section << "/" << c.key;
  EXPECT_EQ(ini.INIRead("COMMON", "Lenguaje", d.file("none.ini"), "def"), "def");
  EXPECT_EQ(ini.INIRead("COMMON", "Lenguaje", d.path + "\\VELTA.INI", "def"), "1");
}

TEST(IniWrite, Cases) {
  struct Case {
    const char* name;
    const char* before;  // nullptr: no file
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  } cases[] = {
      {"new file", nullptr, "COMMON", "Auto", "1", "[COMMON]\r\nAuto=1\r\n"},
      {"blanks trimmed", nullptr, "S", "K", "  v a  ", "[S]\r\nK=v a\r\n"},
      {"replace in place, stored name kept", "; mine\r\n[S]\r\n  Lenguaje = 1\r\nb=2\r\n", "s",
       "LENGUAJE", "9", "; mine\r\n[S]\r\nLenguaje=9\r\nb=2\r\n"},
      {"append key before blank lines", "[S]\r\na=1\r\n\r\n[T]\r\nx=1\r\n", "S", "b", "2",
       "[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nx=1\r\n"},
      {"append section, LF kept", "[S]\na=1", "T", "k", "v", "[S]\na=1\n[T]\nk=v\n"},
      {"first duplicate written", "[S]\nk=1\nK=2\n[s]\nk=3\n", "S", "k", "x",
       "[S]\nk=x\nK=2\n[s]\nk=3\n"},
      {"BOM file stays UTF-8", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "k", "\u00F1\u4E2D",
       "\xEF\xBB\xBF[S]\r\nk=\u00F1\u4E2D\r\n"},
      {"cp1252 file", "[S]\r\nk=1\r\n", "S", "k", "Jos\u00E9", "[S]\r\nk=Jos\xE9\r\n"},
      {"last line without end", "[S]\r\nk=1", "S", "k", "2", "[S]\r\nk=2"},
      {"last line cut after its CR", "[S]\r\nk=1\r\n[T]\r", "T", "k", "v",
       "[S]\r\nk=1\r\n[T]\r\nk=v\r\n"},
  };
  for (const auto& c : cases) {
    TempDir d;
    const std::string path = d.file("t.ini");
    if (c.before) {
      ASSERT_TRUE(replaceFileAtomically(path, c.before));
    }
    EXPECT_TRUE(IniFile().INIWrite(c.section, c.key, c.value, path)) << c.name;
    EXPECT_EQ(slurp(path), c.after) << c.name;
  }
}

TEST(IniWrite, HandKeptSectionSurvivesRewrite) {
  TempDir d;
  const std::string path = d.file("VELTA.INI");
  const std::string hand =
      "[NOTES]\r\n; written by hand\r\nfree text line\r\n  odd = spacing  \r\n";
  ASSERT_TRUE(replaceFileAtomically(path, "[COMMON]\r\nAuto=0\r\n" + hand));
  IniFile ini;
  EXPECT_TRUE(ini.INIWrite("COMMON", "Auto", "1", path));
  EXPECT_TRUE(ini.INIWrite("COMMON", "New", "x", path));
  EXPECT_EQ(slurp(path), "[COMMON]\r\nAuto=1\r\nNew=x\r\n" + hand);
  EXPECT_EQ(ini.INIRead("NOTES", "odd", path, ""), "spacing");
}

TEST(IniWrite, FailuresLeaveTheOldFile) {
  TempDir d;
  const std::string path = d.file("VELTA.INI");
  ASSERT_TRUE(replaceFileAtomically(path, "[S]\r\nk=1\r\n"));
  IniFile ini;
  basekit::testing::failNextReplace(EIO, 4);
  EXPECT_FALSE(ini.INIWrite("S", "k", "2", path));
  EXPECT_EQ(slurp(path), "[S]\r\nk=1\r\n");
  EXPECT_FALSE(ini.INIWrite("S", "k", "2", d.file("VELTA.INI/under")));
  // Values or names that cannot live on one line are refused, not written torn.
  EXPECT_FALSE(ini.INIWrite("S", "k", "a\r\n[X]", path));
  EXPECT_FALSE(ini.INIWrite("S", "a=b", "1", path));
  EXPECT_FALSE(ini.INIWrite("S]", "k", "1", path));
  EXPECT_EQ(slurp(path), "[S]\r\nk=1\r\n");
}

TEST(IniDocument, UnreadableFileIsNeverOverwritten) {
  TempDir d;
  IniDocument doc = IniDocument::load(d.path);  // a folder: exists, cannot be read
  EXPECT_FALSE(doc.loadedOk());
  doc.set("S", "k", "1");
  std::string error;
  EXPECT_FALSE(doc.save(&error));
  EXPECT_FALSE(error.empty());
}
