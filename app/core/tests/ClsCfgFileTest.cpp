// Settings object against real files in a temporary folder.
#include "core/ClsCfgFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class CfgFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "cfgXXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    ini = dir + "/VELTA.INI";
    cfg.Init(ini);
    cfg.rshFile = dir + "/RSH.CFG";
  }
  void TearDown() override { fs::remove_all(dir); }

  // `c` loaded from the test's VELTA.INI and RSH.CFG, as a fresh start-up would.
  void load(ClsCfgFile& c) {
    c.Init(ini);
    c.rshFile = cfg.rshFile;
    c.LoadCfg();
  }
  void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::string dir, ini;
  ClsCfgFile cfg;
};

TEST_F(CfgFileTest, NoFileKeepsStartupValues) {
  EXPECT_EQ(cfg.LoadCfg(), 0);
  EXPECT_EQ(cfg.Version, 2);
  EXPECT_EQ(cfg.LongTouch, 4);
  EXPECT_EQ(cfg.LongTarjeta, 5);
  EXPECT_EQ(cfg.formatoFecha, "dd\\/mm\\/YYYY");
  EXPECT_EQ(cfg.cboDrivers, -1);
  EXPECT_EQ(cfg.SkinBorderColor, 8388608);
  EXPECT_EQ(cfg.RSHSystemName, "R3P");
  EXPECT_EQ(cfg.RSHSystemNumber, "00");
  EXPECT_EQ(cfg.RSHUser, "hrmarca");
  EXPECT_EQ(cfg.RSHPathEvt, "/usr/sap/R3P/SYS/exe/run/");
  EXPECT_EQ(cfg.tmpReturnValue, 0);
  EXPECT_TRUE(cfg.tmpFTPFileName.empty());
  EXPECT_FALSE(fs::exists(ini));
}

TEST_F(CfgFileTest, OnlyVersionGivesIniDefaults) {
  put(ini, "[COMMON]\r\nVERSION=2\r\n");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.LongTouch, 0);
  EXPECT_EQ(cfg.LongTarjeta, 5);
  EXPECT_EQ(cfg.MaxConsole, 200);
  EXPECT_EQ(cfg.AutoDias, "11111111");
  EXPECT_EQ(cfg.SAPRemotePort, 21);
  EXPECT_EQ(cfg.cboDrivers, -1);
  EXPECT_EQ(cfg.TimeOutModem, 45);
}

TEST_F(CfgFileTest, SectionWithoutVersionIsIniForm) {
  put(ini, "[COMMON]\nLONGTARJETA=8\n");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.LongTarjeta, 8);
  EXPECT_EQ(cfg.Version, 2);
  EXPECT_FALSE(fs::exists(ini + "old"));
}

TEST_F(CfgFileTest, CrOnlyFileLoadsAndSavesInPlace) {
  put(ini, "[COMMON]\rVERSION=2\rLONGTARJETA=8\r\r\nTIMEOUT=7\r");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.LongTarjeta, 8);
  cfg.LongTarjeta = 6;
  (void)cfg.SaveCfg();
  const std::string text = get(ini);
  EXPECT_EQ(text.rfind("[COMMON]\rVERSION=2\rLONGTARJETA=6\r\r\nTIMEOUT=7\r", 0), 0u) << text;
  EXPECT_EQ(text.find("LONGTARJETA", text.find("LONGTARJETA") + 1), std::string::npos) << text;
}

// The INI form is recognised by a header line as the INI engine reads lines: one behind a
// lone CR, one after a tab, one in a UTF-16 file. Taking such a file for no settings file
// loaded the defaults; and a save of the first made the next load read it differently.
TEST_F(CfgFileTest, HeaderLinesAreFoundAsTheIniEngineReadsThem) {
  auto utf16 = [](const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  };
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"behind a lone CR", "00,\"dd/m\r[COMMON]\r\nAUTO=1\r\nLONGTARJETA=8\r\n"},
      {"after a tab", "\t[COMMON]\nAUTO=1\nLONGTARJETA=8\n"},
      {"UTF-16", utf16("[COMMON]\r\nAUTO=1\r\nLONGTARJETA=8\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    put(ini, c.text);
    ClsCfgFile loaded;
    load(loaded);
    EXPECT_EQ(loaded.Auto, 1);
    EXPECT_EQ(loaded.LongTarjeta, 8);
    EXPECT_FALSE(fs::exists(ini + "old")) << "no older form to retire";
    ASSERT_TRUE(loaded.SaveCfg().ok);
    ASSERT_EQ(loaded.lastSaveError(), "");
    ClsCfgFile again;
    load(again);
    EXPECT_EQ(again.Auto, 1);
    EXPECT_EQ(again.LongTarjeta, 8);
    EXPECT_EQ(again.LongTouch, loaded.LongTouch);
  }
}

