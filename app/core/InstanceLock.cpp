#include "core/InstanceLock.h"

#include <basekit/plainfile.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
  // O_NONBLOCK: nothing under that name may hang the start-up.
  const int fd =
      ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    m_reason = errno == ELOOP && basekit::isSymbolicLink(m_path) ? basekit::symbolicLinkReason()
                                                                 : std::strerror(errno);
    return LockState::Failed;
  }
  // Checked on the descriptor: a FIFO is no lock, and a second name would lock (and keep
  // locked) a file outside the folder.
  struct stat st {};
  const char* refusal = ::fstat(fd, &st) != 0  ? std::strerror(errno)
                        : !S_ISREG(st.st_mode) ? basekit::notPlainFileReason()
                        : st.st_nlink > 1      ? basekit::secondNameReason()
                                               : nullptr;
  if (refusal) {
    m_reason = refusal;
    ::close(fd);
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
