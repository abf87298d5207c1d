#include "collect/QtReactorDriver.h"

QtReactorDriver::QtReactorDriver(std::shared_ptr<remcmd::Reactor> reactor, QObject* parent)
    : QObject(parent), m_reactor(std::move(reactor)) {
  m_again.setSingleShot(true);
  m_again.setInterval(0);
  connect(&m_again, &QTimer::timeout, this, &QtReactorDriver::runPass);
  m_reactor->setWatchChangedCallback([this] { rebuild(); });
  rebuild();
}

QtReactorDriver::~QtReactorDriver() {
  m_reactor->setWatchChangedCallback({});
  for (auto& [key, notifier] : m_notifiers) delete notifier;
}

void QtReactorDriver::rebuild() {
  std::map<std::pair<int, QSocketNotifier::Type>, QSocketNotifier*> next;
  for (const remcmd::Reactor::WatchState& w : m_reactor->watchStates()) {
    if (w.wantRead) next[{w.fd, QSocketNotifier::Read}] = nullptr;
    if (w.wantWrite) next[{w.fd, QSocketNotifier::Write}] = nullptr;
  }
  for (auto& [key, notifier] : m_notifiers) {
    auto it = next.find(key);
    if (it != next.end()) {
      it->second = notifier;
      continue;
    }
    // Called before the engine closes the socket: off now, deleted once its signal is done.
    notifier->setEnabled(false);
    notifier->deleteLater();
  }
  for (auto& [key, notifier] : next) {
    if (notifier) continue;
    notifier = new QSocketNotifier(key.first, key.second);
    connect(notifier, &QSocketNotifier::activated, this, &QtReactorDriver::activated);
  }
  m_notifiers = std::move(next);
}

void QtReactorDriver::activated() {
  if (m_paused || m_inPass) return;
  runPass();
}

void QtReactorDriver::runPass() {
  if (m_paused || m_inPass) return;
  m_inPass = true;
  m_reactor->runOnePass(0);
  m_inPass = false;
  if (m_reactor->hasQueued()) m_again.start();
}

void QtReactorDriver::setPaused(bool paused) {
  m_paused = paused;
  if (!paused && m_reactor->hasQueued()) m_again.start();
}
