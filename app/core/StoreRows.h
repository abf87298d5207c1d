// Plain rows that the stores fill and read in place of a window's list control.
// A row is its text plus sub-items 1..n; the editor windows adapt their list views to
// this interface, so the stores stay free of widgets and testable without a display.
#pragma once

#include "core/StoreResult.h"

#include <basekit/plainfile.h>

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace basekit {
class ReadingFile;
}  // namespace basekit

struct StoreRow {
  std::string text;                   // the item's own text (column 0)
  std::vector<std::string> subItems;  // sub-item k is subItems[k - 1]

  // Sub-item k (1-based); "" when the row has fewer columns.
  std::string sub(size_t k) const {
    return k >= 1 && k <= subItems.size() ? subItems[k - 1] : std::string();
  }
};

// What a store needs of a list: clear it, append a row, read its rows in order.
class StoreRows {
 public:
  virtual ~StoreRows() = default;
  virtual void clear() = 0;
  virtual void addRow(const StoreRow& row) = 0;
  virtual size_t rowCount() const = 0;
  virtual StoreRow row(size_t index) const = 0;  // 0-based, in the list's current order
};

// A list held in memory: what tests use, and a handy buffer for callers.
class StoreRowVector : public StoreRows {
 public:
  std::vector<StoreRow> rows;
  void clear() override { rows.clear(); }
  void addRow(const StoreRow& r) override { rows.push_back(r); }
  size_t rowCount() const override { return rows.size(); }
  StoreRow row(size_t index) const override {
    return index < rows.size() ? rows[index] : StoreRow{};
  }
};

// ---------------------------------------------------------------------------------------
// What a store tells its caller about its file beyond the documented results: a file it
// could not read (kept aside before any save replaces it), a refused or failed save.
struct StoreStatus {
  bool unreadable = false;  // the last load found a file it could not read
  // The last load could not open or read the file at all: the failure (TooLarge: larger than
  // such a file may be, so it is never written over) and its reason worded.
  std::optional<basekit::FileError> readFailure;
  std::string readReason;
  int badRow = 0;       // 1-based row/slot that refused the last save (0 = none)
  std::string message;  // a line the caller can log; "" when all went well

  // What the last load found wrong with the file (its StoreLoad's reason, or the bytes it
  // left), "" when nothing; valid until a save.
  std::string loadReason() const {
    return !unreadable ? std::string() : readFailure ? readReason : message;
  }
};

namespace storefile {

// Blanks off both ends (only blanks, as the stored texts are padded with them).
std::string trimBlanks(const std::string& s);
// Cut to, or pad with blanks to, `width` characters of the file's code page.
std::string fitText(const std::string& utf8, size_t width);
bool fileExists(const std::string& path);

// Every store's load: reads the file whole when it holds at most maxBytes, every check made on
// the opened descriptor, and answers Missing only when nothing is there under the name;
// anything else that cannot be read (a folder, a FIFO, a symbolic link, a file too large, one
// the program may not read) is Unreadable, with the status saying so (unreadable, readFailure,
// readReason, message). An empty file is Empty; the bytes of any other go to `decode`, whose
// answer is the load's.
StoreLoad loadStore(const std::string& path, size_t maxBytes, StoreStatus& status,
                    const std::function<StoreLoad(const std::string& bytes)>& decode);
// What a decoder answers for bytes of no form it knows (`message` names the file): the status
// marks the file to be kept aside before a save replaces it.
StoreLoad unreadableForm(StoreStatus& status, std::string message);
// Before a save replaces a file that its load could not read, keep a copy of it at
// path + ".unreadable", read through one descriptor and given that descriptor's mode. Returns
// false (and says why in status.message) when the copy could not be made: the caller must not
// save then.
bool keepUnreadableAside(const std::string& path, StoreStatus& status);
// Writes everything the opened file holds (up to the limit it was opened with) to `path` by an
// atomic replace, with exactly `mode`: a copy is never easier to read than the file it copies,
// whatever mode an older copy had. A path that is a symbolic link, a folder or a file of a second
// name is refused. False with *error "<path>: <reason>" (and *failure the cause).
bool copyOpenedFile(const basekit::ReadingFile& from, const std::string& path, mode_t mode,
                    std::string* error = nullptr, basekit::FileError* failure = nullptr);
// After a load that took the first `loaded` of a file's `size` bytes: whatever is left (a
// torn last record, records past the table's slots) would vanish at the next save, so the
// file is marked to be kept aside first.
void noteUnloadedBytes(const std::string& path, size_t size, size_t loaded, StoreStatus& status);
// The whole-file rewrite every store uses; fills status.message on failure. A new file gets
// newFileMode less the umask (0600 for a store that holds passwords); an existing one keeps
// its mode.
bool saveWhole(const std::string& path, const std::string& bytes, StoreStatus& status,
               mode_t newFileMode = 0666);
// A store's save once its bytes are built: the unreadable file kept aside, then the rewrite.
StoreResult saveStore(const std::string& path, const std::string& bytes, StoreStatus& status,
                      mode_t newFileMode = 0666);

}  // namespace storefile
