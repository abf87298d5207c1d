#include "fileerror.h"

#include <basekit/plainfile.h>
#include <basekit/testing/Hooks.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace basekit {
namespace {

// What an open for writing gave, as the layer tells it: a link in the last component (ELOOP
// under O_NOFOLLOW) is refused as one, and a FIFO without a reader answers ENXIO, which is the
// not-a-plain-file refusal like any FIFO.
FileError writeOpenError(const std::string& path, int err) {
  if (err == ELOOP) return FileError::refusal(FileFault::SymbolicLink, path);
  struct stat st {};
  if (err == ENXIO && ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return FileError::refusal(FileFault::NotPlainFile, path);
  return FileError::system(err, path);
}

// The checks every descriptor opened for writing passes before its first byte: a plain file
// with one name. False with the refusal in *error.
bool writable(int fd, const std::string& path, FileError* error) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return detail::fail(error, path, errno);
  if (S_ISDIR(st.st_mode)) return detail::fail(error, path, EISDIR);
  if (!S_ISREG(st.st_mode)) return detail::fail(error, path, FileFault::NotPlainFile);
  if (st.st_nlink > 1) return detail::fail(error, path, FileFault::SecondName);
  return true;
}

}  // namespace

namespace detail {

std::string describe(const FileError& e) {
  switch (e.kind) {
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

void makeFolders(const std::string& file) {
  for (size_t i = 1; i < file.size(); ++i)
    if (file[i] == '/') ::mkdir(file.substr(0, i).c_str(), 0755);
}

bool checkWritable(const std::string& path, FileError* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(error, writeOpenError(path, errno));
  const bool ok = writable(fd, path, error);
  ::close(fd);
  return ok;
}

}  // namespace detail

ReadingFile::~ReadingFile() { close(); }

void ReadingFile::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_buffer.clear();
  m_pos = 0;
  m_offset = 0;
  m_maxBytes = SIZE_MAX;
}

bool ReadingFile::open(const std::string& path, size_t maxBytes, FileError* error, Follow follow) {
  close();
  m_path = path;
  auto refuse = [&](const FileError& failure) {
    close();
    return detail::fail(error, failure);
  };
  if (path.empty()) return refuse(FileError::system(ENOENT, path));
  // O_NOFOLLOW: a link in the last component fails with ELOOP. O_NONBLOCK: a FIFO put in the
  // file's place opens at once and is refused below instead of hanging the program.
  const int nofollow = follow == Follow::Never ? O_NOFOLLOW : 0;
  m_fd = ::open(path.c_str(), O_RDONLY | nofollow | O_NONBLOCK | O_CLOEXEC);
  if (m_fd < 0) {
    const int err = errno;
    if (err == ELOOP && follow == Follow::Never)
      return refuse(FileError::refusal(FileFault::SymbolicLink, path));
    return refuse(FileError::system(err, path));
  }
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return refuse(FileError::system(errno, path));
  if (S_ISDIR(st.st_mode)) return refuse(FileError::system(EISDIR, path));
  if (!S_ISREG(st.st_mode)) return refuse(FileError::refusal(FileFault::NotPlainFile, path));
  if (static_cast<unsigned long long>(st.st_size) > maxBytes)
    return refuse(FileError::refusal(FileFault::TooLarge, path));
  // Reads of a plain file never block; the flag goes so a slow disk is read, not refused.
  const int fl = ::fcntl(m_fd, F_GETFL);
  if (fl >= 0) ::fcntl(m_fd, F_SETFL, fl & ~O_NONBLOCK);
  m_size = st.st_size;
  m_mode = st.st_mode & 07777;
  m_links = st.st_nlink;
  m_maxBytes = maxBytes;
  return true;
}

FileIdentity ReadingFile::identity() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return {};
  return {st.st_dev, st.st_ino, static_cast<mode_t>(st.st_mode & 07777)};
}

