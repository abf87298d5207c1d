// The console's view of CONSOLE.MIR: the lines added since the last read, as rows with the
// card holder's name and highlight, and the trim of the file to its last MAXCONSOLE lines.
// The file is read through the file layer: a link, a FIFO, a file of a second name or one far
// larger than a console file can be is refused, and every check is made on the one descriptor
// the lines are then read from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ClsCfgFile;
class ClsListaRelojes;

namespace collect {

// A console line is a punch line of about a hundred bytes; a longer one is taken cut.
constexpr size_t kMaxConsoleLine = 1024;
// The console counts its lines in 16 bits: 32767 of the longest lines is more than a console
// file ever holds, and a larger one is refused unread.
constexpr size_t kMaxConsoleBytes = 32767 * kMaxConsoleLine;

struct ConsoleRow {
  int32_t line = 0;                  // line number in CONSOLE.MIR, from 1
  std::array<std::string, 7> cells;  // number, date, time, clock, reader, card, description
  bool bold = false;
  bool red = false;
};

// Where the console file is and the settings that shape its rows' card column.
struct ConsoleSettings {
  std::string dataFolder;  // with a trailing "/"
  int16_t modoLegajo = 0;
  int16_t modoVirtual = 0;
  int16_t numberKind = 1;  // the clocks' card numbers: 2 touch, 1 otherwise
};

// The settings of the console file of `dataFolder` (with a trailing "/") whose card column
// follows `cfg` and the card numbers of `clocks`; a missing one leaves its defaults.
ConsoleSettings consoleSettingsOf(std::string dataFolder, const ClsCfgFile* cfg,
                                  const ClsListaRelojes* clocks);

class ConsoleFile {
 public:
  // The rows of the lines past those already shown, from CONSOLE.MIR and VELTA.TAR of the
  // settings' folder; `total` receives the file's line count. A missing file gives no rows and
  // leaves the count as it was; so does one that is refused (error() says why). A read that
  // fails part-way keeps the rows read so far.
  std::vector<ConsoleRow> readNew(const ConsoleSettings& settings, int32_t& total);
  int32_t shownLines() const { return m_shown; }
  // Why the last readNew could not read the file: its name and the reason; "" otherwise.
  const std::string& error() const { return m_error; }

 private:
  int32_t m_shown = 0;
  std::string m_error;
};

// Trims CONSOLE.MIR of `dataFolder` (with a trailing "/") to its last `maxLines` lines: the
// untrimmed file is kept as CONS.TMP (with the console file's mode) and the new one replaces
// the old atomically. True when there was nothing to trim; false when the file was refused or
// a file could not be written (*error says why).
bool DepurarConsola(const std::string& dataFolder, int32_t maxLines, std::string* error = nullptr);

}  // namespace collect