TEST_F(CfgFileTest, BadNumbersTakeTheIniDefault) {
  put(ini,
      "[COMMON]\nVERSION=2\nLONGTARJETA=abc\nMAXCONSOLE=99999\nFRECONLINE=3000000\n"
      "TIMEOUT=2.5\nHORA= 7 \n[SAP]\nSAPRemotePort=2x1\n[SKIN]\nskinBorderColor=red\n");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.LongTarjeta, 5);
  EXPECT_EQ(cfg.MaxConsole, 200);
  EXPECT_EQ(cfg.FrecOnline, 3000000);
  EXPECT_EQ(cfg.TimeOut, 2);  // halves to even
  EXPECT_EQ(cfg.Hora, 7);
  EXPECT_EQ(cfg.SAPRemotePort, 21);
  EXPECT_EQ(cfg.SkinBorderColor, 8388608);
}

TEST_F(CfgFileTest, FtpPortReadsEveryUnsignedPortAndItsNegativeForm) {
  const struct {
    const char* text;
    uint16_t port;  // as the upload uses it
  } cases[] = {
      {"40021", 40021}, {"-25515", 40021}, {"65535", 65535}, {"-1", 65535},  {"32768", 32768},
      {"0", 0},         {"2121", 2121},    {"65536", 21},    {"-40000", 21}, {"4x", 21},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    put(ini, std::string("[COMMON]\nVERSION=2\n[SAP]\nSAPRemotePort=") + c.text + "\n");
    cfg.LoadCfg();
    EXPECT_EQ(static_cast<uint16_t>(cfg.SAPRemotePort), c.port);
  }
  // The legacy text form (row 36) reads the same way.
  put(ini, "0,0,x,0,0,0,1,5,0,1,45,0,11111111,0,0,,0,0,0,1,0,0,200,0,,,,-1,,,1,,,,,,40021\n");
  cfg.LoadCfg();
  EXPECT_EQ(static_cast<uint16_t>(cfg.SAPRemotePort), 40021);
}

// Only 0, 1000 and 2000 are languages; any other value would blank every caption of every
// window, so it reads as Spanish, in both forms of the file.
TEST_F(CfgFileTest, LanguageOutsideTheThreeOffsetsReadsAsSpanish) {
  const std::pair<const char*, int16_t> cases[] = {
      {"0", 0},     {"1000", 1000}, {"2000", 2000}, {"500", 0},   {"abc", 0},
      {"-1000", 0}, {"1001", 0},    {"3000", 0},    {"32767", 0}, {"", 0}};
  for (const auto& [text, expected] : cases) {
    put(ini, std::string("[COMMON]\r\nVERSION=2\r\nLENGUAJE=") + text + "\r\n");
    cfg.LoadCfg();
    EXPECT_EQ(cfg.LENGUAJE, expected) << text;
  }
  // The legacy form: LENGUAJE is its twelfth item.
  for (const auto& [text, expected] : {std::pair<const char*, int16_t>{"500", 0}, {"1000", 1000}}) {
    put(ini, std::string("1,0,\"dd/mm/YY\",0,0,0,1,5,0,1,45,") + text + "\r\n");
    cfg.LoadCfg();
    EXPECT_EQ(cfg.LENGUAJE, expected) << text;
  }
}

