// The record-file viewer's logic, free of widgets: reads a punch-record file line by line,
// keeps the lines that pass a ViewFilter as compact rows (the line's bytes, its card entry and
// its marks), computes the six columns of a row on demand, sorts by a column's text and saves
// rows back in the punch-line form. Only the listed lines are kept, so memory follows the
// rows shown, not the file: a year of a site's punches opens like a day's.
//
// The file is opened through the basekit file layer: a symbolic link, a second name (hard
// link) and anything that is no plain file (a FIFO, a device) are refused at once. A line
// longer than kMaxLine is a faulty line, read over without being kept: it has no fields, like
// a line with too few blanks (an empty row, and a bad card number).
//
// A view of a large file takes a while, so `run` works through the file and, about every
// 50 ms, tells a sink how far it got; the sink lets window events run and may ask it to stop.
#pragma once

#include "admin/ViewFilter.h"
#include "core/ClsTarjetas.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ViewSink {
 public:
  virtual ~ViewSink() = default;
  // Rows listed and lines read so far, bytes read of `totalBytes`; false stops the view.
  virtual bool progress(int64_t listed, int64_t lines, int64_t bytesRead, int64_t totalBytes) = 0;
};

// The fields of a punch line, split at its first five blanks (a blank in the first position
// does not split). With fewer than four splitting blanks every field is empty.
struct LineFields {
  std::string_view f[5];  // fields 1..5 as f[0]..f[4]
  std::string_view rest;  // after the fifth blank
};
LineFields splitLineFields(std::string_view line);

class RecordView {
 public:
  enum class Status {
    Done,       // end of file reached
    NoFile,     // no such file, or a folder (message 251)
    BadBound,   // a card-range bound is not a number (`error` names it)
    ReadError,  // the file was refused or could not be read (`error` says why)
    Stopped,    // the sink asked to stop
  };
  struct Outcome {
    Status status = Status::Done;
    bool badNumbers = false;  // some line's card field is not a number (308, or 309 for touch)
    std::string error;
    int32_t first = 1, last = 30000;  // the record-number window used
  };
  enum Mark : uint8_t { kBold = 1, kRed = 2 };
  static constexpr int kColumns = 6;
  // The longest line taken as a punch line; punch lines are a few dozen bytes.
  static constexpr size_t kMaxLine = 4096;

  // Reads `path` afresh; the rows of an earlier view are dropped first. `cards` is the card
  // table to mark and name rows by; it must stay unchanged while this view is kept.
  Outcome run(const std::string& path, const ViewFilter& filter, const ViewSettings& settings,
              const std::vector<CardRecord>& cards, ViewSink* sink = nullptr);
  void clear();

  size_t rowCount() const { return m_rows.size(); }
  int64_t lineCount() const { return m_lines; }
  // Row k in the list's current order (sorted or file order): column 0..5 as UTF-8 text,
  // its marks, its saved line (Windows-1252 bytes, no line end).
  std::string cell(size_t k, int column) const;
  uint8_t marks(size_t k) const { return m_rows[m_order[k]].marks; }
  std::string savedLine(size_t k) const;

  // Orders the rows stably by the text of `column`; unsort() returns to file order.
  void sortBy(int column, bool ascending);
  void unsort();

 private:
  struct Row {
    uint32_t block = 0;  // where the line's bytes are kept: m_blocks[block] from `at`
    uint32_t at = 0;
    int32_t card = -1;    // card-table entry, -1 for none
    uint16_t length = 0;  // without the line end
    uint8_t marks = 0;
  };
  static_assert(kMaxLine <= UINT16_MAX);
  std::string_view line(const Row& r) const;
  std::string_view rawCell(const Row& r, int column) const;
  // Keeps a listed line's bytes; a row points at them.
  void keep(std::string_view text, Row& row, size_t firstBlock);

  // The listed lines' bytes, one after the other, in blocks: a growing list never copies
  // what it already holds.
  std::vector<std::string> m_blocks;
  std::vector<Row> m_rows;
  std::vector<uint32_t> m_order;
  std::vector<std::string> m_names;  // trimmed holder names by card entry (name column)
  bool m_virtualNames = false;
  int64_t m_lines = 0;
};

// "Listed/lines" as the counter label writes it: each number after a blank (" 12/ 250").
std::string totalText(int64_t listed, int64_t lines);

// Writes rows 0..rowCount-1 of `view` in its current order as saved lines, each ending in
// CR LF, Windows-1252. Replace rewrites the file atomically; Append adds to it (creating it),
// all the lines or none. A file that is a symbolic link or has a second name is refused. ""
// when written, otherwise the failure in the operator's language, naming the file once.
enum class SaveMode { Append, Replace };
std::string saveRows(const RecordView& view, const std::string& path, SaveMode mode);
