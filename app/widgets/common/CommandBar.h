// The command bar every window builds its commands with: from a table of commands, one QAction
// each (named as the system names it), shared by the menu and the toolbar, placed on the menu
// bar or in one of its menus, and on the toolbar at its place.
//
// A menu bar shows an action's picture in place of its caption. A command on the menu bar
// itself therefore keeps its picture on its toolbar button (ToolbarButton, "Toolbar(n)"), which
// follows the action's caption, enabled and visible state; with pictures on the actions (the
// commands sit in dropdown menus) the action carries its picture and the toolbar shows the
// action itself.
//
// A drop-down command is a toolbar button only (picture and caption side by side) that pops up
// one of the bar's menus: the same actions the menu holds, so a command has one action however
// it is reached.
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
  enum class Kind { Action, Separator, Submenu, DropDown };

  QString name;               // the action's objectName
  QString caption;            // its text; may stay empty until the window sets its texts
  QString tip;                // its tooltip; a null one leaves Qt's own (the caption without '&')
  int image = 0;              // picture, 1-based in the bar's image list; 0 or out of range: none
  std::function<void()> run;  // null: the entry runs nothing by itself
  int menu = -1;              // the bar's menu it goes in (CommandBarSpec::menus); -1 the bar
  int button = kNextButton;   // toolbar place (1-based), kNextButton the next one, 0 none
  Kind kind = Kind::Action;   // a separator, the header of menu `submenu`, or a drop-down
  int submenu = -1;           // Submenu: the menu it heads; DropDown: the menu its button shows
  // Null: the command can always run; else whether it can run at all (its window exists).
  std::function<bool()> available = {};
};

struct CommandBarSpec {
  enum class Pictures { OnButtons, OnActions };
  QMenuBar* menuBar = nullptr;  // null: the window has no menu
  std::vector<QMenu*> menus;    // dropdowns the commands name by index
  QToolBar* toolBar = nullptr;  // null: a fixed toolbar "Toolbar" with 24-pixel pictures is made
  const QList<QIcon>* images = nullptr;
  Pictures pictures = Pictures::OnButtons;
  bool picturesInMenus = true;  // with pictures on the actions: shown in the menus too
  // The window's rule for a triggered command (still enabled, the window not closing, the busy
  // guard and audit around it): it calls `run` or not. Null: a trigger runs the command.
  std::function<void(QAction* action, const std::function<void()>& run)> trigger;
};

struct CommandBar {
  QToolBar* toolBar = nullptr;
  // One per command, in the table's order (a drop-down's is its place on the toolbar; null for
  // a drop-down without one).
  std::vector<QAction*> actions;
  std::vector<Command> commands;      // the table, for what the window asks of a command later
  std::vector<QToolButton*> buttons;  // per toolbar place - 1; null for a separator or an action
  QAction* action(const QString& name) const;
  const Command* command(const QAction* action) const;  // null: not one of the bar's
};

// Builds the commands of `owner` into the menu bar, its menus and the toolbar. Toolbar places
// left out between two commands of the table become separators "Toolbar<n>"; the next place
// (kNextButton) continues after what the toolbar holds already.
CommandBar buildCommandBar(QWidget* owner, const CommandBarSpec& spec,
                           const std::vector<Command>& commands);

}  // namespace widgets