TEST_F(CfgFileTest, LegacyFileIsReadAndRetired) {
  const std::string legacy = "1,1,\"dd/mm/YY\"\r\n";
  put(ini, legacy);
  cfg.LoadCfg();
  EXPECT_EQ(cfg.Version, 1);
  EXPECT_EQ(cfg.Auto, 1);
  EXPECT_EQ(cfg.formatoFecha, "dd/mm/YY");
  EXPECT_EQ(cfg.LongTouch, 4);  // start-up value, not the INI default
  EXPECT_EQ(cfg.MaxConsole, 200);
  EXPECT_EQ(get(ini + "old"), legacy);
  // The replacement is in INI form and is read as such from now on.
  ClsCfgFile again;
  load(again);
  EXPECT_EQ(again.Version, 2);
  EXPECT_EQ(again.Auto, 1);
  EXPECT_EQ(again.formatoFecha, "dd/mm/YY");
  EXPECT_EQ(again.LongTouch, 4);
}

// A quoted legacy item may span lines or hold a NUL; neither can stand in an INI value. The text
// stops there, so the retired file gains no lines of its own and reads back as loaded.
TEST_F(CfgFileTest, LegacyTextStopsAtLineBreakOrNul) {
  using namespace std::string_literals;
  // A line break inside a quoted item: the text ends there, and retiring the file to the INI
  // form cannot slip a line of its own into it.
  put(ini, "0,1,\"dd/mm\r\nMAXCONSOLE=1\",0,0,0,1,5,4,1,45,0,\"1111111\",0,0,\"HAYES\"\r\n"s);
  cfg.LoadCfg();
  EXPECT_EQ(cfg.formatoFecha, "dd/mm");
  EXPECT_EQ(cfg.ModemDriver, "HAYES");
  // The next start reads the retired file.
  ClsCfgFile again;
  load(again);
  EXPECT_EQ(again.formatoFecha, "dd/mm");
  EXPECT_EQ(again.ModemDriver, "HAYES");
  EXPECT_EQ(again.MaxConsole, 200);

  // A NUL is no text the older form's writer left: the file is no settings file at all, so
  // the defaults are used and the file stays as it is.
  const std::string withNul = "0,1,\"dd/mm\",0,0,0,1,5,4,1,45,0,\"1111111\",0,0,\"HAYES\0X\"\r\n"s;
  put(ini, withNul);
  ClsCfgFile third;
  load(third);
  EXPECT_EQ(third.ModemDriver, "");
  EXPECT_EQ(third.MaxConsole, 200);
  EXPECT_EQ(get(ini), withNul);
}

TEST_F(CfgFileTest, LegacyNumbersUseLeadingValueOrDefault) {
  put(ini, "0, 0 ,x,1, 7.5h,99999,3, 8 \n");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.formatoFecha, "x");
  EXPECT_EQ(cfg.PorPrograma, 1);
  EXPECT_EQ(cfg.Hora, 8);
  EXPECT_EQ(cfg.Minutos, 0);  // out of range: INI default
  EXPECT_EQ(cfg.RelojActivo, 3);
  EXPECT_EQ(cfg.LongTarjeta, 8);
}

TEST_F(CfgFileTest, LegacyStaysWhenCopyFails) {
  const std::string legacy = "2,0,\"YYYYmmdd\"\n";
  put(ini, legacy);
  fs::create_directory(ini + "old");  // the copy cannot be made
  cfg.LoadCfg();
  EXPECT_EQ(cfg.formatoFecha, "YYYYmmdd");
  EXPECT_EQ(get(ini), legacy);
}

