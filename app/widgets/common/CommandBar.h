// The command bar every window builds its commands with: from a table of commands, one QAction
// each (named as the system names it), shared by the menu and the toolbar, placed on the menu
// bar or in one of its menus, and on the toolbar at its place.
//
// A menu bar shows an action's picture in place of its caption. A command on the menu bar
// itself therefore keeps its picture on its toolbar button (ToolbarButton, "Toolbar(n)"), which
// follows the action's caption, enabled and visible state; with pictures on the actions (the
// commands sit in dropdown menus) the action carries its picture and the toolbar shows the
// action itself.
#pragma once

#include <QIcon>
#include <QList>
#include <QString>

#include <functional>
#include <limits>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;
class QWidget;

namespace widgets {

struct Command {
  static constexpr int kNextButton = std::numeric_limits<int>::min();
  enum class Kind { Action, Separator, Submenu };

  QString name;               // the action's objectName
  QString caption;            // its text; may stay empty until the window sets its texts
  QString tip;                // its tooltip; a null one leaves Qt's own (the caption without '&')
  int image = 0;              // picture, 1-based in the bar's image list; 0 or out of range: none
  std::function<void()> run;  // null: the entry runs nothing by itself
  int menu = -1;              // the bar's menu it goes in (CommandBarSpec::menus); -1 the bar
  int button = kNextButton;   // toolbar place (1-based), kNextButton the next one, 0 none
  Kind kind = Kind::Action;   // a separator, or the header of menu `submenu`
  int submenu = -1;
};

struct CommandBarSpec {
  enum class Pictures { OnButtons, OnActions };
  QMenuBar* menuBar = nullptr;  // null: the window has no menu
  std::vector<QMenu*> menus;    // dropdowns the commands name by index
  QToolBar* toolBar = nullptr;  // null: a fixed toolbar "Toolbar" with 24-pixel pictures is made
  const QList<QIcon>* images = nullptr;
  Pictures pictures = Pictures::OnButtons;
  bool picturesInMenus = true;  // with pictures on the actions: shown in the menus too
};

struct CommandBar {
  QToolBar* toolBar = nullptr;
  std::vector<QAction*> actions;      // one per command, in the table's order
  std::vector<QToolButton*> buttons;  // per toolbar place - 1; null for a separator or an action
  QAction* action(const QString& name) const;
};

// Builds the commands of `owner` into the menu bar, its menus and the toolbar. Toolbar places
// left out between two commands of the table become separators "Toolbar<n>"; a window that
// adds its commands one call at a time names each one's place.
CommandBar buildCommandBar(QWidget* owner, const CommandBarSpec& spec,
                           const std::vector<Command>& commands);

}  // namespace widgets
