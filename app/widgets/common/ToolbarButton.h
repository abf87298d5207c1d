// A toolbar button for a command whose QAction lives on a menu bar. A menu bar shows an
// action's picture in place of its caption, so the action carries no picture: the button does,
// takes the caption as its tip, and follows the action's enabled and visible
// state; a click triggers the action. Its place on the toolbar is an action too (place()),
// carrying the picture and the tip: the toolbar's widgetForAction gives the button back.
#pragma once

#include <QIcon>
#include <QToolButton>

class QAction;
class QToolBar;

class ToolbarButton : public QToolButton {
 public:
  // Adds the button to `bar`. A null picture shows the caption instead.
  ToolbarButton(QAction* command, const QIcon& picture, QToolBar* bar);

  QAction* command() const { return m_command; }
  QAction* place() const { return m_slot; }
  void setPicture(const QIcon& picture);

 private:
  void follow();

  QAction* m_command;
  QAction* m_slot;  // the button's place on the toolbar; it shows or hides the button
};
