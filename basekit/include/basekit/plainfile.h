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

namespace basekit {

// The errno values of the file layer's own refusals, each a code no data file's open or write
// gives for another cause: something under a data file's name that is no plain file (a FIFO, a
// device, a socket), and a data file to be written that has a second name (a hard link: the
// other name may be a file outside the data folder).
constexpr int kErrNotPlainFile = EMEDIUMTYPE;
constexpr int kErrSecondName = EMLINK;

// The reason given for a data file that is a symbolic link (with errno ELOOP), in the style of
// the system's own reasons: "Is a symbolic link; data files must be plain files".
const char* symbolicLinkReason();

// "Not a plain file; data files must be plain files" (kErrNotPlainFile).
const char* notPlainFileReason();
// "Has a second name (a hard link); data files must have one name only" (kErrSecondName).
const char* secondNameReason();

// True when the last component of path is a symbolic link.
bool isSymbolicLink(const std::string& path);

// A data file opened for reading. open() refuses, with errno telling the cases apart:
// ENOENT or ENOTDIR missing, ELOOP a symbolic link, EISDIR a folder, kErrNotPlainFile any other
// thing that is no plain file, EFBIG larger than maxBytes; anything else a file that is there
// but cannot be opened. Errors are "cannot open '<path>': <reason>" and the like.
class ReadingFile {
 public:
  ReadingFile() = default;
  ~ReadingFile();
  ReadingFile(const ReadingFile&) = delete;
  ReadingFile& operator=(const ReadingFile&) = delete;

  bool open(const std::string& path, size_t maxBytes = SIZE_MAX, std::string* error = nullptr);
  void close();

  enum class Line {
    Read,     // a whole line, its LF (and a CR before it) taken off; the last line may lack its LF
    TooLong,  // longer than maxLine: line holds its first maxLine bytes, the rest was passed over
    End,      // nothing left
    Failed,   // a read error; errno tells it
  };
  // The next line of at most maxLine bytes: memory follows the line, never the file.
  Line readLine(std::string& line, size_t maxLine);
  // The whole file from its start into out (at most the open's maxBytes: a file that grew past
  // them is refused with EFBIG). False with errno the cause and *error the reason; out is
  // empty after a failure. The line position is not moved.
  bool readAll(std::string& out, std::string* error = nullptr) const;
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
  const std::string& path() const { return m_path; }

 private:
  bool fill();
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

  // Opens path for appending, creating it with newFileMode less the umask when missing. Refuses
  // a symbolic link in the last component (ELOOP) and a plain file with a second name
  // (kErrSecondName); a FIFO without a reader fails at once (ENXIO). Errors here and below are
  // "<path>: <reason>", with errno the cause.
  bool open(const std::string& path, mode_t newFileMode = 0666, std::string* error = nullptr);
  // Appends data whole. A write that fails part-way cuts the file back to its length before
  // this call; false with the reason.
  bool append(std::string_view data, std::string* error = nullptr);
  // Sets the file's length (a torn tail dropped before an append).
  bool truncate(off_t length, std::string* error = nullptr);
  // Current length of the file; -1 when it cannot be told.
  off_t size() const;
  bool sync(std::string* error = nullptr);
  // Closes; false when the system reports a failure of the last writes.
  bool close(std::string* error = nullptr);

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
bool touchPlainFile(const std::string& path, std::string* error = nullptr,
                    mode_t newFileMode = 0666);

// Flushes a folder's entries to disk (after a file was created or renamed in it).
bool syncFolder(const std::string& folder, std::string* error = nullptr);

}  // namespace basekit
