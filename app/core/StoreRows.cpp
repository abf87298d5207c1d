// Small file helpers shared by the record stores.
#include "StoreRows.h"

#include <cerrno>

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>

#include <sys/stat.h>

#include <cerrno>

#include "MessagesExtra.h"

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
  if (!fileExists(path)) {
    status.unreadable = false;
    return true;
  }
  std::string bytes, error;
  const std::string aside = path + ".unreadable";
  // The copy is no easier to read than the file it keeps (VELTA.DAT holds passwords).
  struct stat st {};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0600;
  if (!basekit::readWholeFile(path, bytes, &error) ||
      !basekit::replaceFileAtomically(aside, bytes, &error, mode)) {
    const int err = errno;
    status.message = GetExtraMsg(ExtraMsg::KeepAsideFailed, {path, systemReason(err)});
    return false;
  }
  status.unreadable = false;
  status.message = GetExtraMsg(ExtraMsg::KeptAside, {path, aside});
  return true;
}

bool readStore(const std::string& path, std::string& data, size_t maxBytes, StoreStatus& status) {
  std::string reason;
  if (basekit::readWholeFile(path, data, &reason, maxBytes)) return true;
  status.readErrno = errno != 0 ? errno : EIO;
  status.unreadable = true;
  // Shown to the operator: the file and the system's reason, framed in the settings' language.
  status.readReason = path + ": " + systemReason(status.readErrno);
  status.message = GetExtraMsg(ExtraMsg::ReadFailed, {path, systemReason(status.readErrno)});
  return false;
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
