#include <basekit/atomicfile.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace basekit {
namespace {

std::mutex g_seamMutex;
int g_failErrno = 0;
size_t g_failAfter = 0;

// Takes the pending injected failure, if any (one replace consumes it).
bool takeInjected(int& err, size_t& after) {
  std::lock_guard lock(g_seamMutex);
  if (g_failErrno == 0) return false;
  err = g_failErrno;
  after = g_failAfter;
  g_failErrno = 0;
  return true;
}

void setError(std::string* error, const std::string& what, const std::string& path, int err) {
  if (error) *error = what + " '" + path + "': " + std::strerror(err);
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeAll(int fd, const char* p, size_t n, int& err) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

namespace testing {
void failNextReplace(int errnoValue, size_t afterBytes) {
  std::lock_guard lock(g_seamMutex);
  g_failErrno = errnoValue;
  g_failAfter = afterBytes;
}
}  // namespace testing

bool replaceFileAtomically(const std::string& path, std::string_view data, std::string* error,
                           mode_t newFileMode) {
  if (path.empty()) {
    setError(error, "cannot write", path, ENOENT);
    errno = ENOENT;
    return false;
  }
  // Through a symbolic link the file it names is replaced and the link stays;
  // renaming over the link itself would leave that file stale.
  std::string target = path;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  mode_t mode = newFileMode & 07777;
  struct stat st {};
  const bool existed = ::stat(target.c_str(), &st) == 0;
  if (existed) {
    if (S_ISDIR(st.st_mode)) {
      setError(error, "cannot replace", path, EISDIR);
      errno = EISDIR;
      return false;
    }
    mode = st.st_mode & 07777;
  }

  std::string tmp = target + ".tmpXXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    const int e = errno;
    setError(error, "cannot create a temporary file for", path, e);
    errno = e;
    return false;
  }
  auto fail = [&](const std::string& what, int err) {
    ::unlink(tmp.c_str());
    setError(error, what, path, err);
    errno = err;
    return false;
  };

  int err = 0;
  size_t after = 0;
  bool ok = true;
  if (takeInjected(err, after)) {
    const size_t n = after < data.size() ? after : data.size();
    int ignored = 0;
    writeAll(fd, data.data(), n, ignored);
    ok = false;
  } else {
    ok = writeAll(fd, data.data(), data.size(), err);
  }
  if (ok && existed && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
    // Best effort: only a privileged writer can hand the file back to its owner.
    [[maybe_unused]] const int ignored = ::fchown(fd, st.st_uid, st.st_gid);
  }
  if (ok && ::fchmod(fd, mode) != 0) {
    err = errno;
    ok = false;
  }
  if (ok && ::fsync(fd) != 0) {
    err = errno;
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    err = errno;
    ok = false;
  }
  if (!ok) return fail("cannot write", err);
  if (::rename(tmp.c_str(), target.c_str()) != 0) return fail("cannot replace", errno);

  // The rename is only durable once the folder entry is on disk.
  const std::string dir = folderOf(target);
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool readWholeFile(const std::string& path, std::string& out, std::string* error) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    setError(error, "cannot open", path, errno);
    return false;
  }
  char buf[65536];
  for (;;) {
    const ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::close(fd);
      out.clear();
      setError(error, "cannot read", path, e);
      return false;
    }
    if (r == 0) break;
    out.append(buf, static_cast<size_t>(r));
  }
  ::close(fd);
  return true;
}

}  // namespace basekit
