// QtReactorDriver: runs the remote-shell control's reactor from the Qt event loop, so the
// control's events reach a window without any polling of our own. One QSocketNotifier per
// socket and direction the reactor wants, rebuilt whenever that set changes; a ready socket
// runs one reactor pass, and while notifications stay queued a zero-time timer runs another.
#pragma once

#include <remcmd/Reactor.h>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <map>
#include <memory>
#include <utility>

class QtReactorDriver : public QObject {
 public:
  explicit QtReactorDriver(std::shared_ptr<remcmd::Reactor> reactor, QObject* parent = nullptr);
  ~QtReactorDriver() override;

  // While a control member runs, its own waits poll the same sockets: no pass from here then.
  // The notifiers are level-triggered, so readiness left over fires again after.
  void setPaused(bool paused);

 private:
  void rebuild();
  void activated();
  void runPass();

  std::shared_ptr<remcmd::Reactor> m_reactor;
  std::map<std::pair<int, QSocketNotifier::Type>, QSocketNotifier*> m_notifiers;
  QTimer m_again;
  bool m_paused = false;
  bool m_inPass = false;
};
