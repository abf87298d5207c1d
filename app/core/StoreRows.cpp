// Small file helpers shared by the record stores.
#include "core/StoreRows.h"

#include "core/MessagesExtra.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/plainfile.h>

#include <cerrno>
#include <ostream>
#include <sys/stat.h>

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
  if (status.readFailure && status.readFailure->kind == basekit::FileFault::TooLarge) {
    status.message = GetExtraMsg(ExtraMsg::TooLarge, {path});
    return false;
  }
  // One descriptor for the checks, the read and the copy's mode: the copy is no easier to
  // read than the file it keeps (VELTA.DAT holds passwords).
  basekit::ReadingFile file;
  basekit::FileError error;
  if (!file.open(path, basekit::kDefaultReadLimit, &error)) {
    if (error.missing()) {
      status.unreadable = false;
      return true;
    }
    status.message = GetExtraMsg(ExtraMsg::KeepAsideFailed, {path, fileReason(error)});
    return false;
  }
  const std::string aside = path + ".unreadable";
  std::string why;
  if (!copyOpenedFile(file, aside, file.mode(), &why, &error)) {
    status.message = GetExtraMsg(ExtraMsg::KeepAsideFailed, {path, fileReason(error)});
    return false;
  }
  status.unreadable = false;
  status.message = GetExtraMsg(ExtraMsg::KeptAside, {path, aside});
  return true;
}

bool copyOpenedFile(const basekit::ReadingFile& from, const std::string& path, mode_t mode,
                    std::string* error, basekit::FileError* failure) {
  std::string bytes;
  basekit::FileError failed;
  if (!from.readAll(bytes, &failed) ||
      !basekit::replaceFileAtomicallyWithMode(path, bytes, mode, &failed)) {
    if (error) *error = fileFailure(failed);
    if (failure) *failure = failed;
    return false;
  }
  return true;
}

StoreLoad loadStore(const std::string& path, size_t maxBytes, StoreStatus& status,
                    const std::function<StoreLoad(const std::string& bytes)>& decode) {
  status = StoreStatus{};
  std::string data;
  basekit::FileError failure;
  if (basekit::readWholeFile(path, data, &failure, maxBytes)) {
    if (data.empty()) return StoreLoad::Empty;
    return decode(data);
  }
  // Nothing under the name at all: the store's own rule for a missing file applies. Whatever
  // else is there and cannot be read is never taken for missing.
  if (failure.missing()) return StoreLoad::Missing;
  status.readFailure = failure;
  status.unreadable = true;
  // Shown to the operator: the file and the reason, framed in the settings' language.
  status.readReason = path + ": " + fileReason(failure);
  status.message = GetExtraMsg(ExtraMsg::ReadFailed, {path, fileReason(failure)});
  return StoreLoad::unreadable(status.readReason);
}

StoreLoad unreadableForm(StoreStatus& status, std::string message) {
  status.unreadable = true;
  status.message = message;
  return StoreLoad::unreadable(std::move(message));
}

void noteUnloadedBytes(const std::string& path, size_t size, size_t loaded, StoreStatus& status) {
  if (size <= loaded) return;
  status.unreadable = true;
  status.message = GetExtraMsg(ExtraMsg::BytesPastRecords, {path, std::to_string(size - loaded)});
}

bool saveWhole(const std::string& path, const std::string& bytes, StoreStatus& status,
               mode_t newFileMode) {
  basekit::FileError failure;
  if (!basekit::replaceFileAtomically(path, bytes, &failure, newFileMode)) {
    status.message = GetExtraMsg(ExtraMsg::SaveFailed, {path, fileReason(failure)});
    return false;
  }
  return true;
}

StoreResult saveStore(const std::string& path, const std::string& bytes, StoreStatus& status,
                      mode_t newFileMode) {
  if (!keepUnreadableAside(path, status)) return StoreResult::failed(StoreFailure::NotKeptAside);
  if (!saveWhole(path, bytes, status, newFileMode))
    return StoreResult::failed(StoreFailure::WriteFailed);
  return StoreResult::written();
}

}  // namespace storefile

std::ostream& operator<<(std::ostream& out, const StoreLoad& load) {
  static const char* const kinds[] = {"Loaded", "Empty", "Missing", "Unreadable"};
  out << kinds[load.kind];
  if (!load.reason.empty()) out << " (" << load.reason << ")";
  return out;
}
