// The file layer every data file is opened through, for reading (ReadingFile) as for writing
// in place (PlainFile: appends, a record at the end, empty marker files). A name whose last
// component is a symbolic link is refused, so a link planted in the data folder never gets its
// target read or written (the folders on the way may be links); nothing blocks in the open (a
// FIFO in a file's place is refused at once), and every check is made on the opened
// descriptor, never on the name before opening: a plain file, of a size the caller bounds, and
// for writing one name only (a hard link's other name may be a file outside the folder). An
// append is whole or not at all: a write that fails part-way (disk full, a file-size limit)
// cuts the file back to the length it had before, so a text file only ever holds whole lines.
#pragma once
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>

namespace basekit {

// What the layer tells of a failure: its kind, the system's error number apart from it, and the
// file; never a text. The layer's own refusals are kinds of their own, never an error number
// the system might give for another cause (a data folder on NFS answers ESTALE, which is no
// file replaced while it was read). The program words the kind in the operator's language (one
// routine above this layer), so no reason reaches a box, a list line or a log in the layer's
// words.
enum class FileFault {
  System,             // the system refused: err tells why
  SymbolicLink,       // the last component is a symbolic link
  SecondName,         // a file to be written has a second name (a hard link: the other name
                      // may be a file outside the data folder)
  NotPlainFile,       // a FIFO, a device or a socket under a data file's name
  TooLarge,           // larger than its format allows
  ReplacedWhileRead,  // another file took the name while it was read for a rewrite
};

struct FileError {
  FileFault kind = FileFault::System;
  int err = 0;       // the system's error number (System); 0 for the layer's own refusals
  std::string path;  // the file (or folder) the call was about

  static FileError system(int err, std::string path) {
    return {FileFault::System, err, std::move(path)};
  }
  static FileError refusal(FileFault kind, std::string path) { return {kind, 0, std::move(path)}; }
  // The file is not there (nor the folder on its way): what a missing data file means is the
  // caller's; every other failure is a file that is there and refused.
  bool missing() const { return kind == FileFault::System && (err == ENOENT || err == ENOTDIR); }
  // Whether this holds a failure at all (a default one holds none).
  bool failed() const { return kind != FileFault::System || err != 0; }
};

// Whose file a read is for. A data file the program keeps is never read through a symbolic
// link; a file the operator picked to look at (a punch file of a linked backup tree, a card
// list) may be reached through one, or by a second name. Both refuse what is no plain file.
enum class Follow { Never, OperatorsChoice };

// Which file a read read, for a rewrite from it: a replace may only take the place of that very
// file, with its mode (see replaceReadFile).
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  mode_t mode = 0;
};

// A data file opened for reading. open() refuses with *error telling the cases apart: missing(),
// SymbolicLink, EISDIR a folder, NotPlainFile any other thing that is no plain file, TooLarge
// larger than maxBytes; anything else a file that is there but cannot be opened. Every call of
// the layer hands its failure back in *error alone (errno is not part of what it answers).
class ReadingFile {
 public:
  ReadingFile() = default;
  ~ReadingFile();
  ReadingFile(const ReadingFile&) = delete;
  ReadingFile& operator=(const ReadingFile&) = delete;

  bool open(const std::string& path, size_t maxBytes = SIZE_MAX, FileError* error = nullptr,
            Follow follow = Follow::Never);
  void close();

  enum class Line {
    Read,     // a whole line, its LF (and a CR before it) taken off; the last line may lack its LF
    TooLong,  // longer than maxLine: line holds its first maxLine bytes, the rest was passed over
    End,      // nothing left
    Failed,   // a read error; *error tells it
  };
  // The next line of at most maxLine bytes: memory follows the line, never the file.
  Line readLine(std::string& line, size_t maxLine, FileError* error = nullptr);
  // The whole file from its start into out (at most the open's maxBytes: a file that grew past
  // them is refused as TooLarge). False with *error the cause; out is empty after a
  // failure. The line position is not moved.
  bool readAll(std::string& out, FileError* error = nullptr) const;
  // The last bytes of the file, at most maxBytes of them, from a whole line on (the partial line
  // they start in is passed over, unless the file starts within them). For a file too large to
  // read whole whose end is what counts (a console trim keeps its last lines).
  bool readTail(std::string& out, size_t maxBytes, FileError* error = nullptr) const;
  // Goes to byte offset (the next readLine starts there).
  bool seek(off_t offset);
  // Offset of the next byte readLine would take.
  off_t offset() const { return m_offset; }

  bool isOpen() const { return m_fd >= 0; }
  int fd() const { return m_fd; }
  // From the descriptor's fstat at open.
  off_t size() const { return m_size; }
  mode_t mode() const { return m_mode; }
  nlink_t links() const { return m_links; }
  // The file read, its mode as the descriptor has it now (a chmod on it since the open counts).
  FileIdentity identity() const;
  const std::string& path() const { return m_path; }

