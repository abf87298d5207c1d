#include "collect/PunchFiles.h"

#include "collect/AppendJournal.h"
#include "core/MessagesExtra.h"

#include <basekit/codepage.h>
#include <basekit/paths.h>

#include <sys/stat.h>
#include <unistd.h>

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

std::string PunchFiles::error() const { return m_error.failed() ? fileFailure(m_error) : ""; }

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
  if (!f.file.open(path, 0666, &m_error)) return false;
  if (m_journal && !m_journal->note(f.file, &m_error)) return false;
  // A last line without its end (edited by hand, or left by an older program) must not
  // swallow the first line of this call.
  // The written descriptor cannot be read: the last byte comes through the file layer, and
  // only from the very file being appended to (the name may have been given to another since).
  struct stat st {};
  if (!f.file.created() && ::fstat(f.file.fd(), &st) == 0 && S_ISREG(st.st_mode) &&
      st.st_size > 0) {
    basekit::ReadingFile reading;
    struct stat rst {};
    char last = 0;
    if (reading.open(path) && ::fstat(reading.fd(), &rst) == 0 && rst.st_dev == st.st_dev &&
        rst.st_ino == st.st_ino && ::pread(reading.fd(), &last, 1, st.st_size - 1) == 1 &&
        last != '\n')
      f.pending = "\r\n";
  }
  m_files.push_back(std::move(f));
  m_last = nullptr;  // the vector may have moved
  return true;
}

bool PunchFiles::flush(File& f) {
  // Whole lines or nothing: a failed write is cut back and the lines stay unwritten.
  if (!f.file.append(f.pending, &m_error)) return false;
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
    if (!f.file.isOpen()) continue;
    if (ok && !flush(f)) ok = false;
    if (ok && !f.file.sync(&m_error)) ok = false;
    if (!f.file.close(ok ? &m_error : nullptr)) ok = false;
    if (f.file.created()) newFolders.push_back(folderOf(f.path));
  }
  // A new file's name lives in its folder: without this a crash could keep the data but
  // lose the file.
  for (const std::string& dir : newFolders) {
    if (!ok) break;
    if (!basekit::syncFolder(dir, &m_error)) ok = false;
  }
  m_files.clear();
  m_last = nullptr;
  return ok;
}

}  // namespace collect
