#include "fileerror.h"

#include <basekit/plainfile.h>
#include <basekit/testing/Hooks.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace basekit {
namespace {

// What an open for writing gave, as the layer tells it: a FIFO without a reader answers ENXIO,
// which is the not-a-plain-file refusal like any FIFO.
int writeOpenError(const std::string& path, int err) {
  if (err != ENXIO) return err;
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) ? kErrNotPlainFile : err;
}

// The checks every descriptor opened for writing passes before its first byte: a plain file
// with one name. 0 or the refusal's errno.
int writableRefusal(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return kErrNotPlainFile;
  if (st.st_nlink > 1) return kErrSecondName;
  return 0;
}

}  // namespace

FileFault faultOf(int err) {
  switch (err) {
    case ELOOP:
      return FileFault::SymbolicLink;
    case kErrSecondName:
      return FileFault::SecondName;
    case kErrNotPlainFile:
      return FileFault::NotPlainFile;
    case EFBIG:
      return FileFault::TooLarge;
    case kErrReplacedWhileRead:
      return FileFault::ReplacedWhileRead;
    default:
      return FileFault::System;
  }
}

FileFault FileError::fault() const { return faultOf(err); }

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
  auto refuse = [&](int err) {
    close();
    return detail::fail(error, path, err);
  };
  if (path.empty()) return refuse(ENOENT);
  // O_NOFOLLOW: a link in the last component fails with ELOOP. O_NONBLOCK: a FIFO put in the
  // file's place opens at once and is refused below instead of hanging the program.
  const int nofollow = follow == Follow::Never ? O_NOFOLLOW : 0;
  m_fd = ::open(path.c_str(), O_RDONLY | nofollow | O_NONBLOCK | O_CLOEXEC);
  if (m_fd < 0) return refuse(errno);
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return refuse(errno);
  if (S_ISDIR(st.st_mode)) return refuse(EISDIR);
  if (!S_ISREG(st.st_mode)) return refuse(kErrNotPlainFile);
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return refuse(EFBIG);
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

// Reads from offset to the end into out, at most limit bytes (EFBIG past them).
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
      err = EFBIG;
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
    if (err != EFBIG) {
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

bool ReadingFile::fill() {
  if (m_pos > 0) {
    m_buffer.erase(0, m_pos);
    m_pos = 0;
  }
  char chunk[65536];
  for (;;) {
    const ssize_t r = ::read(m_fd, chunk, sizeof chunk);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;  // errno is 0-cleared by the caller for the end
    m_buffer.append(chunk, static_cast<size_t>(r));
    return true;
  }
}

ReadingFile::Line ReadingFile::readLine(std::string& line, size_t maxLine) {
  line.clear();
  if (m_fd < 0) {
    errno = EBADF;
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
    errno = 0;
    if (!fill()) {
      if (errno != 0) return Line::Failed;
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
    if (errno != EEXIST) return detail::fail(error, path, writeOpenError(path, errno));
    fd = ::open(path.c_str(), flags);
    if (fd < 0 && errno != ENOENT) return detail::fail(error, path, writeOpenError(path, errno));
  }
  if (fd < 0) return detail::fail(error, path, ENOENT);
  // A FIFO with a reader behind it, a device or a second name would take the lines elsewhere:
  // refused before the first byte.
  if (const int refusal = writableRefusal(fd); refusal != 0) {
    ::close(fd);
    m_created = false;
    return detail::fail(error, path, refusal);
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

int openLockFile(const std::string& path, FileError* error) {
  if (path.empty()) return detail::fail(error, path, ENOENT), -1;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return detail::fail(error, path, writeOpenError(path, errno)), -1;
  // A FIFO is no lock, and a second name would lock (and keep locked) a file outside the folder.
  if (const int refusal = writableRefusal(fd); refusal != 0) {
    ::close(fd);
    return detail::fail(error, path, refusal), -1;
  }
  return fd;
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
    return detail::fail(error, m_path, kErrNotPlainFile);
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