TEST_F(CfgFileTest, SaveKeepsForeignLinesAndWritesOnlyOwnSections) {
  put(ini, "; kept\n[RSH]\nRSHUSER=hand\n[COMMON]\nVERSION=2\nEXTRA=1\n");
  ::chmod(ini.c_str(), 0640);
  cfg.LoadCfg();
  EXPECT_EQ(cfg.RSHUser, "hand");
  cfg.LongTarjeta = 9;
  cfg.cboDrivers = -1;
  cfg.SAPPassword = "  secret ";
  (void)cfg.SaveCfg();
  std::string text = get(ini);
  EXPECT_NE(text.find("; kept"), std::string::npos);
  EXPECT_NE(text.find("RSHUSER=hand"), std::string::npos);
  EXPECT_NE(text.find("EXTRA=1"), std::string::npos);
  EXPECT_NE(text.find("LONGTARJETA=9"), std::string::npos);
  EXPECT_NE(text.find("cboDrivers=-1"), std::string::npos);
  EXPECT_NE(text.find("SAPPassword=secret"), std::string::npos);
  EXPECT_NE(text.find("skinBorderColor=8388608"), std::string::npos);
  EXPECT_EQ(text.find("RSHENABLED"), std::string::npos);
  EXPECT_EQ(text.find("tmp"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "the settings hold a password: its owner's alone";
}

TEST_F(CfgFileTest, SaveCreatesOwnerOnlyFileThatLoadsBack) {
  cfg.LoadCfg();
  cfg.FrecAuto = 70000;
  cfg.AutoDias = "0111110";
  cfg.txtPWD = "pañ";
  (void)cfg.SaveCfg();
  EXPECT_NE(get(ini).find("txtpwd=pa\xf1\r\n"), std::string::npos);  // Windows-1252 on disk
  struct stat st {};
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ClsCfgFile back;
  load(back);
  EXPECT_EQ(back.FrecAuto, 70000);
  EXPECT_EQ(back.AutoDias, "0111110");
  EXPECT_EQ(back.txtPWD, "pañ");
  EXPECT_EQ(back.LongTouch, 4);
}

// The settings' passwords are kept in plain text: once one is held, the saved file is its
// owner's alone, whatever mode it had; without one the file keeps its mode.
TEST_F(CfgFileTest, APasswordMakesTheSavedFileItsOwnersAlone) {
  struct Case {
    const char* what;
    const char* before;  // "" for no file
    mode_t mode;
    const char* sap;
    const char* odbc;
    mode_t after;
  };
  const Case cases[] = {
      {"no password", "[COMMON]\r\nVERSION=2\r\n", 0644, "", "", 0644},
      {"FTP password", "[COMMON]\r\nVERSION=2\r\n", 0644, "secreto", "", 0600},
      {"FTP password, already saved", "[SAP]\r\nSAPPassword=secreto\r\n", 0664, "secreto", "",
       0600},
      {"database password", "[COMMON]\r\nVERSION=2\r\n", 0604, "", "clave", 0600},
      {"file of no known form", "\x01\x02", 0644, "secreto", "", 0600},
      {"no file yet", "", 0, "secreto", "", 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ini);
    if (*c.before) {
      put(ini, c.before);
      ASSERT_EQ(::chmod(ini.c_str(), c.mode), 0);
    }
    ClsCfgFile here;
    load(here);
    here.SAPPassword = c.sap;
    here.txtPWD = c.odbc;
    (void)here.SaveCfg();
    EXPECT_EQ(here.lastSaveError(), "");
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.after);
    if (*c.sap) {
      EXPECT_NE(get(ini).find(std::string("SAPPassword=") + c.sap), std::string::npos);
    }
  }
}

// An unattended station loads its settings and never saves them: a file that holds a password
// is its owner's alone from the load on; one without keeps its mode.
TEST_F(CfgFileTest, APasswordMakesTheLoadedFileItsOwnersAlone) {
  const struct {
    const char* text;
    mode_t after;
  } cases[] = {
      {"[SAP]\r\nSAPPassword=secreto\r\n", 0600},
      {"[ODBC]\r\ntxtpwd=clave\r\n", 0600},
      {"[COMMON]\r\nVERSION=2\r\n", 0644},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    put(ini, c.text);
    ASSERT_EQ(::chmod(ini.c_str(), 0644), 0);
    ClsCfgFile here;
    load(here);
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.after);
    EXPECT_EQ(get(ini), c.text) << "the load changes no byte";
  }
}

TEST_F(CfgFileTest, RshFileLookups) {
  const std::string rsh = dir + "/RSH.CFG";
  put(rsh, "rshuser=abc\r\n RSHSERVER=host\r\nRSHPATHEVT=/a,b\r\nRSHENABLED=1x\r\n");
  put(ini, "[RSH]\nRSHSYSTEMNUMBER=77\nRSHUSER=ini\n");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.RSHUser, "abc");
  EXPECT_EQ(cfg.RSHServer, "=host");
  EXPECT_EQ(cfg.RSHPathEvt, "/a");
  EXPECT_EQ(cfg.RSHSystemNumber, "00");
  EXPECT_EQ(cfg.RSHEnabled, 1);
  EXPECT_EQ(cfg.ReadCfg("MISSING", "dflt", rsh), "dflt");
  EXPECT_EQ(cfg.ReadCfg("RSHUSER", "d", dir + "/none.cfg"), "d");
}

