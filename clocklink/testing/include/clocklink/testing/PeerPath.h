// Where a test program finds a program or library built beside it. The build compiles in the
// peer's path relative to the test program's own folder (velta_peer_path in cmake/Velta.cmake),
// not its absolute path, so that the compiled file is the same in every clone and the compiler
// cache serves it; here that path is taken from the folder of the running program, whatever the
// working directory it was started from.
#pragma once

#include <climits>
#include <string>
#include <unistd.h>

namespace clocklink::testing {

// `relative` (from this program's folder) as a path that opens from anywhere; an absolute path
// is returned as it is.
inline std::string peerPath(const std::string& relative) {
  if (relative.empty() || relative.front() == '/') return relative;
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof self) return relative;
  std::string path(self, static_cast<size_t>(n));
  path.erase(path.rfind('/') + 1);
  return path + relative;
}

}  // namespace clocklink::testing
