#include <basekit/plainfile.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace basekit {
namespace {

std::string reasonFor(const std::string& path, int err) {
  if (err == ELOOP && isSymbolicLink(path)) return symbolicLinkReason();
  if (err == kErrNotPlainFile) return notPlainFileReason();
  if (err == kErrSecondName) return secondNameReason();
  return std::strerror(err);
}

bool setError(std::string* error, const std::string& path, int err) {
  if (error) *error = path + ": " + reasonFor(path, err);
  errno = err;
  return false;
}

}  // namespace

const char* symbolicLinkReason() { return "Is a symbolic link; data files must be plain files"; }
const char* notPlainFileReason() { return "Not a plain file; data files must be plain files"; }
const char* secondNameReason() {
  return "Has a second name (a hard link); data files must have one name only";
}

ReadingFile::~ReadingFile() { close(); }

void ReadingFile::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_buffer.clear();
  m_pos = 0;
  m_offset = 0;
  m_maxBytes = SIZE_MAX;
}

bool ReadingFile::open(const std::string& path, size_t maxBytes, std::string* error) {
  close();
  m_path = path;
  auto refuse = [&](const std::string& what, int err) {
    if (error) *error = what + " '" + path + "': " + reasonFor(path, err);
    close();
    errno = err;
    return false;
  };
  if (path.empty()) return refuse("cannot open", ENOENT);
  // O_NOFOLLOW: a link in the last component fails with ELOOP. O_NONBLOCK: a FIFO put in the
  // file's place opens at once and is refused below instead of hanging the program.
  m_fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (m_fd < 0) return refuse("cannot open", errno);
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return refuse("cannot read", errno);
  if (S_ISDIR(st.st_mode)) return refuse("cannot read", EISDIR);
  if (!S_ISREG(st.st_mode)) return refuse("cannot read", kErrNotPlainFile);
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    if (error)
      *error = "refused '" + path + "': " + std::to_string(st.st_size) + " bytes, more than the " +
               std::to_string(maxBytes) + " bytes such a file may hold";
    close();
    errno = EFBIG;
    return false;
  }
  // Reads of a plain file never block; the flag goes so a slow disk is read, not refused.
  const int fl = ::fcntl(m_fd, F_GETFL);
  if (fl >= 0) ::fcntl(m_fd, F_SETFL, fl & ~O_NONBLOCK);
  m_size = st.st_size;
  m_mode = st.st_mode & 07777;
  m_links = st.st_nlink;
  m_maxBytes = maxBytes;
  return true;
}

bool ReadingFile::readAll(std::string& out, std::string* error) const {
  out.clear();
  auto refuse = [&](const std::string& why, int e) {
    out.clear();
    out.shrink_to_fit();
    if (error) *error = why;
    errno = e;
    return false;
  };
  if (m_fd < 0) return refuse("cannot read '" + m_path + "': " + std::strerror(EBADF), EBADF);
  out.reserve(static_cast<size_t>(m_size));
  char buf[65536];
  for (;;) {
    const ssize_t r = ::pread(m_fd, buf, sizeof buf, static_cast<off_t>(out.size()));
    if (r < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      return refuse("cannot read '" + m_path + "': " + std::strerror(e), e);
    }
    if (r == 0) break;
    if (static_cast<size_t>(r) > m_maxBytes - out.size())  // it grew while being read
      return refuse("refused '" + m_path + "': " + std::to_string(out.size() + size_t(r)) +
                        " bytes, more than the " + std::to_string(m_maxBytes) +
                        " bytes such a file may hold",
                    EFBIG);
    out.append(buf, static_cast<size_t>(r));
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

bool isSymbolicLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
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

bool PlainFile::open(const std::string& path, mode_t newFileMode, std::string* error) {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_created = false;
  m_path = path;
  if (path.empty()) return setError(error, path, ENOENT);
  // O_NOFOLLOW: a link in the last component fails with ELOOP, whatever it points at.
  // O_NONBLOCK only for the open: a pipe nobody reads fails (ENXIO) instead of hanging.
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
    if (errno != EEXIST) return setError(error, path, errno);
    fd = ::open(path.c_str(), flags);
    if (fd < 0 && errno != ENOENT) return setError(error, path, errno);
  }
  if (fd < 0) return setError(error, path, ENOENT);
  struct stat st {};
  // A device stays writable (the tests' /dev/full, a line printer); a plain file with a
  // second name does not.
  const int refusal = ::fstat(fd, &st) != 0                    ? errno
                      : S_ISREG(st.st_mode) && st.st_nlink > 1 ? kErrSecondName
                                                               : 0;
  if (refusal != 0) {
    ::close(fd);
    m_created = false;
    return setError(error, path, refusal);
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

bool PlainFile::append(std::string_view data, std::string* error) {
  if (m_fd < 0) return setError(error, m_path, EBADF);
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return setError(error, m_path, errno);
  const off_t before = st.st_size;
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(m_fd, data.data() + done, data.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int err = n < 0 ? errno : EIO;
    // What went out of this block goes again: the file keeps only whole blocks (lines).
    if (done > 0 && S_ISREG(st.st_mode) && ::ftruncate(m_fd, before) != 0) {
      const int cutErr = errno;
      setError(error, m_path, err);
      if (error)
        *error += " (and it could not be cut back: " + std::string(std::strerror(cutErr)) + ")";
      errno = err;
      return false;
    }
    return setError(error, m_path, err);
  }
  return true;
}

bool PlainFile::truncate(off_t length, std::string* error) {
  if (m_fd < 0) return setError(error, m_path, EBADF);
  if (::ftruncate(m_fd, length) != 0) return setError(error, m_path, errno);
  return true;
}

bool PlainFile::sync(std::string* error) {
  if (m_fd < 0) return setError(error, m_path, EBADF);
  if (::fsync(m_fd) != 0) return setError(error, m_path, errno);
  return true;
}

bool PlainFile::close(std::string* error) {
  if (m_fd < 0) return true;
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) return setError(error, m_path, errno);
  return true;
}

bool touchPlainFile(const std::string& path, std::string* error, mode_t newFileMode) {
  PlainFile f;
  return f.open(path, newFileMode, error) && f.close(error);
}

bool syncFolder(const std::string& folder, std::string* error) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return setError(error, folder, errno);
  const bool ok = ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  return ok || setError(error, folder, err);
}

}  // namespace basekit
