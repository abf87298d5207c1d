// What every window with a menu bar shows when opened over the main window, as the program
// opens it: captions on the menu bar (a picture there would hide them), a picture and a tip on
// every toolbar button.
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/FAud.h"
#include "widgets/admin/FBases.h"
#include "widgets/admin/FEmpr.h"
#include "widgets/admin/FUsr.h"
#include "widgets/admin/FVerArch.h"
#include "widgets/admin/Fconfig.h"
#include "widgets/admin/fReloj.h"
#include "widgets/clock/FCacheo.h"
#include "widgets/clock/FCbioReloj.h"
#include "widgets/clock/FConsole.h"
#include "widgets/clock/FLeer.h"
#include "widgets/clock/FSirenas.h"
#include "widgets/clock/FTime.h"
#include "widgets/clock/FTjtas.h"
#include "widgets/clock/FrmTest.h"
#include "widgets/main/FormP.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <functional>
#include <map>
#include <memory>

namespace {

class WindowFacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stores::writeUsers({{"ADMIN", 3, 2}});
    apptest::objects().createSettings();
    gCfgFile->Init(data.file("VELTA.INI"));
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
    ASSERT_TRUE(gUsers->FindUser("ADMIN", "3"));
    form = std::make_unique<FormP>(openers, apptest::runContext(), &apptest::objects());
  }
  void TearDown() override { form.reset(); }

  apptest::TempDataFolder data;
  apptest::MsgBoxRecorder boxes;
  WindowOpeners openers;
  std::unique_ptr<FormP> form;
};

using Factory = std::function<std::unique_ptr<QWidget>(FormP& main, QWidget* over)>;

// Each window as the program opens it: the clock windows and viewers over the main window,
// the clock and user editors (opened by their stores) over the configuration dialog, with the
// image list their stores' hooks hand them.
const std::map<std::string, Factory>& windows() {
  static const std::map<std::string, Factory> table = {
      {"FLeer",
       [](FormP& m, QWidget*) { return std::make_unique<FLeer>(&m, apptest::windowContext()); }},
      {"FCacheo",
       [](FormP& m, QWidget*) { return std::make_unique<FCacheo>(&m, apptest::windowContext()); }},
      {"FTime",
       [](FormP& m, QWidget*) { return std::make_unique<FTime>(&m, apptest::windowContext()); }},
      {"FCbioReloj",
       [](FormP& m, QWidget*) {
         return std::make_unique<FCbioReloj>(&m, apptest::windowContext());
       }},
      {"FSirenas",
       [](FormP& m, QWidget*) { return std::make_unique<FSirenas>(&m, apptest::windowContext()); }},
      {"FrmTest",
       [](FormP& m, QWidget*) { return std::make_unique<FrmTest>(&m, apptest::windowContext()); }},
      {"FTjtas",
       [](FormP& m, QWidget*) { return std::make_unique<FTjtas>(&m, apptest::windowContext()); }},
      {"FConsole",
       [](FormP& m, QWidget*) { return std::make_unique<FConsole>(&m, apptest::windowContext()); }},
      {"FBases", [](FormP& m, QWidget*) { return std::make_unique<FBases>(&m.Img(), &m); }},
      {"FEmpr", [](FormP& m, QWidget*) { return std::make_unique<FEmpr>(&m.Img(), &m); }},
      {"FAud",
       [](FormP& m, QWidget*) { return std::make_unique<FAud>(&m, apptest::windowContext()); }},
      {"FVerArch",
       [](FormP& m, QWidget*) { return std::make_unique<FVerArch>(&m, apptest::windowContext()); }},
      {"Fconfig",
       [](FormP& m, QWidget*) {
         return std::make_unique<Fconfig>([] {}, &m, apptest::windowContext());
       }},
      {"fReloj",
       [](FormP& m, QWidget* over) {
         gListaRelojes->Operation = 0;
         return std::make_unique<fReloj>(*gListaRelojes, &m.Img(), over);
       }},
      {"FUsr",
       [](FormP& m, QWidget* over) {
         gUsers->Operation = 0;
         return std::make_unique<FUsr>(*gUsers, &m.Img(), over);
       }},
  };
  return table;
}

TEST_F(WindowFacesTest, MenuBarsShowCaptionsAndToolbarButtonsShowPictures) {
  QDialog over(form.get());  // stands for the configuration dialog
  for (const auto& [name, make] : windows()) {
    SCOPED_TRACE(name);
    std::unique_ptr<QWidget> w = make(*form, &over);
    auto* bar = w->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_FALSE(bar->actions().isEmpty());
    for (QAction* a : bar->actions()) {
      if (a->isSeparator()) continue;
      EXPECT_FALSE(QString(a->text()).remove('&').trimmed().isEmpty())
          << a->objectName().toStdString();
      if (!a->menu()) {
        EXPECT_TRUE(a->icon().isNull()) << a->text().toStdString();
      }
    }
    auto* toolBar = w->findChild<QToolBar*>();
    ASSERT_NE(toolBar, nullptr);
    int buttons = 0;
    for (QAction* slot : toolBar->actions()) {
      auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(slot));
      if (!button) continue;
      ++buttons;
      EXPECT_FALSE(button->icon().isNull()) << button->toolTip().toStdString();
      EXPECT_FALSE(button->toolTip().isEmpty()) << button->text().toStdString();
      EXPECT_NE(button->toolButtonStyle(), Qt::ToolButtonTextOnly) << button->text().toStdString();
    }
    EXPECT_GT(buttons, 0);
    EXPECT_TRUE(apptest::grabNonBlank(w.get(), QString::fromStdString("faces-" + name + ".png")));
  }
}

}  // namespace