TEST_F(CfgFileTest, RshSectionWhenNoRshFile) {
  put(ini, "[COMMON]\nVERSION=2\n[RSH]\nRSHENABLED=zz\nRSHUSER=ini\n");
  cfg.LoadCfg();
  EXPECT_EQ(cfg.RSHUser, "ini");
  EXPECT_EQ(cfg.RSHEnabled, 0);
  EXPECT_EQ(cfg.RSHSystemName, "R3P");
}

// What a load does with each kind of settings file: the older plain-text form is retired (a
// copy kept, the INI text in its place); a file of no known form gives the defaults and stays
// byte for byte, through the close-time save too, until the operator saves.
TEST_F(CfgFileTest, OnlyTheOlderFormIsRetired) {
  std::string tooManyItems = "2";
  for (int i = 0; i < 45; ++i) tooManyItems += ",1";
  struct Case {
    const char* what;
    std::string bytes;
    bool retired;
    int16_t autoFlag;
  };
  const Case cases[] = {
      {"older form", "2,1,\"dd/mm/YY\"\r\n", true, 1},
      {"older form, an item a line, Ctrl-Z at the end", "0\r\n1\r\n\x1a", true, 1},
      {"empty", "", false, 0},
      {"blank lines", "\r\n \r\n", false, 0},
      {"binary",
       std::string("\x00\x01\xff\xfe"
                   "2,1",
                   7),
       false, 0},
      {"keys without a section", "AUTO=1\r\nVERSION=2\r\n", false, 0},
      {"text that begins with a word", "hello,1,2\n", false, 0},
      {"more items than settings", tooManyItems, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ini + "old");
    put(ini, c.bytes);
    ClsCfgFile cfg1;
    load(cfg1);
    EXPECT_EQ(cfg1.Auto, c.autoFlag);
    EXPECT_EQ(cfg1.loadError(), "");
    EXPECT_EQ(fs::exists(ini + "old"), c.retired);
    if (c.retired) {
      EXPECT_EQ(get(ini + "old"), c.bytes);
      EXPECT_NE(get(ini).find("[COMMON]"), std::string::npos);
      continue;
    }
    EXPECT_EQ(get(ini), c.bytes);
    (void)cfg1.SaveCfgOnClose();
    EXPECT_EQ(get(ini), c.bytes);
    cfg1.LongTarjeta = 7;
    (void)cfg1.SaveCfg();  // the operator's save replaces it
    EXPECT_EQ(cfg1.lastSaveError(), "");
    ClsCfgFile back;
    load(back);
    EXPECT_EQ(back.LongTarjeta, 7);
    EXPECT_EQ(back.Version, 2);
    EXPECT_EQ(get(ini).find('\0'), std::string::npos);
  }
}

