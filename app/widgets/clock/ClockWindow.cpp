#include "widgets/clock/ClockWindow.h"

#include "core/Messages.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/CommandBar.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

ClockWindow::ClockWindow(QWidget* parent, const char* name, int captionMsg, Images images,
                         const WindowContext& context)
    : QDialog(parent), HandedContext(context) {
  setObjectName(name);
  handToBusyRule(this);
  setWindowTitle(QString::fromStdString(GetMsg(captionMsg)));
  setModal(true);
  m_images = images == Images::Img ? context.img() : context.imgTool();

  m_menuBar = new QMenuBar(this);
  m_toolBar = new QToolBar(this);
  m_toolBar->setObjectName("Toolbar");
  m_toolBar->setMovable(false);
  m_toolBar->setIconSize(QSize(24, 24));
  m_body = new QVBoxLayout;
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(m_menuBar);
  layout->addWidget(m_toolBar);
  layout->addLayout(m_body, 1);

  setCancelFlags(0);
  BusyGuard::onChange(this, [this] { updateCommands(); });
  BusyGuard::onCancel(this, [this] { setCancelFlags(1); });
}

std::vector<QAction*> ClockWindow::addCommands(const std::vector<Command>& commands) {
  widgets::CommandBarSpec spec;
  spec.menuBar = m_menuBar;
  spec.toolBar = m_toolBar;
  spec.images = &m_images;
  std::vector<widgets::Command> table;
  int place = static_cast<int>(m_toolBar->actions().size());
  for (const Command& c : commands) {
    widgets::Command row;
    row.name = QString::fromLatin1(c.name);
    row.caption = QString::fromStdString(GetMsg(c.caption));
    row.tip = QString(row.caption).remove('&');
    row.image = c.image;
    if (c.menu) {
      row.menu = static_cast<int>(spec.menus.size());
      spec.menus.push_back(c.menu);
    }
    row.button = c.toolbar ? ++place : 0;
    table.push_back(std::move(row));
  }
  const std::vector<QAction*> made = widgets::buildCommandBar(this, spec, table).actions;
  for (size_t i = 0; i < made.size(); ++i) {
    QAction* a = made[i];
    connect(a, &QAction::triggered, this, [this, a, run = commands[i].run] {
      // A queued toolbar click can arrive after the command went off, or after the window it
      // belongs to was closed (shown once, hidden since).
      if (a->isEnabled() && !BusyGuard::closed(this)) run();
    });
    m_commands.push_back(a);
  }
  return made;
}

QAction* ClockWindow::addCommand(const char* name, int captionMsg, int image,
                                 std::function<void()> run, QMenu* menu, bool toolbar) {
  return addCommands({{name, captionMsg, image, std::move(run), menu, toolbar}}).front();
}

void ClockWindow::addOkCancel(std::function<void()> ok) {
  addCommand("mnu0", 108, 1, std::move(ok));
  addCommand("mnu1", 123, 2, [this] { close(); });
}

void ClockWindow::updateCommands() {
  if (BusyGuard::busy(this)) {
    m_wanted.clear();
    for (QAction* a : m_commands) {
      m_wanted.push_back(a->isEnabled());
      a->setEnabled(false);
    }
  } else if (m_wanted.size() == m_commands.size()) {
    for (size_t i = 0; i < m_commands.size(); ++i) m_commands[i]->setEnabled(m_wanted[i]);
  }
}

void ClockWindow::closeEvent(QCloseEvent* e) {
  if (BusyGuard::deferClose(this, e)) return;
  QDialog::closeEvent(e);
}

void ClockWindow::reject() {
  if (BusyGuard::busy(this)) {
    BusyGuard::deferClose(this, nullptr);
    return;
  }
  QDialog::reject();
}
