#include <basekit/plainfile.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace basekit {
namespace {

bool setError(std::string* error, const std::string& path, int err) {
  if (error)
    *error = path + ": " +
             (err == ELOOP && isSymbolicLink(path) ? symbolicLinkReason() : std::strerror(err));
  errno = err;
  return false;
}

}  // namespace

const char* symbolicLinkReason() { return "Is a symbolic link; data files must be plain files"; }

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
