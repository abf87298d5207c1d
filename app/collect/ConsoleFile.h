// The console's view of CONSOLE.MIR: the lines added since the last read, as rows with the
// card holder's name and highlight, and the trim of the file to its last MAXCONSOLE lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace collect {

struct ConsoleRow {
  int32_t line = 0;                  // line number in CONSOLE.MIR, from 1
  std::array<std::string, 7> cells;  // number, date, time, clock, reader, card, description
  bool bold = false;
  bool red = false;
};

class ConsoleFile {
 public:
  // The rows of the lines past those already shown; `total` receives the file's line count.
  // A missing file gives no rows and leaves the count as it was.
  std::vector<ConsoleRow> readNew(int32_t& total);
  int32_t shownLines() const { return m_shown; }

 private:
  int32_t m_shown = 0;
};

// Trims CONSOLE.MIR to its last `maxLines` lines: the untrimmed file is kept as CONS.TMP and
// the new one replaces the old atomically. False when a file could not be written.
bool DepurarConsola(int32_t maxLines);

}  // namespace collect
