#include "collect/AppendJournal.h"

namespace collect {

bool AppendJournal::note(const basekit::PlainFile& file, basekit::FileError* error) {
  basekit::LengthMark mark;
  if (!mark.mark(file, error)) return false;
  const basekit::FileIdentity id = mark.identity();
  for (const basekit::LengthMark& m : m_marks) {
    const basekit::FileIdentity known = m.identity();
    if (known.device == id.device && known.inode == id.inode) return true;
  }
  m_marks.push_back(std::move(mark));
  return true;
}

std::vector<basekit::FileError> AppendJournal::cutBack() {
  std::vector<basekit::FileError> failures;
  for (basekit::LengthMark& m : m_marks) {
    basekit::FileError error;
    if (!m.cutBack(&error)) failures.push_back(error);
  }
  return failures;
}

}  // namespace collect
