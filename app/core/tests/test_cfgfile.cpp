// Settings object against real files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ClsCfgFile.h"

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
  cfg.SaveCfg();
  const std::string text = get(ini);
  EXPECT_EQ(text.rfind("[COMMON]\rVERSION=2\rLONGTARJETA=6\r\r\nTIMEOUT=7\r", 0), 0u) << text;
  EXPECT_EQ(text.find("LONGTARJETA", text.find("LONGTARJETA") + 1), std::string::npos) << text;
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
  again.Init(ini);
  again.rshFile = cfg.rshFile;
  again.LoadCfg();
  EXPECT_EQ(again.Version, 2);
  EXPECT_EQ(again.Auto, 1);
  EXPECT_EQ(again.formatoFecha, "dd/mm/YY");
  EXPECT_EQ(again.LongTouch, 4);
}

// A quoted legacy item may span lines or hold a NUL; neither can stand in an INI value. The text
// stops there, so the retired file gains no lines of its own and reads back as loaded.
TEST_F(CfgFileTest, LegacyTextStopsAtLineBreakOrNul) {
  using namespace std::string_literals;
  put(ini, "0,1,\"dd/mm\r\nMAXCONSOLE=1\",0,0,0,1,5,4,1,45,0,\"1111111\",0,0,\"HAYES\0X\"\r\n"s);
  cfg.LoadCfg();
  EXPECT_EQ(cfg.formatoFecha, "dd/mm");
  EXPECT_EQ(cfg.ModemDriver, "HAYES");
  // The next start reads the retired file.
  ClsCfgFile again;
  again.Init(ini);
  again.rshFile = cfg.rshFile;
  again.LoadCfg();
  EXPECT_EQ(again.formatoFecha, "dd/mm");
  EXPECT_EQ(again.ModemDriver, "HAYES");
  EXPECT_EQ(again.MaxConsole, 200);
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
  cfg.SaveCfg();
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
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(CfgFileTest, SaveCreatesOwnerOnlyFileThatLoadsBack) {
  cfg.LoadCfg();
  cfg.FrecAuto = 70000;
  cfg.AutoDias = "0111110";
  cfg.txtPWD = "pañ";
  cfg.SaveCfg();
  EXPECT_NE(get(ini).find("txtpwd=pa\xf1\r\n"), std::string::npos);  // Windows-1252 on disk
  struct stat st {};
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ClsCfgFile back;
  back.Init(ini);
  back.rshFile = cfg.rshFile;
  back.LoadCfg();
  EXPECT_EQ(back.FrecAuto, 70000);
  EXPECT_EQ(back.AutoDias, "0111110");
  EXPECT_EQ(back.txtPWD, "pañ");
  EXPECT_EQ(back.LongTouch, 4);
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

}  // namespace

TEST(CfgFile, ShortAutoDiasReadsMissingAsZero) {
  ClsCfgFile c;
  c.AutoDias = "011";
  const char want[] = {'0', '0', '1', '1', '0', '0', '0', '0', '0', '0'};
  for (int pos = 0; pos <= 9; ++pos) EXPECT_EQ(c.AutoDiasAt(pos), want[pos]) << pos;
}
