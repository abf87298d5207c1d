#include "remcmd/Reactor.h"

#include "SocketBinding.h"

#include <poll.h>

namespace remcmd {

std::shared_ptr<Reactor> Reactor::create() { return std::shared_ptr<Reactor>(new Reactor()); }

void Reactor::watch(int fd, uint16_t mask, std::weak_ptr<SocketTarget> target) {
  if (fd < 0) return;
  if (mask == 0) {
    unwatch(fd);
    return;
  }
  Watch w;
  w.id = m_nextId++;
  w.mask = mask;
  w.target = std::move(target);
  w.connectPending = (mask & Connect) != 0;
  m_watches[fd] = std::move(w);
  changed();
}

void Reactor::unwatch(int fd) {
  if (m_watches.erase(fd) == 0) return;
  std::erase_if(m_queue, [fd](const Item& i) { return i.fd == fd; });
  changed();
}

bool Reactor::isWatched(int fd) const { return m_watches.count(fd) != 0; }

void Reactor::rearm(int fd, uint16_t event) {
  auto it = m_watches.find(fd);
  if (it == m_watches.end()) return;
  Watch& w = it->second;
  const short before = wantedEvents(w);
  if (event & Read) w.readArmed = true;
  if (event & Write) w.writeArmed = true;
  if (event & Accept) w.acceptArmed = true;
  if (wantedEvents(w) != before) changed();
}

void Reactor::post(int fd, uint16_t event, uint16_t error) {
  auto it = m_watches.find(fd);
  if (it != m_watches.end()) push(fd, it->second, event, error);
}

void Reactor::push(int fd, const Watch& w, uint16_t event, uint16_t error) {
  m_queue.push_back({fd, w.id, event, error});
}

void Reactor::changed() {
  if (m_changed) m_changed();
}

short Reactor::wantedEvents(const Watch& w) {
  if (w.closePosted) return 0;
  short ev = 0;
  if (w.connectPending) return POLLOUT;
  if ((w.mask & Read) && w.readArmed) ev |= POLLIN;
  if ((w.mask & Accept) && w.acceptArmed) ev |= POLLIN;
  if ((w.mask & Write) && w.writeArmed) ev |= POLLOUT;
  if (w.mask & Close) ev |= POLLRDHUP;
  return ev;
}

std::vector<Reactor::WatchState> Reactor::watchStates() const {
  std::vector<WatchState> out;
  for (const auto& [fd, w] : m_watches) {
    const short ev = wantedEvents(w);
    if (ev) out.push_back({fd, (ev & (POLLIN | POLLRDHUP)) != 0, (ev & POLLOUT) != 0});
  }
  return out;
}

namespace {
uint16_t pendingError(int fd) {
  int err = 0;
  socklen_t len = sizeof err;
  if (socketTable().getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0)
    return static_cast<uint16_t>(socketTable().getLastError());
  return err ? static_cast<uint16_t>(winsockErrorFromErrno(err)) : 0;
}
}  // namespace

int Reactor::runOnePass(int timeoutMs) {
  // A handler may drop the host's last reference to us.
  const auto keep = shared_from_this();

  std::vector<pollfd> fds;
  fds.reserve(m_watches.size());
  for (const auto& [fd, w] : m_watches)
    if (const short ev = wantedEvents(w)) fds.push_back({fd, ev, 0});
  const int wait = m_queue.empty() ? (timeoutMs > 0 ? timeoutMs : 0) : 0;
  const int ready = ::poll(fds.empty() ? nullptr : fds.data(), fds.size(), wait);

  bool armChanged = false;
  for (int i = 0; ready > 0 && i < static_cast<int>(fds.size()); ++i) {
    const short rev = fds[i].revents;
    if (!rev) continue;
    auto it = m_watches.find(fds[i].fd);
    if (it == m_watches.end()) continue;
    const int fd = it->first;
    Watch& w = it->second;
    armChanged = true;
    if (w.connectPending) {
      const uint16_t err = pendingError(fd);
      w.connectPending = false;
      push(fd, w, Connect, err);
      if (err)
        w.closePosted = true;  // a failed connect reports nothing more
      else if (w.mask & Write)
        push(fd, w, Write, 0);
      continue;
    }
    if ((rev & POLLERR) && (w.mask & Close)) {
      push(fd, w, Close, pendingError(fd));
      w.closePosted = true;
      continue;
    }
    if (rev & POLLIN) {
      if ((w.mask & Accept) && w.acceptArmed) {
        w.acceptArmed = false;
        push(fd, w, Accept, 0);
      } else if ((w.mask & Read) && w.readArmed) {
        // The receive that follows sees the end of stream, if any.
        w.readArmed = false;
        push(fd, w, Read, 0);
      }
    } else if ((rev & (POLLRDHUP | POLLHUP)) && (w.mask & Close)) {
      push(fd, w, Close, 0);
      w.closePosted = true;
    }
    if ((rev & POLLOUT) && w.writeArmed) {
      w.writeArmed = false;
      push(fd, w, Write, 0);
    }
  }
  if (armChanged) changed();

  int delivered = 0;
  for (std::size_t n = m_queue.size(); n > 0 && !m_queue.empty(); --n) {
    const Item item = m_queue.front();
    m_queue.pop_front();
    auto it = m_watches.find(item.fd);
    if (it == m_watches.end() || it->second.id != item.id) continue;
    auto target = it->second.target.lock();
    if (!target) continue;
    target->onSocketEvent(item.fd, item.event, item.error);
    ++delivered;
  }
  return delivered;
}

}  // namespace remcmd
