#include "InstanceLock.h"

#include <basekit/plainfile.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

InstanceLock::~InstanceLock() {
  if (m_fd >= 0) ::close(m_fd);
}

LockState InstanceLock::acquire(const std::string& folder) {
  if (m_fd >= 0) return LockState::Acquired;
  m_path = folder + "VELTA.LCK";
  m_reason.clear();
  // O_CLOEXEC: a program started from Velta (the mail client, the system viewer) must not
  // inherit the lock and keep the next copy of Velta out after this one has ended.
  // O_NOFOLLOW: a link planted as VELTA.LCK must not make Velta create the file it names.
  const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    m_reason = errno == ELOOP && basekit::isSymbolicLink(m_path) ? basekit::symbolicLinkReason()
                                                                 : std::strerror(errno);
    return LockState::Failed;
  }
  int r;
  do {
    r = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    const int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) return LockState::Held;
    m_reason = std::strerror(e);
    return LockState::Failed;
  }
  m_fd = fd;
  return LockState::Acquired;
}
