// The previous-instance test: an exclusive, non-blocking flock on VELTA.LCK in the data
// folder, held for the whole run. The file is never deleted (deleting it would let a second
// copy lock a new file while the first still holds the old one).
#pragma once

#include "core/Release.h"

#include <basekit/plainfile.h>

#include <string>

class InstanceLock {
 public:
  InstanceLock() = default;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Opens and locks folder + "VELTA.LCK" (folder ends with "/").
  LockState acquire(const std::string& folder);
  const std::string& path() const { return m_path; }
  const std::string& reason() const { return m_reason; }  // why it failed ("" otherwise)

 private:
  basekit::LockFile m_lock;
  std::string m_path;
  std::string m_reason;
};
