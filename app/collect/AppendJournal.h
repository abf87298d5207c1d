// What one download appended to: each file it opened, marked at the length it had before the
// call's first append to it. When the download does not end in success and the clock keeps its
// punches, every such file is cut back to that length, so the next download writes each punch
// once. The marks hold the files themselves (see basekit::LengthMark), not their names.
#pragma once

#include <basekit/plainfile.h>

#include <vector>

namespace collect {

class AppendJournal {
 public:
  // Marks `file`, open for appending, unless the same file is already marked (its first length
  // is the one to go back to). False with the reason.
  bool note(const basekit::PlainFile& file, basekit::FileError* error);
  // Cuts every marked file back to its marked length, each synced. The files that could not
  // be cut back, with why; empty when all were. The marks stay: a second cut does nothing.
  std::vector<basekit::FileError> cutBack();
  bool empty() const { return m_marks.empty(); }

 private:
  std::vector<basekit::LengthMark> m_marks;
};

}  // namespace collect
