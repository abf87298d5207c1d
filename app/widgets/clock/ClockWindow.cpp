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

widgets::Command ClockWindow::commandRow(const char* name, int captionMsg, int image,
                                         std::function<void()> run) {
  widgets::Command row;
  row.name = QString::fromLatin1(name);
  row.caption = QString::fromStdString(GetMsg(captionMsg));
  row.tip = QString(row.caption).remove('&');
  row.image = image;
  row.run = std::move(run);
  return row;
}

int ClockWindow::addMenu(const QString& title) {
  m_menus.push_back(m_menuBar->addMenu(title));
  return static_cast<int>(m_menus.size()) - 1;
}

std::vector<QAction*> ClockWindow::addCommands(const std::vector<widgets::Command>& commands) {
  widgets::CommandBarSpec spec;
  spec.menuBar = m_menuBar;
  spec.menus = m_menus;
  spec.toolBar = m_toolBar;
  spec.images = &m_images;
  spec.trigger = [this](QAction* a, const std::function<void()>& run) {
    // A queued toolbar click can arrive after the command went off, or after the window it
    // belongs to was closed (shown once, hidden since).
    if (a->isEnabled() && !BusyGuard::closed(this)) run();
  };
  const std::vector<QAction*> made = widgets::buildCommandBar(this, spec, commands).actions;
  for (QAction* a : made)
    if (a) m_commands.push_back(a);
  return made;
}

void ClockWindow::addOkCancel(std::function<void()> ok) {
  addCommands(
      {commandRow("mnu0", 108, 1, std::move(ok)), commandRow("mnu1", 123, 2, [this] { close(); })});
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
