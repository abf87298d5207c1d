// The one owner of the program-wide objects: start-up's objects bound to their names over the
// data folder's stores, every name null again after the release, and no second owner.
#include "core/ProgramObjects.h"

#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/Release.h"
#include "core/StoreWriters.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

bool noneBound() {
  return !gCfgFile && !gMirsol && !gModem && !gListaRelojes && !gUsers && !gAuditoria;
}

TEST(ProgramObjectsTest, StartUpsObjectsAreBoundToTheirNamesAndReleasedTogether) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  {
    ProgramObjects objects;
    *gDataFolder = dir.path().toStdString() + "/";
    stores::writeUsers({{"ADMIN", 3, 1}, {"OTRO", 4, 0}});
    stores::ClockSpec clock;
    clock.slot = 2;
    clock.description = "Entrada";
    stores::writeClocks({clock});
    EXPECT_EQ(ProgramObjects::current(), &objects);
    EXPECT_TRUE(noneBound()) << "nothing exists before it is created";
    ClsCfgFile& first = objects.createSettings();
    first.TimeOut = 7;
    ClsCfgFile& cfg = objects.createSettings();
    EXPECT_EQ(gCfgFile, &cfg) << "a fresh object takes the name";
    EXPECT_NE(cfg.TimeOut, 7);
    EXPECT_EQ(objects.createStartupObjects().users, StoreLoad::Loaded) << "the users loaded";
    ASSERT_TRUE(gMirsol && gModem && gListaRelojes && gUsers && gAuditoria);
    EXPECT_EQ(gAuditoria->users, gUsers) << "the audit log records the logged-in user";
    gListaRelojes->GetCurData(2);
    EXPECT_EQ(gListaRelojes->m_Descrip.substr(0, 7), "Entrada");
    EXPECT_TRUE(gUsers->FindUser("ADMIN", "3"));
    objects.release();
    EXPECT_TRUE(noneBound());
    objects.release();  // nothing left to release
    objects.createMirsol();
  }
  EXPECT_TRUE(noneBound()) << "the owner's end releases what is left";
  EXPECT_EQ(ProgramObjects::current(), nullptr);
}

TEST(ProgramObjectsDeathTest, ASecondOwnerStopsTheProgram) {
  EXPECT_DEATH(
      {
        ProgramObjects a;
        ProgramObjects b;
      },
      "a second owner of the program-wide objects");
  EXPECT_DEATH(ProgramObjects::live(), "have no owner");
}

// A value's name used with no owner alive is a clear stop that names it, never a stray write.
TEST(ProgramObjectsDeathTest, AValueUsedWithNoOwnerStopsNamingIt) {
  EXPECT_DEATH(*gDataFolder = "/tmp/", "gDataFolder used with no owner");
  EXPECT_DEATH((void)gCardTable->FindRecord(1), "gCardTable used with no owner");
  EXPECT_DEATH(gCompanyTable->table()[1].inUse = 1, "gCompanyTable used with no owner");
  EXPECT_DEATH(SepararCampos("1 2"), "gSplitFields used with no owner");
}

}  // namespace
