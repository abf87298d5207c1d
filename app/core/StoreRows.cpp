// Small file helpers shared by the record stores.
#include "core/StoreRows.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/plainfile.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/MessagesExtra.h"

namespace storefile {

std::string trimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

std::string fitText(const std::string& utf8, size_t width) {
  std::string bytes = basekit::utf8ToCp1252(utf8);
  bytes.resize(width, ' ');
  return basekit::cp1252ToUtf8(bytes);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool keepUnreadableAside(const std::string& path, StoreStatus& status) {
  if (!status.unreadable) return true;
  if (status.readErrno == EFBIG) {
    status.message = GetExtraMsg(ExtraMsg::TooLarge, {path});
    return false;
  }
  // One descriptor for the checks, the read and the copy's mode: the copy is no easier to
  // read than the file it keeps (VELTA.DAT holds passwords).
  basekit::ReadingFile file;
  std::string error;
  if (!file.open(path, basekit::kDefaultReadLimit, &error)) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR) {
      status.unreadable = false;
      return true;
    }
    status.message = GetExtraMsg(ExtraMsg::KeepAsideFailed, {path, systemReason(err)});
    return false;
  }
  const std::string aside = path + ".unreadable";
  if (!copyDescriptorTo(file.fd(), aside, file.mode(), basekit::kDefaultReadLimit, &error)) {
    const int err = errno;
    status.message = GetExtraMsg(ExtraMsg::KeepAsideFailed, {path, systemReason(err)});
    return false;
  }
  status.unreadable = false;
  status.message = GetExtraMsg(ExtraMsg::KeptAside, {path, aside});
  return true;
}

bool copyDescriptorTo(int from, const std::string& path, mode_t mode, size_t maxBytes,
                      std::string* error) {
  auto refuse = [&](int err) {
    if (error) *error = path + ": " + systemReason(err);
    errno = err;
    return false;
  };
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return refuse(ELOOP);
    if (S_ISDIR(st.st_mode)) return refuse(EISDIR);
    if (S_ISREG(st.st_mode) && st.st_nlink > 1) return refuse(basekit::kErrSecondName);
  }
  // Named as the file layer names its temporaries, beside the copy.
  std::string tmp = path + ".velta-tmp." + std::to_string(::getpid()) + ".XXXXXX";
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return refuse(errno);
  int err = 0;
  char buf[65536];
  off_t at = 0;
  while (err == 0) {
    const ssize_t r = ::pread(from, buf, sizeof buf, at);
    if (r < 0) {
      if (errno != EINTR) err = errno;
      continue;
    }
    if (r == 0) break;
    if (static_cast<size_t>(at) + static_cast<size_t>(r) > maxBytes) {
      err = EFBIG;
      break;
    }
    for (ssize_t done = 0; done < r && err == 0;) {
      const ssize_t w = ::write(fd, buf + done, static_cast<size_t>(r - done));
      if (w > 0)
        done += w;
      else if (w == 0 || errno != EINTR)
        err = w == 0 ? EIO : errno;
    }
    at += r;
  }
  if (err == 0 && ::fchmod(fd, mode & 07777) != 0) err = errno;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    return refuse(err);
  }
  const std::string::size_type slash = path.rfind('/');
  basekit::syncFolder(slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash));
  return true;
}

StoreRead loadStore(const std::string& path, std::string& data, size_t maxBytes,
                    StoreStatus& status) {
  std::string reason;
  if (basekit::readWholeFile(path, data, &reason, maxBytes)) return StoreRead::Read;
  const int err = errno != 0 ? errno : EIO;
  // Nothing under the name at all: the store's own rule for a missing file applies. Whatever
  // else is there and cannot be read is never taken for missing.
  if (err == ENOENT || err == ENOTDIR) return StoreRead::Missing;
  status.readErrno = err;
  status.unreadable = true;
  // Shown to the operator: the file and the system's reason, framed in the settings' language.
  status.readReason = path + ": " + systemReason(err);
  status.message = GetExtraMsg(ExtraMsg::ReadFailed, {path, systemReason(err)});
  return StoreRead::Failed;
}

void noteUnloadedBytes(const std::string& path, size_t size, size_t loaded, StoreStatus& status) {
  if (size <= loaded) return;
  status.unreadable = true;
  status.message = GetExtraMsg(ExtraMsg::BytesPastRecords, {path, std::to_string(size - loaded)});
}

bool saveWhole(const std::string& path, const std::string& bytes, StoreStatus& status,
               mode_t newFileMode) {
  std::string error;
  if (!basekit::replaceFileAtomically(path, bytes, &error, newFileMode)) {
    const int err = errno;
    status.message = GetExtraMsg(ExtraMsg::SaveFailed, {path, systemReason(err)});
    return false;
  }
  return true;
}

}  // namespace storefile
