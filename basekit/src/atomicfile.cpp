#include "fileerror.h"

#include <basekit/atomicfile.h>
#include <basekit/plainfile.h>
#include <basekit/testing/Hooks.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace basekit {
namespace {

// Temporaries this process is writing now: another thread's live file is not stale.
std::mutex g_liveMutex;
std::set<std::string> g_live;

// A temporary is "<file>.velta-tmp.<pid>.XXXXXX": the pid tells a crashed
// writer's leftover from a file another process is still writing.
constexpr std::string_view kTmpTag = ".velta-tmp.";

// The process umask, read without changing it (umask() would race other threads).
mode_t currentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

std::string baseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Removes temporaries of target left by writers that died between writing them
// and the rename, so crashes do not pile up copies (of passwords, too) beside it.
void removeStaleTemporaries(const std::string& target, const std::string& dir) {
  const std::string prefix = baseName(target) + std::string(kTmpTag);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (pid <= 0 || *end != '.' || std::strlen(end + 1) != 6) continue;
    const std::string full = dir + "/" + name;
    if (pid == ::getpid()) {
      std::lock_guard lock(g_liveMutex);
      if (g_live.count(full)) continue;
    } else if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) {
      continue;  // its writer may still be at work
    }
    struct stat st {};
    if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(full.c_str());
  }
  ::closedir(d);
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

// Null: only a test program installs hooks (basekit_testhooks).
TestSeam<testing::Hooks> testing::detail::seam;

namespace {

// What a rewrite takes from what it replaces. `read` is the descriptor a rewrite-after-read
// read (its mode, and the file the name must still refer to at the rename); none for a plain
// replace, which takes the mode from the name at the time.
struct ReplaceRules {
  mode_t newFileMode = 0666;
  bool exactMode = false;
  const FileIdentity* read = nullptr;
};

bool replace(const std::string& path, std::string_view data, FileError* error,
             const ReplaceRules& rules) {
  if (path.empty()) return detail::fail(error, path, ENOENT);
  // A symbolic link is refused: following it would rewrite a file outside the folder (as
  // root, a system file), and renaming over it would silently turn it into a plain file. The
  // rename never follows a link, so one planted after this check is replaced, never written
  // through; the temporary is made with O_EXCL, which follows nothing either.
  const std::string& target = path;
  mode_t mode =
      rules.exactMode ? rules.newFileMode & 07777 : rules.newFileMode & 07777 & ~currentUmask();
  struct stat st {};
  const bool existed = ::lstat(target.c_str(), &st) == 0;
  if (existed) {
    if (S_ISLNK(st.st_mode)) return detail::fail(error, path, FileFault::SymbolicLink);
    if (S_ISDIR(st.st_mode)) return detail::fail(error, path, EISDIR);
    // A FIFO, a device or a socket is no data file: an append refuses it, and a replace would
    // silently turn it into one.
    if (!S_ISREG(st.st_mode)) return detail::fail(error, path, FileFault::NotPlainFile);
    // Its other name may be a file outside the folder; it keeps its bytes, but a replace
    // would silently part the two, so the file is refused as a linked one is.
    if (st.st_nlink > 1) return detail::fail(error, path, FileFault::SecondName);
    // The rename needs only the folder: a user who may write there but not the file would
    // otherwise take the place of a file that an append of the same user is refused.
    if (!detail::checkWritable(target, error)) return false;
    if (!rules.exactMode) mode = st.st_mode & 07777;
  }
  if (rules.read) {
    // The bytes come from the file read: never easier to read than it was.
    mode = rules.read->mode & 07777;
    if (!existed) return detail::fail(error, path, FileFault::ReplacedWhileRead);
  }

  const std::string dir = folderOf(target);
  removeStaleTemporaries(target, dir);
  std::string tmp = target + std::string(kTmpTag) + std::to_string(::getpid()) + ".XXXXXX";
  int fd = -1;
  std::string liveKey;  // spelled as removeStaleTemporaries spells the names it finds
  {
    std::lock_guard lock(g_liveMutex);
    fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd >= 0) {
      liveKey = dir + "/" + baseName(tmp);
      g_live.insert(liveKey);
    }
  }
  if (fd < 0) return detail::fail(error, path, errno);
  struct LiveEntry {
    const std::string& name;
    ~LiveEntry() {
      std::lock_guard lock(g_liveMutex);
      g_live.erase(name);
    }
  } live{liveKey};
  auto fail = [&](const FileError& failure) {
    ::unlink(tmp.c_str());
    return detail::fail(error, failure);
  };

  int err = 0;
  size_t after = 0;
  bool ok = true;
  auto* const hooks = testing::hooks();
  if (hooks && hooks->failReplace(err, after)) {
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
  if (!ok) return fail(FileError::system(err, path));
  if (hooks) hooks->replaceStep("written");
  if (rules.read) {
    // The last look before the rename: the name must still be the file that was read. A file
    // renamed in under it meanwhile keeps its bytes and its mode; the rewrite waits.
    struct stat now {};
    if (::lstat(target.c_str(), &now) != 0 || !S_ISREG(now.st_mode) ||
        now.st_dev != rules.read->device || now.st_ino != rules.read->inode)
      return fail(FileError::refusal(FileFault::ReplacedWhileRead, path));
  }
  if (::rename(tmp.c_str(), target.c_str()) != 0) return fail(FileError::system(errno, path));

  // The rename is only durable once the folder entry is on disk.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace

bool replaceFileAtomically(const std::string& path, std::string_view data, FileError* error,
                           mode_t newFileMode) {
  return replace(path, data, error, {newFileMode, false, nullptr});
}

bool replaceFileAtomicallyWithMode(const std::string& path, std::string_view data, mode_t mode,
                                   FileError* error) {
  return replace(path, data, error, {mode, true, nullptr});
}

bool replaceReadFile(const ReadingFile& read, std::string_view data, FileError* error) {
  if (!read.isOpen()) return detail::fail(error, read.path(), EBADF);
  const FileIdentity identity = read.identity();
  if (identity.inode == 0) return detail::fail(error, read.path(), EBADF);
  return replace(read.path(), data, error, {0, true, &identity});
}

bool replaceReadFile(const std::string& path, const FileIdentity& read, std::string_view data,
                     FileError* error) {
  return replace(path, data, error, {0, true, &read});
}

bool readWholeFile(const std::string& path, std::string& out, FileError* error, size_t maxBytes,
                   Follow follow) {
  out.clear();
  ReadingFile file;
  return file.open(path, maxBytes, error, follow) && file.readAll(out, error);
}

}  // namespace basekit
