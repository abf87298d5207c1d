#include "core/InstanceLock.h"

#include "core/MessagesExtra.h"

#include <basekit/plainfile.h>

#include <cerrno>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::~InstanceLock() {
  if (m_fd >= 0) ::close(m_fd);
}

LockState InstanceLock::acquire(const std::string& folder) {
  if (m_fd >= 0) return LockState::Acquired;
  m_path = folder + "VELTA.LCK";
  m_reason.clear();
  // Through the file layer: never through a link planted as VELTA.LCK, never blocking on
  // whatever is under the name, and only a plain file of one name (a second name would lock,
  // and keep locked, a file outside the folder). Close-on-exec: a program started from Velta
  // (the mail client, the system viewer) must not keep the next copy of Velta out.
  basekit::FileError error;
  const int fd = basekit::openLockFile(m_path, &error);
  if (fd < 0) {
    m_reason = fileReason(error);
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
    m_reason = systemReason(e);
    return LockState::Failed;
  }
  m_fd = fd;
  return LockState::Acquired;
}
