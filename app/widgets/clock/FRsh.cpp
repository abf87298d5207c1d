#include "widgets/clock/FRsh.h"

#include "core/ClsCfgFile.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ExchangeScope.h"

#include <clocklink/CollectionStatus.h>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using clocklink::kFailure;
using clocklink::kSuccess;

using collect::RemoteCommand;

namespace {
constexpr int kExitAfterSuccessMs = 3000;
constexpr int kExitAfterErrorMs = 10000;
}  // namespace

FRsh::FRsh(ClsCfgFile* settings, QWidget* parent)
    : QDialog(parent),
      m_cfg(settings),
      m_command(RemoteCommand::View{
          [this](const std::string& t) {
            m_lblMsg->setText(QString::fromStdString(t));
            m_lblMsg->repaint();
          },
          [this](const std::string& t) { m_lstErr->addItem(QString::fromStdString(t)); },
          [this](const std::string& t) {
            if (m_callerList) m_callerList(t);
          },
          [this](RemoteCommand::Outcome o) { finished(o); }}),
      m_driver(m_command.reactor()) {
  setObjectName("FRsh");
  setWindowTitle(QString::fromUtf8("Ejecuci\u00f3n Remota ..."));
  setModal(true);

  m_lblMsg = new QLabel(this);
  m_lblMsg->setObjectName("LblMsg");
  m_lblMsg->setWordWrap(true);
  m_lblMsg->setMinimumHeight(40);
  m_lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  m_lstErr = new QListWidget(this);
  m_lstErr->setObjectName("LstErr");

  m_command1 = new QPushButton("&Cancelar", this);
  m_command1->setObjectName("Command1");
  m_command1->setAutoDefault(false);
  connect(m_command1, &QPushButton::clicked, this, [this] { m_command.cancel(); });

  m_tmrExit = new QTimer(this);
  m_tmrExit->setObjectName("TmrExit");
  m_tmrExit->setSingleShot(true);
  m_tmrExit->setInterval(kExitAfterSuccessMs);
  connect(m_tmrExit, &QTimer::timeout, this, &FRsh::closeOnce);

  m_timeLimit.setSingleShot(true);
  connect(&m_timeLimit, &QTimer::timeout, this, [this] { m_command.timeLimitReached(); });

  // The control's own waits poll its sockets; the driver stays out of them.
  m_command.memberRunning = [this](bool running) { m_driver.setPaused(running); };
  // Execute's own waits run events: a close meanwhile cancels the command, and the window goes
  // once the start has returned.
  BusyGuard::onCancel(this, [this] { m_command.cancel(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_command1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_lblMsg);
  layout->addWidget(m_lstErr, 1);
  layout->addLayout(buttons);
  resize(440, 240);
}

void FRsh::setReturnValue(clocklink::CollectionStatus value) {
  if (m_cfg) m_cfg->tmpReturnValue = statusCode(value);
}

void FRsh::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Qt shows and activates a window again on focus changes: one command per window.
  if (m_started) return;
  m_started = true;
  // A window closed before any outcome must not leave an earlier run's -100 behind.
  setReturnValue(kFailure);
  QTimer::singleShot(0, this, &FRsh::startCommand);
}

void FRsh::startCommand() {
  if (m_command.outcome() != RemoteCommand::Outcome::None) return;
  if (!m_cfg) {
    m_command.ErrorOut("ClsCfgFile");
    return;
  }
  // Taken once: the caller's list is written only while this run lasts.
  m_callerList = m_cfg->tmpLst;
  ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
  m_command.start(collect::RshSettings::fromConfig(*m_cfg), m_cfg->tmpFTPFileName);
  if (exchange.endAndCheckClose()) return;  // the close comes next
  // The window's own limit on the whole command: no end within the control's Timeout.
  const long long left = m_command.timeLeftMs();
  if (left >= 0) m_timeLimit.start(static_cast<int>(left));
}

void FRsh::finished(RemoteCommand::Outcome outcome) {
  m_timeLimit.stop();
  m_command1->setEnabled(false);
  switch (outcome) {
    case RemoteCommand::Outcome::Succeeded:
      setReturnValue(kSuccess);
      break;
    case RemoteCommand::Outcome::Failed:
      setReturnValue(kFailure);
      m_tmrExit->setInterval(kExitAfterErrorMs);
      break;
    case RemoteCommand::Outcome::Cancelled:
      m_lblMsg->setText("Cancelando ... ");
      setReturnValue(kFailure);
      break;
    case RemoteCommand::Outcome::None:
      return;
  }
  m_tmrExit->start();
}

void FRsh::closeOnce() {
  m_tmrExit->stop();
  m_timeLimit.stop();
  // Execute's own waits are on the stack: the window closes once the start has returned.
  if (BusyGuard::deferClose(this, nullptr)) return;
  m_callerList = nullptr;
  if (isVisible()) done(QDialog::Accepted);
}

void FRsh::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

void FRsh::reject() {
  // The close box and Escape are Cancel while the outcome is open; after it they close now.
  if (m_command.outcome() == RemoteCommand::Outcome::None)
    m_command.cancel();
  else
    closeOnce();
}