// A settings file or RSH.CFG that is there but cannot be read, or is far larger than such a
// file can be, is refused without being read whole: the load runs in a child process whose
// peak memory is measured. The refused file is never written over, by either save.
TEST_F(CfgFileTest, HugeOrUnreadableFilesAreRefusedAndKept) {
  const passwd* tester = ::getpwnam("veltatest");
  const bool root = ::geteuid() == 0;
  const std::string rsh = cfg.rshFile;
  const std::string goodIni = "[COMMON]\r\nVERSION=2\r\nAUTO=1\r\n";
  enum Make { Sparse, NoPermission, Folder, Fifo };
  struct Case {
    const char* what;
    const std::string* target;
    Make make;
    off_t size;
    bool settingsRefused;
  };
  const off_t gib = off_t{1} << 30;
  const Case cases[] = {
      {"1 GB sparse VELTA.INI", &ini, Sparse, gib, true},
      {"VELTA.INI one byte over its limit", &ini, Sparse, ClsCfgFile::kMaxSettingsBytes + 1, true},
      {"VELTA.INI without read permission", &ini, NoPermission, 0, true},
      {"a folder named VELTA.INI", &ini, Folder, 0, true},
      {"1 GB sparse RSH.CFG", &rsh, Sparse, gib, false},
      {"RSH.CFG one byte over its limit", &rsh, Sparse, ClsCfgFile::kMaxRshBytes + 1, false},
      {"RSH.CFG without read permission", &rsh, NoPermission, 0, false},
      {"a FIFO named VELTA.INI", &ini, Fifo, 0, true},
      {"a folder named RSH.CFG", &rsh, Folder, 0, false},
      {"a FIFO named RSH.CFG", &rsh, Fifo, 0, false},
  };
  ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);  // the test account may look in
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(ini);
    fs::remove_all(rsh);
    fs::remove(ini + "old");
    put(ini, goodIni);
    put(rsh, "RSHENABLED=1\r\nRSHUSER=abc\r\n");
    const std::string& path = *c.target;
    fs::remove(path);
    if (c.make == Folder) {
      fs::create_directory(path);
    } else if (c.make == Fifo) {
      ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    } else {
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ASSERT_GE(fd, 0);
      if (c.make == Sparse) {
        // Text at the start, so a reader that got past the limit would find a section.
        const std::string head = path == ini ? goodIni : "RSHENABLED=1\r\n";
        ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(::ftruncate(fd, c.size), 0);
      }
      ::close(fd);
      if (c.make == NoPermission) {
        ASSERT_EQ(::chmod(path.c_str(), 0), 0);
      }
    }
    const bool dropToTester = c.make == NoPermission && root;
    if (dropToTester && !tester) {
      std::printf("skipped (%s): root reads any file and there is no veltatest account\n", c.what);
      continue;
    }
    const struct stat before = [&] {
      struct stat st {};
      ::stat(path.c_str(), &st);
      return st;
    }();

    int pipeFd[2];
    ASSERT_EQ(::pipe(pipeFd), 0);
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFd[0]);
      if (dropToTester && (::setgid(tester->pw_gid) != 0 || ::setuid(tester->pw_uid) != 0))
        ::_exit(3);
      ClsCfgFile loaded;
      loaded.Init(ini);
      loaded.rshFile = rsh;
      loaded.LoadCfg();
      const std::string report = std::string(loaded.settingsRefused() ? "1" : "0") +
                                 std::to_string(loaded.Auto) + std::to_string(loaded.RSHEnabled) +
                                 loaded.loadError();
      (void)!::write(pipeFd[1], report.data(), report.size());
      ::_exit(0);
    }
    ::close(pipeFd[1]);
    std::string report;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFd[0], buf, sizeof buf)) > 0;) report.append(buf, n);
    ::close(pipeFd[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    std::printf("%s: refused in %lld ms, peak of the loading process %ld KiB\n", c.what,
                static_cast<long long>(ms), usage.ru_maxrss);
    EXPECT_LT(usage.ru_maxrss, 200 * 1024);
    ASSERT_GE(report.size(), 3u);
    EXPECT_EQ(report[0], c.settingsRefused ? '1' : '0');
    EXPECT_EQ(report[1], c.settingsRefused ? '0' : '1') << "AUTO";
    EXPECT_EQ(report[2], c.settingsRefused ? '1' : '0') << "RSHENABLED";
    EXPECT_NE(report.find(path), std::string::npos) << report;

    // Neither save writes over a refused settings file.
    if (c.settingsRefused && !dropToTester) {
      ClsCfgFile here;
      here.Init(ini);
      here.rshFile = rsh;
      here.LoadCfg();
      EXPECT_TRUE(here.SaveCfgOnClose().ok) << "left as it is, which is no failure";
      const StoreResult saved = here.SaveCfg();
      EXPECT_FALSE(saved.ok);
      EXPECT_EQ(saved.why, StoreFailure::WriteFailed);
      EXPECT_NE(here.lastSaveError(), "");
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_FALSE(fs::exists(ini + "old"));
    ::chmod(path.c_str(), 0644);
  }
}

}  // namespace

TEST(CfgFile, ShortAutoDiasReadsMissingAsZero) {
  ClsCfgFile c;
  c.AutoDias = "011";
  const char want[] = {'0', '0', '1', '1', '0', '0', '0', '0', '0', '0'};
  for (int pos = 0; pos <= 9; ++pos) EXPECT_EQ(c.AutoDiasAt(pos), want[pos]) << pos;
}
