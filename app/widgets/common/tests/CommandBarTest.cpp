// The command bar: one action per command shared by the menu and the toolbar, where the
// picture goes, and the toolbar's places.
#include "widgets/common/CommandBar.h"

#include "testsupport/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

namespace {

QList<QIcon> pictures(int n) {
  QList<QIcon> out;
  for (int i = 0; i < n; ++i) {
    QPixmap pm(8, 8);
    pm.fill(QColor::fromRgb(0x101010 * (i + 1)));
    out << QIcon(pm);
  }
  return out;
}

TEST(CommandBar, MenuBarCommandsKeepTheirPictureOnTheirButton) {
  apptest::ensureApplication();
  QDialog w;
  auto* menuBar = new QMenuBar(&w);
  const QList<QIcon> img = pictures(3);
  widgets::CommandBarSpec spec;
  spec.menuBar = menuBar;
  spec.images = &img;
  int ran = -1;
  const widgets::CommandBar bar =
      widgets::buildCommandBar(&w, spec,
                               {{"mnuA", "&Alta", "Alta", 2, [&ran] { ran = 0; }},
                                {"mnuB", "&Baja", {}, 9, [&ran] { ran = 1; }},
                                {"mnuC", "&Salir", {}, 1, [&ran] { ran = 2; }, -1, 0}});
  ASSERT_EQ(bar.actions.size(), 3u);
  EXPECT_EQ(bar.toolBar->objectName(), "Toolbar");
  EXPECT_EQ(menuBar->actions(), QList<QAction*>(bar.actions.begin(), bar.actions.end()));
  EXPECT_EQ(bar.action("mnuB"), bar.actions[1]);
  EXPECT_EQ(bar.actions[0]->toolTip(), "Alta");
  EXPECT_EQ(bar.actions[1]->toolTip(), "Baja");  // Qt's own: the caption without '&'
  for (QAction* a : bar.actions) EXPECT_TRUE(a->icon().isNull());  // the menu bar shows text
  ASSERT_EQ(bar.buttons.size(), 2u);                               // the third is on no button
  EXPECT_EQ(bar.buttons[0]->objectName(), "Toolbar(1)");
  EXPECT_EQ(bar.buttons[0]->icon().cacheKey(), img[1].cacheKey());
  EXPECT_TRUE(bar.buttons[1]->icon().isNull());  // out of the list: the caption shows
  bar.buttons[1]->click();
  EXPECT_EQ(ran, 1);
  bar.actions[0]->setEnabled(false);
  EXPECT_FALSE(bar.buttons[0]->isEnabled());
}

TEST(CommandBar, MenuCommandsCarryTheirPictureAndGapsAreSeparators) {
  apptest::ensureApplication();
  QDialog w;
  auto* menuBar = new QMenuBar(&w);
  const QList<QIcon> img = pictures(2);
  widgets::CommandBarSpec spec;
  spec.menuBar = menuBar;
  spec.menus = {menuBar->addMenu("&Archivo"), new QMenu(&w)};
  spec.images = &img;
  spec.pictures = widgets::CommandBarSpec::Pictures::OnActions;
  spec.picturesInMenus = false;
  using K = widgets::Command::Kind;
  const widgets::CommandBar bar =
      widgets::buildCommandBar(&w, spec,
                               {{"a", "A", {}, 1, {}, 0, 3},
                                {"s", {}, {}, 0, {}, 0, 0, K::Separator},
                                {"sub", {}, {}, 0, {}, 0, 0, K::Submenu, 1},
                                {"b", "B", {}, 2, {}, 1, 1}});
  const QList<QAction*> inFile = spec.menus[0]->actions();
  ASSERT_EQ(inFile.size(), 3);
  EXPECT_TRUE(inFile[1]->isSeparator());
  EXPECT_EQ(inFile[2], spec.menus[1]->menuAction());
  EXPECT_EQ(inFile[2]->objectName(), "sub");
  EXPECT_EQ(spec.menus[1]->actions(), QList<QAction*>{bar.action("b")});
  const QList<QAction*> onBar = bar.toolBar->actions();
  ASSERT_EQ(onBar.size(), 3);
  EXPECT_EQ(onBar[0], bar.action("b"));
  EXPECT_TRUE(onBar[1]->isSeparator());
  EXPECT_EQ(onBar[1]->objectName(), "Toolbar2");
  EXPECT_EQ(onBar[2], bar.action("a"));
  EXPECT_EQ(bar.action("a")->icon().cacheKey(), img[0].cacheKey());
  EXPECT_FALSE(bar.action("a")->isIconVisibleInMenu());
}

// A drop-down is a toolbar button showing one of the bar's menus: the menu's own actions, so a
// command reached from the drop-down is the one the menu holds, under the window's rule.
TEST(CommandBar, DropDownsShowTheMenusActionsUnderTheWindowsRule) {
  apptest::ensureApplication();
  QDialog w;
  auto* menuBar = new QMenuBar(&w);
  auto* existing = new QToolBar(&w);
  existing->addAction("before");  // a place taken already: the table's next places follow it
  const QList<QIcon> img = pictures(2);
  widgets::CommandBarSpec spec;
  spec.menuBar = menuBar;
  spec.menus = {menuBar->addMenu("&Tarjetas")};
  spec.toolBar = existing;
  spec.images = &img;
  std::vector<QString> ran;
  bool allow = true;
  spec.trigger = [&allow, &ran](QAction* a, const std::function<void()>& run) {
    ran.push_back(a->objectName());
    if (allow) run();
  };
  int runs = 0;
  using K = widgets::Command::Kind;
  const widgets::CommandBar bar = widgets::buildCommandBar(
      &w, spec,
      {{"mnu1_0", "&Suspender", {}, 0, [&runs] { ++runs; }, 0, 0},
       {"Button", "&Tarjetas", {}, 2, {}, -1, widgets::Command::kNextButton, K::DropDown, 0}});
  ASSERT_EQ(bar.actions.size(), 2u);
  EXPECT_EQ(menuBar->actions().size(), 1);  // the menu only: the drop-down is on no menu
  auto* button = qobject_cast<QToolButton*>(existing->widgetForAction(bar.actions[1]));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(existing->actions().indexOf(bar.actions[1]), 1);
  EXPECT_EQ(button->objectName(), "Button");
  EXPECT_EQ(button->text(), "Tarjetas");
  EXPECT_EQ(button->toolTip(), "Tarjetas");
  EXPECT_EQ(button->icon().cacheKey(), img[1].cacheKey());
  EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
  EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  ASSERT_EQ(button->menu(), spec.menus[0]);
  EXPECT_EQ(button->menu()->actions(), QList<QAction*>{bar.action("mnu1_0")});
  EXPECT_EQ(bar.command(bar.actions[1])->name, "Button");
  EXPECT_EQ(bar.command(nullptr), nullptr);
  bar.action("mnu1_0")->trigger();
  allow = false;
  bar.action("mnu1_0")->trigger();
  EXPECT_EQ(ran, (std::vector<QString>{"mnu1_0", "mnu1_0"}));
  EXPECT_EQ(runs, 1);
  bar.actions[1]->setEnabled(false);  // the window's busy rule turns the button off
  EXPECT_FALSE(button->isEnabled());
}

}  // namespace
