// basekit's own handling of a file-layer failure: how its calls hand one back, and the English
// wording for the library objects that answer a text of their own (the INI document's and the
// registry's errors, read by the libraries that use them). The program never shows the wording:
// it words a FileError in the operator's language itself.
#pragma once

#include <basekit/plainfile.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace basekit::detail {

// Hands back a failure: *error (when asked for) and errno; false, for `return fail(...)`.
inline bool fail(FileError* error, const std::string& path, int err) {
  if (error) *error = FileError{err, path};
  errno = err;
  return false;
}

inline std::string describe(const FileError& e) {
  switch (e.fault()) {
    case FileFault::SymbolicLink:
      return e.path + ": a symbolic link, not followed";
    case FileFault::SecondName:
      return e.path + ": has a second name (a hard link)";
    case FileFault::NotPlainFile:
      return e.path + ": not a plain file";
    case FileFault::TooLarge:
      return e.path + ": too large";
    case FileFault::ReplacedWhileRead:
      return e.path + ": replaced while it was read";
    case FileFault::System:
      break;
  }
  return e.path + ": " + std::strerror(e.err);
}

}  // namespace basekit::detail
