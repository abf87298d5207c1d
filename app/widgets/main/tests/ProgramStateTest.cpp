// All of the program's mutable state has one owner: what one owner held, of every layer, is
// gone for the next owner and after a release.
#include "collect/ConverterLink.h"
#include "collect/testing/Hooks.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "core/QtTranslations.h"
#include "core/Release.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/clock/fAuto.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/main/WindowOpeners.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace {

// Asked of the application's translators: only the texts Velta adds to Qt's answer it, in
// Spanish once the translators are installed.
QString folderText() { return QCoreApplication::translate("VeltaProbe", "Folder"); }

// What a conversion through the program's binding reports, run in `dir`.
std::string conversionError(const QTemporaryDir& dir) {
  const std::string base = dir.path().toStdString() + "/";
  std::string error;
  int32_t result = 0;
  collect::ConverterLink::program().convert(base + "IN.MIR", base + "OUT.MIR", result, error);
  return error;
}

TEST(ProgramStateTest, ASecondOwnerAndAReleaseStartFromNothing) {
  apptest::ensureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const bool viaRelease : {false, true}) {
    SCOPED_TRACE(viaRelease ? "a release" : "a second owner");
    auto first = std::make_unique<ProgramObjects>();
    first->createSettings();
    const std::string cards = dir.path().toStdString() + "/VELTA.TAR";
    {
      std::ofstream tar(cards, std::ios::binary);
      for (int n = 0; n < 3; ++n) tar << ClsTarjetas::encodeRecord(CardRecord{});
    }
    gCardTable->Iniciar(cards);
    ASSERT_EQ(gCardTable->CargarTarjetas(), StoreLoad::Loaded);
    ASSERT_EQ(gCardTable->table().size(), 3u);
    gCompanyTable->table()[1].inUse = 1;
    SepararCampos("1 2 3 4 5 rest");
    *gVersionText = "6.00";
    *gDataFolder = dir.path().toStdString() + "/";
    *gSharedText = "2";
    *gRunMode = 2;
    first->editorHooks().clockList = [](ClsListaRelojes&) {};
    first->editorHooks().users = [](ClsUsers&) {};
    windowOpeners().FLeer = [](QWidget*) {};
    collect::testing::setConverterLibrary("libvelta-no-such-addin.so");
    ASSERT_NE(conversionError(dir).find("no-such-addin"), std::string::npos);
    ASSERT_TRUE(applyQtTranslations(0));
    ASSERT_EQ(folderText(), "Carpeta");
    // An automatic run that asked for the program's end, and an exchange still running.
    auto run = std::make_unique<fAuto>(nullptr, apptest::windowContext(),
                                       fAuto::Program{*gRunMode, gUsers});
    run->stopUnattended();
    ASSERT_TRUE(run->endsProgram());
    ASSERT_EQ(fAuto::current(apptest::windowState()), run.get());
    QWidget exchanging;
    const WindowContext handed(std::nullopt, apptest::windowState());
    BusyGuard::hand(&exchanging, handed);
    std::optional<BusyGuard> guard(std::in_place, &exchanging);
    ASSERT_TRUE(BusyGuard::anyBusy(&exchanging));

    if (viaRelease) {
      first->release();
    } else {
      first.reset();
      first = std::make_unique<ProgramObjects>();
    }

    EXPECT_EQ(gCfgFile, nullptr);
    EXPECT_EQ(gCardTable->table().size(), 1u);
    EXPECT_EQ(gCardTable->table()[0].card, 0);
    EXPECT_EQ(gCompanyTable->table()[1].inUse, 0);
    EXPECT_EQ(gSplitFields->field(1), "");
    EXPECT_EQ(gSplitFields->rest, "");
    EXPECT_EQ(*gVersionText, "");
    EXPECT_EQ(*gDataFolder, "");
    EXPECT_EQ(*gSharedText, "");
    EXPECT_EQ(*gRunMode, 0);
    EXPECT_FALSE(first->editorHooks().clockList);
    EXPECT_FALSE(first->editorHooks().users);
    EXPECT_FALSE(windowOpeners().FLeer);
    EXPECT_EQ(conversionError(dir).find("no-such-addin"), std::string::npos);
    EXPECT_EQ(folderText(), "Folder") << "the translators are off the application";
    EXPECT_EQ(fAuto::current(apptest::windowState()), nullptr);
    EXPECT_FALSE(BusyGuard::anyBusy(&exchanging));
    // The guard and the window made before end under the new start and leave it as it is.
    guard.reset();
    run.reset();
    const WindowContext handedAgain(std::nullopt, apptest::windowState());
    BusyGuard::hand(&exchanging, handedAgain);
    EXPECT_FALSE(BusyGuard::anyBusy(&exchanging));
    BusyGuard again(&exchanging);
    EXPECT_TRUE(BusyGuard::anyBusy(&exchanging));
  }
}

}  // namespace
