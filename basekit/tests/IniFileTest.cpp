#include "tempdir.h"

#include <basekit/atomicfile.h>
#include <basekit/inifile.h>
#include <basekit/testing/Hooks.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <sys/stat.h>

using namespace basekit;

using namespace std::string_literals;

namespace {
std::string slurp(const std::string& p) {
  std::string s;
  readWholeFile(p, s);
  return s;
}
// A UTF-16LE file with its BOM, from ASCII and Latin-1 text given as UTF-8.
std::string utf16File(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC3) c = 0xC0 | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
    out += static_cast<char>(c);
    out += '\0';
  }
  return out;
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
      "\v\fVt\t=\v x \f\x1A\r\n"
      "Nul=ab\0cd\r\n"s +
      "Bare\r\n"
      "[Unclosed\r\n"
      "AfterUnclosed=still common\r\n"
      "[common]\r\n"
      "Other=in second section\r\n"
      "[ Spaced Name ]\n"
      "k=lf line\n"
      "[a]b]\n"
      "k=to the last bracket\n";
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
      {"", "ORPHAN", "before any section"},  // above the first header: the nameless section
      {"COMMON", "vt", "x"},                 // VT, FF and a trailing Ctrl-Z are trimmed
      {"COMMON", "Nul", "ab"},               // a value ends at a NUL
      {"COMMON", "Bare", "def"},             // a key without '=' is empty
      {"Unclosed", "AfterUnclosed", "def"},  // no closing bracket, no header
      {"COMMON", "AfterUnclosed", "still common"},
      {"a]b", "k", "to the last bracket"},
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

TEST(IniRead, LineEndsAndEncodings) {
  struct Case {
    const char* name;
    std::string file;
    const char* key;
    std::string expected;
  } cases[] = {
      {"CR before CR LF", "[COMMON]\r\r\nTIMEOUT=7\r\r\n", "TIMEOUT", "7"},
      {"CR only", "[COMMON]\rAuto=1\rTIMEOUT=7\r", "TIMEOUT", "7"},
      {"mixed", "[COMMON]\nAuto=1\rTIMEOUT=7\r\n", "TIMEOUT", "7"},
      {"UTF-16LE", utf16File("[COMMON]\r\nTIMEOUT=Jos\u00E9\r\n"), "TIMEOUT", "Jos\u00E9"},
      {"UTF-16LE, odd length", utf16File("[COMMON]\r\nTIMEOUT=7\r\n") + "x", "TIMEOUT", "7"},
  };
  for (const auto& c : cases) {
    TempDir d;
    const std::string path = d.file("VELTA.INI");
    ASSERT_TRUE(replaceFileAtomically(path, c.file));
    EXPECT_EQ(IniFile().INIRead("COMMON", c.key, path, "def"), c.expected) << c.name;
  }
}

TEST(IniWrite, Cases) {
  struct Case {
    const char* name;
    std::optional<std::string> before;  // none: no file
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } cases[] = {
      {"new file", std::nullopt, "COMMON", "Auto", "1", "[COMMON]\r\nAuto=1\r\n"},
      {"blanks trimmed", std::nullopt, "S", "K", "  v a  ", "[S]\r\nK=v a\r\n"},
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
      {"CR before CR LF, in place", "[COMMON]\r\r\nTIMEOUT=7\r\r\n", "COMMON", "TIMEOUT", "9",
       "[COMMON]\r\r\nTIMEOUT=9\r\r\n"},
      {"CR only, appended with CR", "[S]\rk=1\r", "S", "n", "2", "[S]\rk=1\rn=2\r"},
      {"unclosed header is no section", "[S\r\nk=1\r\n", "S", "k", "2",
       "[S\r\nk=1\r\n[S]\r\nk=2\r\n"},
      {"key without '=' gets its value in place", "[S]\r\nFlag\r\nb=1\r\n", "S", "FLAG", "on",
       "[S]\r\nFlag=on\r\nb=1\r\n"},
      {"nameless section, in place", "a=1\r\n[S]\r\na=1\r\n", "", "A", "2",
       "a=2\r\n[S]\r\na=1\r\n"},
      {"nameless section, new key on top", "[S]\r\nk=1\r\n", "", "top", "1",
       "top=1\r\n[S]\r\nk=1\r\n"},
      {"section to the last bracket", "[a]b]\r\nk=1\r\n[a]\r\nk=1\r\n", "a", "k", "2",
       "[a]b]\r\nk=1\r\n[a]\r\nk=2\r\n"},
      {"UTF-16LE stays UTF-16LE", utf16File("[S]\r\nk=1\r\n"), "S", "k", "Jos\u00E9",
       utf16File("[S]\r\nk=Jos\u00E9\r\n")},
      {"UTF-16LE, new section", utf16File("[S]\r\nk=1"), "T", "k", "v",
       utf16File("[S]\r\nk=1\r\n[T]\r\nk=v\r\n")},
  };
  for (const auto& c : cases) {
    TempDir d;
    const std::string path = d.file("t.ini");
    if (c.before) {
      ASSERT_TRUE(replaceFileAtomically(path, *c.before));
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
  EXPECT_FALSE(ini.INIWrite("S", "k", "a\0b"s, path));
  EXPECT_EQ(slurp(path), "[S]\r\nk=1\r\n");
  // A UTF-16 file that would not come back as it was is not written, and single-byte
  // lines never go into one.
  const std::string torn = utf16File("[S]\r\nk=1\r\n") + "x";
  ASSERT_TRUE(replaceFileAtomically(path, torn));
  EXPECT_FALSE(ini.INIWrite("S", "k", "2", path));
  EXPECT_EQ(slurp(path), torn);
  ASSERT_TRUE(replaceFileAtomically(path, utf16File("[S]\r\nk=1\r\n")));
  EXPECT_FALSE(ini.INIWrite("S", "k", "\xE9", path));  // not UTF-8
  EXPECT_EQ(slurp(path), utf16File("[S]\r\nk=1\r\n"));
}

TEST(IniWrite, CreatesFilesForItsOwnerOnly) {
  TempDir d;
  const std::string path = d.file("VELTA.INI");
  ASSERT_TRUE(IniFile().INIWrite("SAP", "Password", "secret", path));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  chmod(path.c_str(), 0640);  // an existing file keeps its mode
  ASSERT_TRUE(IniFile().INIWrite("SAP", "Password", "other", path));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
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

TEST(IniDocument, OversizedFileIsNeitherReadNorOverwritten) {
  TempDir d;
  const std::string f = d.file("big.ini");
  std::string text = "[S]\r\nk=1\r\n";
  text.resize(IniDocument::kMaxFileBytes + 1, ';');
  ASSERT_TRUE(replaceFileAtomically(f, text));
  IniDocument doc = IniDocument::load(f);
  EXPECT_FALSE(doc.loadedOk());
  EXPECT_NE(doc.loadError().find("too large"), std::string::npos) << doc.loadError();
  EXPECT_EQ(doc.get("S", "k", "default"), "default");
  doc.set("S", "k", "2");
  EXPECT_FALSE(doc.save());
  IniFile ini;
  EXPECT_EQ(ini.INIRead("S", "k", f, "default"), "default");
  EXPECT_FALSE(ini.INIWrite("S", "k", "3", f));
  EXPECT_EQ(slurp(f), text);
  // At the limit it is an ordinary file.
  text.resize(IniDocument::kMaxFileBytes);
  ASSERT_TRUE(replaceFileAtomically(f, text));
  EXPECT_EQ(ini.INIRead("S", "k", f, "default"), "1");
}
