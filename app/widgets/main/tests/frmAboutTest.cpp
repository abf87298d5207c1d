// The about box: its texts, and the system-information program found through the registry.
#include "widgets/main/frmAbout.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <basekit/registry.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

namespace {

struct AboutFixture : ::testing::Test {
  apptest::TempDataFolder folder;
  QByteArray savedRegistry;
  void SetUp() override {
    apptest::objects().createSettings();
    savedRegistry = qgetenv("VELTA_REGISTRY_FILE");
    qputenv("VELTA_REGISTRY_FILE", QByteArray::fromStdString(folder.file("registry.txt")));
  }
  void TearDown() override {
    if (savedRegistry.isEmpty())
      qunsetenv("VELTA_REGISTRY_FILE");
    else
      qputenv("VELTA_REGISTRY_FILE", savedRegistry);
  }
  void setValue(const std::string& key, const std::string& name, const std::string& value) {
    basekit::Registry r;
    r.ClassKey(basekit::HKEY_LOCAL_MACHINE);
    r.SectionKey(key);
    r.ValueKey(name);
    r.Value(value);
  }
  // A program that leaves `marker` behind when it runs.
  std::string program(const std::string& name, const std::string& marker) {
    folder.write(name, "#!/bin/sh\ntouch '" + folder.file(marker) + "'\n");
    chmod(folder.file(name).c_str(), 0755);
    return folder.file(name);
  }
};

const char* kKey1 = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* kKey2 = "SOFTWARE\\Microsoft\\Shared Tools Location";

TEST_F(AboutFixture, ShowsCaptionVersionAndDescription) {
  frmAbout box;
  EXPECT_EQ(box.windowTitle().toStdString(), "Acerca de... Velta 2000");
  EXPECT_EQ(box.lblTitle()->text().toStdString(), "Velta 2000");
  EXPECT_EQ(box.lblVersion()->text().toStdString(), "Versi\u00f3n 6.0.4");
  const QStringList lines = box.lblDescription()->text().split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0].toStdString(), "Programa de Comunicaciones para Relojes");
  EXPECT_TRUE(lines[2].contains(" - "));
  EXPECT_EQ(box.cmdOK()->text().toStdString(), "&Aceptar");
  EXPECT_EQ(box.cmdSysInfo()->text().toStdString(), "&Info...");
  EXPECT_TRUE(apptest::grabNonBlank(&box, "frmAbout.png"));
}

TEST_F(AboutFixture, LocationOneIsStartedAsItIs) {
  setValue(kKey1, "PATH", program("sysinfo.sh", "started"));
  frmAbout box;
  box.show();
  QTest::mouseClick(box.cmdSysInfo(), Qt::LeftButton);
  QElapsedTimer waited;
  waited.start();
  while (!folder.exists("started") && waited.elapsed() < 30000) QTest::qWait(20);
  EXPECT_TRUE(folder.exists("started"));
}

TEST_F(AboutFixture, LocationTwoNeedsMsinfo32InItsFolder) {
  EXPECT_EQ(sysInfoPath(), "");  // nothing registered: the button does nothing
  const std::string dir = folder.file("tools");
  mkdir(dir.c_str(), 0755);
  setValue(kKey2, "MSINFO", dir);
  EXPECT_EQ(sysInfoPath(), "");
  program("tools/MSINFO32.EXE", "unused");
  EXPECT_EQ(sysInfoPath(), dir + "/MSINFO32.EXE");
  std::string value;
  EXPECT_FALSE(GetKeyValue(basekit::HKEY_LOCAL_MACHINE, kKey2, "msinfo", value));
  EXPECT_EQ(value, "");
}

}  // namespace
