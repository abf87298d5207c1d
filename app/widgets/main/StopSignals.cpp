#include "widgets/main/StopSignals.h"

#include "core/ProgramObjects.h"
#include "widgets/clock/fAuto.h"
#include "widgets/main/FormP.h"
#include "widgets/main/ProgramWindows.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  (void)!::write(gSignalPipe[1], &byte, 1);
}

void setHandlers(void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

StopSignals::StopSignals(std::function<QWidget*()> mainWindow)
    : m_mainWindow(std::move(mainWindow)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0)
    return;
  setHandlers(onSignal);
  m_notifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
    char buf[16];
    while (::read(gSignalPipe[0], buf, sizeof buf) > 0) {
    }
    stop(m_mainWindow ? m_mainWindow() : nullptr);
  });
}

StopSignals::~StopSignals() {
  if (!m_notifier) return;
  setHandlers(SIG_DFL);
  m_notifier.reset();
  ::close(gSignalPipe[0]);
  ::close(gSignalPipe[1]);
  gSignalPipe[0] = gSignalPipe[1] = -1;
}

void StopSignals::stop(QWidget* mainWindow) {
  // Nobody is at the window to read a box: what the close has to say goes to standard error.
  if (auto* form = qobject_cast<FormP*>(mainWindow)) form->setUnattendedClose(true);
  // The automatic or on-line run stops without a log-in (nobody is there to give one), and
  // the program ends after it.
  if (fAuto* run = fAuto::current(programWindowState(ProgramObjects::current()))) {
    run->stopUnattended();
    if (mainWindow) mainWindow->close();
    return;
  }
  if (mainWindow && mainWindow->isVisible())
    mainWindow->close();
  else
    QCoreApplication::exit(0);  // still logging in: that is a cancelled log-in
}
