// Whole-file reads and crash-safe whole-file replacement: a crash or a failed
// write leaves either the old file or the new one, never a torn one.
#pragma once
#include <basekit/plainfile.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace basekit {

// Writes a temp file in the same folder, fsyncs it, renames it over path and
// fsyncs the folder. A replaced file keeps its permission bits; a new file gets
// newFileMode less the umask. Before anything is written, what is under the name must be a file
// the caller could write in place: a symbolic link in the last component is refused
// (SymbolicLink) and the file it names left untouched, a folder (EISDIR), anything else that is
// no plain file (NotPlainFile: a FIFO, a device, a socket), a plain file with a second name
// (SecondName), and a plain file the caller may not open for writing (the system's reason, as
// an append would meet it: a user who may write the folder but not the file does not take the
// file's place). On failure the old file is untouched, the temp file removed and *error holds
// the cause. The temp file is "<file>.velta-tmp.<pid>.XXXXXX"; one left by a writer that died
// before its rename is removed at the next replace of the same file.
bool replaceFileAtomically(const std::string& path, std::string_view data,
                           FileError* error = nullptr, mode_t newFileMode = 0666);

// The same, the file getting exactly `mode` (umask aside) whether or not it existed: a copy of
// a data file is never easier to read than the file it copies, whatever mode an older copy had.
bool replaceFileAtomicallyWithMode(const std::string& path, std::string_view data, mode_t mode,
                                   FileError* error = nullptr);

// A rewrite of a file from what was read of it (a trim, a rewritten setting): the new file
// takes the mode of the descriptor that was read (never wider, whatever is under the name by
// then), and just before the rename the name must still refer to the very file read (device
// and inode). When another file took the name meanwhile nothing is replaced: false with
// ReplacedWhileRead, and the caller leaves its rewrite for the next time.
bool replaceReadFile(const ReadingFile& read, std::string_view data, FileError* error = nullptr);
// The same for a file read earlier and closed since: `read` is what its descriptor told.
bool replaceReadFile(const std::string& path, const FileIdentity& read, std::string_view data,
                     FileError* error = nullptr);

// Limit of readWholeFile for a caller whose format gives none of its own.
constexpr size_t kDefaultReadLimit = size_t{64} << 20;

// Reads a whole regular file into out. A file larger than maxBytes is refused before anything
// is read (its size is checked first, and again as it is read, in case it grows). False when
// the file is missing, no regular file, unreadable or too large: *error tells the cases apart:
// missing(), TooLarge, anything else a file that exists but cannot be read. out is empty after
// a failure.
bool readWholeFile(const std::string& path, std::string& out, FileError* error = nullptr,
                   size_t maxBytes = kDefaultReadLimit, Follow follow = Follow::Never);

}  // namespace basekit
