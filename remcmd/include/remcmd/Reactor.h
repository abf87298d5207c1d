// Reactor: the engine's socket notification dispatcher. Sockets are watched
// with an event mask; readiness found by poll() becomes queued notifications
// (socket, event, error) that one pass delivers to the socket's target.
// Events are one-shot and re-enabled the way the engine expects: read after a
// receive, write after a connect or a send that would block, accept after an
// accept call; connect is "writable" plus SO_ERROR, close is a hang-up. So a
// socket whose data nobody reads is not polled again and nothing spins.
//
// The host drives it: runOnePass() from a plain poll pump (tests) or from a
// host event loop adapter that watches watchStates() and calls runOnePass(0)
// when one of the descriptors is ready.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace remcmd {

class SocketTarget {
 public:
  virtual ~SocketTarget() = default;
  virtual void onSocketEvent(int socket, uint16_t event, uint16_t error) = 0;
};

class Reactor : public std::enable_shared_from_this<Reactor> {
 public:
  enum Event : uint16_t { Read = 1, Write = 2, Accept = 8, Connect = 16, Close = 32 };

  struct WatchState {
    int fd;
    bool wantRead;
    bool wantWrite;
  };

  static std::shared_ptr<Reactor> create();

  // Replaces any earlier watch of the socket; a mask of 0 cancels it and
  // drops its queued notifications.
  void watch(int fd, uint16_t mask, std::weak_ptr<SocketTarget> target);
  void unwatch(int fd);
  bool isWatched(int fd) const;
  void rearm(int fd, uint16_t event);
  // Queues a notification of a watched socket, as if it had happened.
  void post(int fd, uint16_t event, uint16_t error = 0);

  // Polls the watched sockets (waiting up to timeoutMs when nothing is
  // queued) and delivers the notifications queued at that point.
  int runOnePass(int timeoutMs);
  bool hasQueued() const { return !m_queue.empty(); }

  std::vector<WatchState> watchStates() const;
  // Called whenever the descriptors or the events wanted of them change.
  void setWatchChangedCallback(std::function<void()> callback) { m_changed = std::move(callback); }

 private:
  Reactor() = default;

  struct Watch {
    uint64_t id = 0;
    uint16_t mask = 0;
    std::weak_ptr<SocketTarget> target;
    bool connectPending = false;
    bool readArmed = true;
    bool writeArmed = false;
    bool acceptArmed = true;
    bool closePosted = false;
  };
  struct Item {
    int fd;
    uint64_t id;
    uint16_t event;
    uint16_t error;
  };

  static short wantedEvents(const Watch& w);
  void push(int fd, const Watch& w, uint16_t event, uint16_t error);
  void changed();

  std::map<int, Watch> m_watches;
  std::deque<Item> m_queue;
  uint64_t m_nextId = 1;
  std::function<void()> m_changed;
};

}  // namespace remcmd
