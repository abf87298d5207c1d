#include "widgets/common/ToolbarButton.h"

#include <QAction>
#include <QToolBar>

ToolbarButton::ToolbarButton(QAction* command, const QIcon& picture, QToolBar* bar)
    : QToolButton(bar), m_command(command) {
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
  setIconSize(bar->iconSize());
  m_slot = bar->addWidget(this);
  setPicture(picture);
  follow();
  connect(command, &QAction::changed, this, &ToolbarButton::follow);
  connect(this, &QToolButton::clicked, command, &QAction::trigger);
}

void ToolbarButton::setPicture(const QIcon& picture) {
  setIcon(picture);
  m_slot->setIcon(picture);
  setToolButtonStyle(picture.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
}

void ToolbarButton::follow() {
  const QString caption = m_command->text();
  setText(caption);
  setToolTip(caption.trimmed());  // a caption may lead with a blank in its menu
  m_slot->setText(caption);
  m_slot->setToolTip(toolTip());
  setEnabled(m_command->isEnabled());
  m_slot->setVisible(m_command->isVisible());
}
