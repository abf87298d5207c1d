// basekit's own handling of a file-layer failure: how its calls hand one back, and the English
// wording for the library objects that answer a text of their own (the INI document's and the
// registry's errors, read by the libraries that use them). The program never shows the wording:
// it words a FileError in the operator's language itself.
#pragma once

#include <basekit/plainfile.h>

#include <cerrno>
#include <string>

namespace basekit::detail {

// Hands back a failure in *error (when asked for); false, for `return fail(...)`. The system's
// refusal with its error number, or one of the layer's own kinds.
inline bool fail(FileError* error, const std::string& path, int err) {
  if (error) *error = FileError::system(err, path);
  return false;
}
inline bool fail(FileError* error, const std::string& path, FileFault kind) {
  if (error) *error = FileError::refusal(kind, path);
  return false;
}
inline bool fail(FileError* error, const FileError& failure) {
  if (error) *error = failure;
  return false;
}

// Whether the caller could open the existing path for writing, as an append would: never
// through a link, never blocking, a plain file of one name. False with the refusal in *error.
bool checkWritable(const std::string& path, FileError* error);

// An error number for the library objects that answer one of their own (the registry's
// "ERROR #n"): the system's, or for the layer's own refusals the system's nearest.
inline int errnoOf(const FileError& e) {
  switch (e.kind) {
    case FileFault::System:
      return e.err != 0 ? e.err : EIO;
    case FileFault::SymbolicLink:
      return ELOOP;
    case FileFault::TooLarge:
      return EFBIG;
    case FileFault::SecondName:
    case FileFault::NotPlainFile:
    case FileFault::ReplacedWhileRead:
      return EPERM;
  }
  return EIO;
}

// The English wording of a failure, for the library objects that answer a text of their own.
std::string describe(const FileError& e);

// Makes the folders on the way to file (0755 less the umask), as far as it can: a folder that
// cannot be made shows in the file's own failure.
void makeFolders(const std::string& file);

}  // namespace basekit::detail