namespace {

// Reads from offset to the end into out, at most limit bytes (err kTooMuch past them).
constexpr int kTooMuch = -1;
bool readFrom(int fd, off_t offset, size_t limit, std::string& out, int& err) {
  char buf[65536];
  for (;;) {
    const ssize_t r = ::pread(fd, buf, sizeof buf, offset + static_cast<off_t>(out.size()));
    if (r < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    if (r == 0) return true;
    if (static_cast<size_t>(r) > limit - out.size()) {  // it grew while being read
      err = kTooMuch;
      return false;
    }
    out.append(buf, static_cast<size_t>(r));
  }
}

}  // namespace

bool ReadingFile::readAll(std::string& out, FileError* error) const {
  out.clear();
  int err = EBADF;
  if (m_fd >= 0) {
    out.reserve(static_cast<size_t>(m_size));
    if (readFrom(m_fd, 0, m_maxBytes, out, err)) return true;
  }
  out.clear();
  out.shrink_to_fit();
  if (err == kTooMuch) return detail::fail(error, m_path, FileFault::TooLarge);
  return detail::fail(error, m_path, err);
}

bool ReadingFile::readTail(std::string& out, size_t maxBytes, FileError* error) const {
  out.clear();
  struct stat st {};
  if (m_fd < 0) return detail::fail(error, m_path, EBADF);
  if (::fstat(m_fd, &st) != 0) return detail::fail(error, m_path, errno);
  const off_t size = st.st_size;
  const off_t start = size > static_cast<off_t>(maxBytes) ? size - static_cast<off_t>(maxBytes) : 0;
  // One byte before the start tells whether the tail begins on a line of its own.
  const off_t from = start > 0 ? start - 1 : 0;
  int err = 0;
  // What is appended while this reads is left for the next time (the bound holds).
  if (!readFrom(m_fd, from, maxBytes + (start > 0 ? 1 : 0), out, err)) {
    if (err != kTooMuch) {
      out.clear();
      return detail::fail(error, m_path, err);
    }
  }
  if (start > 0) {
    const size_t lf = out.find('\n');
    out.erase(0, lf == std::string::npos ? out.size() : lf + 1);
  }
  return true;
}

bool ReadingFile::fill(int& err) {
  if (m_pos > 0) {
    m_buffer.erase(0, m_pos);
    m_pos = 0;
  }
  char chunk[65536];
  for (;;) {
    const ssize_t r = ::read(m_fd, chunk, sizeof chunk);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) err = errno;
    if (r <= 0) return false;
    m_buffer.append(chunk, static_cast<size_t>(r));
    return true;
  }
}

ReadingFile::Line ReadingFile::readLine(std::string& line, size_t maxLine, FileError* error) {
  line.clear();
  if (m_fd < 0) {
    detail::fail(error, m_path, EBADF);
    return Line::Failed;
  }
  bool tooLong = false;
  for (;;) {
    const size_t lf = m_buffer.find('\n', m_pos);
    const size_t end = lf == std::string::npos ? m_buffer.size() : lf;
    if (!tooLong) {
      const size_t room = maxLine - line.size();
      const size_t take = end - m_pos;
      line.append(m_buffer, m_pos, take < room ? take : room);
      if (take > room) tooLong = true;
    }
    if (lf != std::string::npos) {
      m_offset += static_cast<off_t>(lf + 1 - m_pos);
      m_pos = lf + 1;
      if (!tooLong && !line.empty() && line.back() == '\r') line.pop_back();
      return tooLong ? Line::TooLong : Line::Read;
    }
    m_offset += static_cast<off_t>(m_buffer.size() - m_pos);
    m_pos = m_buffer.size();
    int err = 0;
    if (!fill(err)) {
      if (err != 0) {
        detail::fail(error, m_path, err);
        return Line::Failed;
      }
      if (tooLong) return Line::TooLong;
      if (line.empty()) return Line::End;
      if (line.back() == '\r') line.pop_back();
      return Line::Read;
    }
  }
}

bool ReadingFile::seek(off_t offset) {
  if (m_fd < 0 || ::lseek(m_fd, offset, SEEK_SET) < 0) return false;
  m_buffer.clear();
  m_pos = 0;
  m_offset = offset;
  return true;
}

PlainFile::~PlainFile() {
  if (m_fd >= 0) ::close(m_fd);
}

PlainFile::PlainFile(PlainFile&& other) noexcept
    : m_fd(other.m_fd), m_created(other.m_created), m_path(std::move(other.m_path)) {
  other.m_fd = -1;
}

PlainFile& PlainFile::operator=(PlainFile&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = other.m_fd;
    m_created = other.m_created;
    m_path = std::move(other.m_path);
    other.m_fd = -1;
  }
  return *this;
}

bool PlainFile::open(const std::string& path, mode_t newFileMode, FileError* error) {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_created = false;
  m_path = path;
  if (path.empty()) return detail::fail(error, path, ENOENT);
  // O_NOFOLLOW: a link in the last component fails with ELOOP, whatever it points at.
  // O_NONBLOCK only for the open: a pipe fails (ENXIO) or is refused below instead of hanging.
  const int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  int fd = -1;
  // O_EXCL first, to know whether this call made the file; a file removed between the two
  // opens sends the loop round again.
  for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
    fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, newFileMode);
    if (fd >= 0) {
      m_created = true;
      break;
    }
    if (errno != EEXIST) return detail::fail(error, writeOpenError(path, errno));
    fd = ::open(path.c_str(), flags);
    if (fd < 0 && errno != ENOENT) return detail::fail(error, writeOpenError(path, errno));
  }
  if (fd < 0) return detail::fail(error, path, ENOENT);
  // A FIFO with a reader behind it, a device or a second name would take the lines elsewhere:
  // refused before the first byte.
  if (!writable(fd, path, error)) {
    ::close(fd);
    m_created = false;
    return false;
  }
  const int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  m_fd = fd;
  return true;
}

off_t PlainFile::size() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
  return st.st_size;
}

