// Writing into a data file in place (appends, a record at the end, empty marker files).
// A name whose last component is a symbolic link is refused, so a link planted in the data
// folder never gets its target written (the folders on the way may be links); a pipe without
// a reader fails at once instead of blocking the program. An append is whole or not at all:
// a write that fails part-way (disk full, a file-size limit) cuts the file back to the length
// it had before, so a text file only ever holds whole lines.
#pragma once
#include <string>
#include <string_view>
#include <sys/types.h>

namespace basekit {

// The reason given for a data file that is a symbolic link (with errno ELOOP), in the style of
// the system's own reasons: "Is a symbolic link; data files must be plain files".
const char* symbolicLinkReason();

// True when the last component of path is a symbolic link.
bool isSymbolicLink(const std::string& path);

class PlainFile {
 public:
  PlainFile() = default;
  ~PlainFile();  // closes without syncing (the failure path)
  PlainFile(PlainFile&& other) noexcept;
  PlainFile& operator=(PlainFile&& other) noexcept;
  PlainFile(const PlainFile&) = delete;
  PlainFile& operator=(const PlainFile&) = delete;

  // Opens path for appending, creating it with newFileMode less the umask when missing. Refuses
  // a symbolic link in the last component. Errors here and below are "<path>: <reason>", with
  // errno the cause.
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
