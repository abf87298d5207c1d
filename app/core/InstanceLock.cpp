#include "core/InstanceLock.h"

#include "core/MessagesExtra.h"

LockState InstanceLock::acquire(const std::string& folder) {
  if (m_lock.locked()) return LockState::Acquired;
  m_path = folder + "VELTA.LCK";
  m_reason.clear();
  // Through the file layer: never through a link planted as VELTA.LCK, never blocking on
  // whatever is under the name, and only a plain file of one name (a second name would lock,
  // and keep locked, a file outside the folder). Close-on-exec: a program started from Velta
  // (the mail client, the system viewer) must not keep the next copy of Velta out.
  basekit::FileError error;
  switch (m_lock.lock(m_path, basekit::LockFile::Mode::Exclusive, basekit::LockFile::Wait::No,
                      &error)) {
    case basekit::LockFile::Result::Locked:
      return LockState::Acquired;
    case basekit::LockFile::Result::Held:
      return LockState::Held;
    case basekit::LockFile::Result::Failed:
      break;
  }
  m_reason = fileReason(error);
  return LockState::Failed;
}