bool PlainFile::append(std::string_view data, FileError* error) {
  if (m_fd < 0) return detail::fail(error, m_path, EBADF);
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return detail::fail(error, m_path, errno);
  const off_t before = st.st_size;
  size_t done = 0;
  int injected = 0;
  size_t injectedAfter = 0;
  if (auto* hooks = testing::hooks(); hooks && hooks->failAppend(injected, injectedAfter))
    injectedAfter = std::min(injectedAfter, data.size());
  while (done < data.size()) {
    const size_t room = injected != 0 ? injectedAfter - done : data.size() - done;
    const ssize_t n = room == 0 ? (errno = injected, -1) : ::write(m_fd, data.data() + done, room);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int err = n < 0 ? errno : EIO;
    // What went out of this block goes again: the file keeps only whole blocks (lines).
    // A cut that fails too leaves a torn tail, which the next open of the punch files mends
    // (a last line without its end gets one before the next line).
    if (done > 0 && S_ISREG(st.st_mode)) {
      [[maybe_unused]] const int cut = ::ftruncate(m_fd, before);
    }
    return detail::fail(error, m_path, err);
  }
  return true;
}

bool PlainFile::truncate(off_t length, FileError* error) {
  if (m_fd < 0) return detail::fail(error, m_path, EBADF);
  if (::ftruncate(m_fd, length) != 0) return detail::fail(error, m_path, errno);
  return true;
}

bool PlainFile::sync(FileError* error) {
  if (m_fd < 0) return detail::fail(error, m_path, EBADF);
  if (::fsync(m_fd) != 0) return detail::fail(error, m_path, errno);
  return true;
}

bool PlainFile::close(FileError* error) {
  if (m_fd < 0) return true;
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) return detail::fail(error, m_path, errno);
  return true;
}

bool touchPlainFile(const std::string& path, FileError* error, mode_t newFileMode) {
  PlainFile f;
  return f.open(path, newFileMode, error) && f.close(error);
}

LockFile::Result LockFile::lock(const std::string& path, Mode mode, Wait wait, FileError* error) {
  unlock();
  if (path.empty()) return detail::fail(error, path, ENOENT), Result::Failed;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return detail::fail(error, writeOpenError(path, errno)), Result::Failed;
  if (!writable(fd, path, error)) {
    ::close(fd);
    return Result::Failed;
  }
  const int op = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | (wait == Wait::No ? LOCK_NB : 0);
  int r;
  do {
    r = ::flock(fd, op);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK && wait == Wait::No) return Result::Held;
    return detail::fail(error, path, err), Result::Failed;
  }
  m_fd = fd;
  return Result::Locked;
}

void LockFile::unlock() {
  if (m_fd >= 0) ::close(m_fd);  // the lock goes with the descriptor
  m_fd = -1;
}

bool removeFile(const std::string& path, FileError* error) {
  if (::unlink(path.c_str()) != 0) return detail::fail(error, path, errno);
  return true;
}

bool makeFolders(const std::string& path, FileError* error) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0755) == 0) continue;
    const int err = errno;
    if (err != EEXIST) return detail::fail(error, part, err);
    // Already there: a folder (or a link to one: folders may be links) lets the walk go on.
    struct stat st {};
    if (::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return detail::fail(error, part, ENOTDIR);
  }
  return true;
}

bool syncFolder(const std::string& folder, FileError* error) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return detail::fail(error, folder, errno);
  const bool ok = ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  return ok || detail::fail(error, folder, err);
}

LengthMark::~LengthMark() {
  if (m_fd >= 0) ::close(m_fd);
}

LengthMark::LengthMark(LengthMark&& other) noexcept
    : m_fd(other.m_fd), m_length(other.m_length), m_path(std::move(other.m_path)) {
  other.m_fd = -1;
}

LengthMark& LengthMark::operator=(LengthMark&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = other.m_fd;
    m_length = other.m_length;
    m_path = std::move(other.m_path);
    other.m_fd = -1;
  }
  return *this;
}

bool LengthMark::mark(const PlainFile& file, FileError* error) {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_path = file.path();
  if (!file.isOpen()) return detail::fail(error, m_path, EBADF);
  // A descriptor of its own: the file is reached again without its name.
  const int fd = ::fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return detail::fail(error, m_path, errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return detail::fail(error, m_path, err);
  }
  if (!S_ISREG(st.st_mode)) {  // PlainFile opens nothing else; a cut is for plain files only
    ::close(fd);
    return detail::fail(error, m_path, FileFault::NotPlainFile);
  }
  m_fd = fd;
  m_length = st.st_size;
  return true;
}

bool LengthMark::cutBack(FileError* error) {
  if (m_fd < 0) return detail::fail(error, m_path, EBADF);
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return detail::fail(error, m_path, errno);
  if (st.st_size <= m_length) return true;
  if (::ftruncate(m_fd, m_length) != 0) return detail::fail(error, m_path, errno);
  if (::fsync(m_fd) != 0) return detail::fail(error, m_path, errno);
  return true;
}

FileIdentity LengthMark::identity() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return {};
  return {st.st_dev, st.st_ino, static_cast<mode_t>(st.st_mode & 07777)};
}

}  // namespace basekit