 private:
  bool fill(int& err);
  int m_fd = -1;
  off_t m_size = 0;
  mode_t m_mode = 0;
  nlink_t m_links = 0;
  size_t m_maxBytes = SIZE_MAX;
  off_t m_offset = 0;
  std::string m_path;
  std::string m_buffer;
  size_t m_pos = 0;
};

class PlainFile {
 public:
  PlainFile() = default;
  ~PlainFile();  // closes without syncing (the failure path)
  PlainFile(PlainFile&& other) noexcept;
  PlainFile& operator=(PlainFile&& other) noexcept;
  PlainFile(const PlainFile&) = delete;
  PlainFile& operator=(const PlainFile&) = delete;

  // Opens path for appending, creating it with newFileMode less the umask when missing. Before
  // anything is written the opened descriptor must be a plain file with one name: a symbolic
  // link in the last component is refused (SymbolicLink), a plain file with a second name
  // (SecondName), and anything else (a FIFO with or without a reader, a device, a socket)
  // is NotPlainFile. Failures here and below are handed back in *error.
  bool open(const std::string& path, mode_t newFileMode = 0666, FileError* error = nullptr);
  // Appends data whole. A write that fails part-way cuts the file back to its length before
  // this call; false with the reason.
  bool append(std::string_view data, FileError* error = nullptr);
  // Sets the file's length (a torn tail dropped before an append).
  bool truncate(off_t length, FileError* error = nullptr);
  // Current length of the file; -1 when it cannot be told.
  off_t size() const;
  bool sync(FileError* error = nullptr);
  // Closes; false when the system reports a failure of the last writes.
  bool close(FileError* error = nullptr);

  bool isOpen() const { return m_fd >= 0; }
  // True when open() made the file (its folder entry is not on disk until the folder is synced).
  bool created() const { return m_created; }
  int fd() const { return m_fd; }
  const std::string& path() const { return m_path; }

 private:
  int m_fd = -1;
  bool m_created = false;
  std::string m_path;
};

// Creates path as an empty file when it is missing; an existing file is left as it is. Refuses
// a symbolic link like PlainFile::open.
bool touchPlainFile(const std::string& path, FileError* error = nullptr, mode_t newFileMode = 0666);

// A file that only ever serves as a lock (flock), and the lock on it: opened read-write
// (created 0644 less the umask when missing), never through a symbolic link, never blocking,
// and refused like a data file to be written when it is no plain file with one name (a FIFO is
// no lock, and a second name would lock, and keep locked, a file outside the folder). The
// descriptor is close-on-exec, so a program started from here does not inherit the lock. The
// lock holds until unlock() or the object's end.
class LockFile {
 public:
  enum class Mode { Shared, Exclusive };
  enum class Wait { UntilFree, No };
  enum class Result {
    Locked,  // the lock is held
    Held,    // another holds it (Wait::No)
    Failed,  // the file could not be opened or locked: *error tells why
  };
  LockFile() = default;
  ~LockFile() { unlock(); }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  Result lock(const std::string& path, Mode mode, Wait wait, FileError* error = nullptr);
  void unlock();
  bool locked() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

// Removes the name path (a link itself, never what it names). False with *error the cause.
bool removeFile(const std::string& path, FileError* error = nullptr);

// Makes the folder path with the folders on its way that are missing (mode 0755 before the
// umask); a folder already there is fine. False with *error the cause (one that is no folder
// under a name on the way: ENOTDIR or EEXIST).
bool makeFolders(const std::string& path, FileError* error = nullptr);

// Flushes a folder's entries to disk (after a file was created or renamed in it).
bool syncFolder(const std::string& folder, FileError* error = nullptr);

// The length a file opened for appending had when it was marked, and the means to cut that very
// file back to it when the appends that follow must be undone as a whole. The mark holds a
// descriptor of its own on the file (not its name), so the cut reaches the file that was
// appended to, whatever has become of the name since, and never another one.
class LengthMark {
 public:
  LengthMark() = default;
  ~LengthMark();
  LengthMark(LengthMark&& other) noexcept;
  LengthMark& operator=(LengthMark&& other) noexcept;
  LengthMark(const LengthMark&) = delete;
  LengthMark& operator=(const LengthMark&) = delete;

  // Marks the open `file` at its present length. False with the reason.
  bool mark(const PlainFile& file, FileError* error = nullptr);
  // Cuts the file back to the marked length (a file no longer than that is left alone) and syncs
  // it. False with the reason.
  bool cutBack(FileError* error = nullptr);

  bool isMarked() const { return m_fd >= 0; }
  off_t length() const { return m_length; }
  // The file marked: its device and inode.
  FileIdentity identity() const;
  const std::string& path() const { return m_path; }

 private:
  int m_fd = -1;
  off_t m_length = 0;
  std::string m_path;
};

}  // namespace basekit
