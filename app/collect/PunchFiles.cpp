#include "PunchFiles.h"

#include <basekit/codepage.h>
#include <basekit/paths.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace collect {

namespace {

// Large enough that a phase of thousands of lines costs a handful of writes; small enough
// that a kill loses little of what a caller saw counted (it is never reported written).
constexpr size_t kWriteChunk = 64 * 1024;

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

PunchFiles::~PunchFiles() {
  for (File& f : m_files)
    if (f.fd >= 0) ::close(f.fd);
}

bool PunchFiles::fail(const std::string& path, int err) {
  m_error = path + ": " + std::strerror(err);
  return false;
}

PunchFiles::File* PunchFiles::find(const std::string& path) {
  if (m_last && m_last->path == path) return m_last;
  for (File& f : m_files)
    if (f.path == path) return m_last = &f;
  return nullptr;
}

bool PunchFiles::open(const std::string& stored) {
  const std::string path = basekit::toLocalPath(stored);
  if (find(path)) return true;
  File f;
  f.path = path;
  f.fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  f.created = f.fd >= 0;
  if (f.fd < 0 && errno == EEXIST)
    f.fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (f.fd < 0) return fail(path, errno);
  // A last line without its end (torn by a crash, or edited by hand) must not swallow the
  // first line of this call.
  struct stat st {};
  if (!f.created && ::fstat(f.fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    char last = 0;
    const int rfd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (rfd >= 0) {
      if (::pread(rfd, &last, 1, st.st_size - 1) == 1 && last != '\n') f.pending = "\r\n";
      ::close(rfd);
    }
  }
  m_files.push_back(std::move(f));
  m_last = nullptr;  // the vector may have moved
  return true;
}

bool PunchFiles::flush(File& f) {
  size_t done = 0;
  while (done < f.pending.size()) {
    const ssize_t n = ::write(f.fd, f.pending.data() + done, f.pending.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(f.path, errno);
    }
    done += static_cast<size_t>(n);
  }
  f.pending.clear();
  return true;
}

bool PunchFiles::append(const std::string& stored, const std::string& line) {
  File* f = find(basekit::toLocalPath(stored));
  if (!f) {
    if (!open(stored)) return false;
    f = find(basekit::toLocalPath(stored));
  }
  f->pending += basekit::utf8ToCp1252(line);
  f->pending += "\r\n";
  if (f->pending.size() >= kWriteChunk) return flush(*f);
  return true;
}

bool PunchFiles::finish() {
  bool ok = true;
  std::vector<std::string> newFolders;
  for (File& f : m_files) {
    if (f.fd < 0) continue;
    if (ok && !flush(f)) ok = false;
    if (ok && ::fsync(f.fd) != 0) ok = fail(f.path, errno);
    if (::close(f.fd) != 0 && ok) ok = fail(f.path, errno);
    f.fd = -1;
    if (f.created) newFolders.push_back(folderOf(f.path));
  }
  // A new file's name lives in its folder: without this a crash could keep the data but
  // lose the file.
  for (const std::string& dir : newFolders) {
    if (!ok) break;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      ok = fail(dir, errno);
      break;
    }
    if (::fsync(fd) != 0) ok = fail(dir, errno);
    ::close(fd);
  }
  m_files.clear();
  m_last = nullptr;
  return ok;
}

}  // namespace collect
