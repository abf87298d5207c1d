#include "widgets/clock/ClockWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <string>

#include "widgets/clock/BusyGuard.h"
#include "widgets/clock/MainWindowHost.h"
#include "core/Messages.h"
#include "widgets/dialogs/ToolbarButton.h"

ClockWindow::ClockWindow(QWidget* parent, const char* name, int captionMsg, Images images,
                         const std::optional<collect::RunContext>& context)
    : QDialog(parent), HandedContext(context) {
  setObjectName(name);
  setWindowTitle(QString::fromStdString(GetMsg(captionMsg)));
  setModal(true);
  // Opened over the main window, or over a window opened over it.
  for (QWidget* w = parent; w; w = w->parentWidget()) {
    if (auto* host = dynamic_cast<MainWindowHost*>(w)) {
      m_images = images == Images::Img ? host->Img() : host->ImgTool();
      break;
    }
  }

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

QAction* ClockWindow::addCommand(const char* name, int captionMsg, int image,
                                 std::function<void()> run, QMenu* menu, bool toolbar) {
  const QString caption = QString::fromStdString(GetMsg(captionMsg));
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  a->setToolTip(QString(caption).remove('&'));
  connect(a, &QAction::triggered, this, [this, a, run = std::move(run)] {
    // A queued toolbar click can arrive after the command went off, or after the window it
    // belongs to was closed (shown once, hidden since).
    if (a->isEnabled() && !BusyGuard::closed(this)) run();
  });
  if (menu)
    menu->addAction(a);
  else
    m_menuBar->addAction(a);
  if (toolbar) {
    // The picture goes on the button only: on the menu bar it would hide the caption.
    auto* button = new ToolbarButton(
        a, image > 0 && image <= m_images.size() ? m_images.at(image - 1) : QIcon(), m_toolBar);
    button->setObjectName(QStringLiteral("Toolbar(%1)").arg(m_toolBar->actions().size()));
  }
  m_commands.push_back(a);
  return a;
}

std::vector<QAction*> ClockWindow::addCommands(const std::vector<Command>& commands,
                                               const std::function<void(int index)>& run) {
  std::vector<QAction*> out;
  for (int i = 0; i < static_cast<int>(commands.size()); ++i) {
    const std::string name = "mnu" + std::to_string(i);
    const Command& c = commands[static_cast<size_t>(i)];
    out.push_back(addCommand(name.c_str(), c.caption, c.image, [run, i] { run(i); }));
  }
  return out;
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
