#include "widgets/common/CommandBar.h"

#include "widgets/common/ToolbarButton.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <map>

namespace widgets {

QAction* CommandBar::action(const QString& name) const {
  for (QAction* a : actions)
    if (a && a->objectName() == name) return a;
  return nullptr;
}

const Command* CommandBar::command(const QAction* action) const {
  for (size_t i = 0; i < actions.size(); ++i)
    if (action && actions[i] == action) return &commands[i];
  return nullptr;
}

CommandBar buildCommandBar(QWidget* owner, const CommandBarSpec& spec,
                           const std::vector<Command>& commands) {
  CommandBar bar;
  bar.toolBar = spec.toolBar;
  if (!bar.toolBar) {
    bar.toolBar = new QToolBar(owner);
    bar.toolBar->setObjectName(QStringLiteral("Toolbar"));
    bar.toolBar->setMovable(false);
    bar.toolBar->setIconSize(QSize(24, 24));
  }
  const bool onActions = spec.pictures == CommandBarSpec::Pictures::OnActions;
  auto picture = [&spec](int image) {
    return spec.images && image >= 1 && image <= spec.images->size() ? spec.images->at(image - 1)
                                                                     : QIcon();
  };

  std::map<int, size_t> places;  // toolbar place -> the command shown there
  int next = static_cast<int>(bar.toolBar->actions().size()) + 1;
  for (size_t i = 0; i < commands.size(); ++i) {
    const Command& c = commands[i];
    QMenu* into = c.menu >= 0 && c.menu < static_cast<int>(spec.menus.size())
                      ? spec.menus[static_cast<size_t>(c.menu)]
                      : nullptr;
    QAction* a = nullptr;
    if (c.kind == Command::Kind::DropDown) {
      // Its button is made at its place; it stands on no menu.
      const int place = c.button == Command::kNextButton ? next : c.button;
      if (place > 0) {
        places[place] = i;
        next = place + 1;
      }
      bar.actions.push_back(nullptr);
      continue;
    }
    if (c.kind == Command::Kind::Separator) {
      a = into ? into->addSeparator() : new QAction(owner);
      a->setSeparator(true);
    } else if (c.kind == Command::Kind::Submenu) {
      a = spec.menus.at(static_cast<size_t>(c.submenu))->menuAction();
      if (into)
        into->addAction(a);
      else if (spec.menuBar)
        spec.menuBar->addAction(a);
    } else {
      a = new QAction(c.caption, owner);
      if (!c.tip.isNull()) a->setToolTip(c.tip);
      if (c.run) {
        QObject::connect(a, &QAction::triggered, owner, [a, run = c.run, rule = spec.trigger] {
          if (rule)
            rule(a, run);
          else
            run();
        });
      }
      if (into)
        into->addAction(a);
      else if (spec.menuBar)
        spec.menuBar->addAction(a);
      const int place = c.button == Command::kNextButton ? next : c.button;
      if (place > 0) {
        places[place] = i;
        next = place + 1;
        if (onActions) {
          a->setIcon(picture(c.image));
          if (!spec.picturesInMenus) a->setIconVisibleInMenu(false);
        }
      }
    }
    a->setObjectName(c.name);
    bar.actions.push_back(a);
  }

  const int first = places.empty() ? 1 : places.begin()->first;
  const int last = places.empty() ? 0 : places.rbegin()->first;
  bar.buttons.assign(static_cast<size_t>(last), nullptr);
  for (int place = first; place <= last; ++place) {
    const auto found = places.find(place);
    if (found == places.end()) {
      bar.toolBar->addSeparator()->setObjectName(QStringLiteral("Toolbar%1").arg(place));
      continue;
    }
    const Command& c = commands[found->second];
    if (c.kind == Command::Kind::DropDown) {
      auto* button = new QToolButton(owner);
      button->setObjectName(c.name);
      button->setText(QString(c.caption).remove('&'));
      button->setToolTip(c.tip.isNull() ? button->text() : c.tip);
      button->setIcon(picture(c.image));
      button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      button->setPopupMode(QToolButton::InstantPopup);
      button->setMenu(spec.menus.at(static_cast<size_t>(c.submenu)));
      QAction* a = bar.toolBar->addWidget(button);
      a->setObjectName(c.name);
      bar.actions[found->second] = a;
      bar.buttons[static_cast<size_t>(place - 1)] = button;
      continue;
    }
    QAction* a = bar.actions[found->second];
    if (onActions) {
      bar.toolBar->addAction(a);
      continue;
    }
    auto* button = new ToolbarButton(a, picture(c.image), bar.toolBar);
    button->setObjectName(QStringLiteral("Toolbar(%1)").arg(place));
    bar.buttons[static_cast<size_t>(place - 1)] = button;
  }
  bar.commands = commands;
  return bar;
}

}  // namespace widgets
