// The printed listing of the record-file viewer: a header per page (program and version,
// date, page number, title, column captions between two rules), 52 rows a page at 250 twips
// a line, and a closing rule below the last row. The layout is in twips on a PrintSurface,
// so tests record it and the real printer gets it through QPainter.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

class QPainter;
class QPrinter;

class PrintSurface {
 public:
  virtual ~PrintSurface() = default;
  // Text whose top is at (x, y), twips from the printable area's top-left corner.
  virtual void text(int xTwips, int yTwips, const std::string& s) = 0;
  virtual void line(int x1, int y1, int x2, int y2) = 0;
  // False when the printer could not start the page.
  virtual bool newPage() = 0;
};

using ListingRow = std::array<std::string, 6>;  // the six list columns, UTF-8

struct ListingHeader {
  std::string versionText;  // "6.00"
  std::string date;         // today, short date form
  std::string pageCaption;  // message 260
  std::string title;        // message 238
  ListingRow captions;      // the list's column captions
  int cardWidth = 8;        // 20 in employee-number mode
};

class ListingPrinter {
 public:
  ListingPrinter(PrintSurface& surface, ListingHeader header);

  // Prints rows 0..count-1; false (with the page run cut short) when a page could not start.
  bool print(size_t count, const std::function<ListingRow(size_t)>& rowAt);

  int printLine() const { return m_printLine; }
  int page() const { return m_page; }

  // The six values as print fields: trimmed, padded to their widths (10, 5, 5, 6, card width,
  // and 20 for the last one only when `padLast`), two blanks apart; longer values print whole.
  static std::string fields(const ListingRow& values, int cardWidth, bool padLast);

 private:
  bool ImprimirEncabezado();
  void ImprimirFila(const ListingRow& row);

  PrintSurface& m_surface;
  ListingHeader m_header;
  int m_printLine = 80;
  int m_page = 0;
};

// Records what a listing draws, for tests.
class RecordingSurface : public PrintSurface {
 public:
  struct Item {
    enum Kind { Text, Line, Page } kind;
    int x, y, x2, y2;
    std::string s;
  };
  std::vector<Item> items;
  void text(int x, int y, const std::string& s) override {
    items.push_back({Item::Text, x, y, 0, 0, s});
  }
  void line(int x1, int y1, int x2, int y2) override {
    items.push_back({Item::Line, x1, y1, x2, y2, {}});
  }
  bool newPage() override {
    items.push_back({Item::Page, 0, 0, 0, 0, {}});
    return true;
  }
};

// Prints the listing on `printer` in Courier New 10 pt (any metric-compatible monospace face).
// "" when the document was sent, otherwise why not.
std::string printListing(QPrinter& printer, const ListingHeader& header, size_t count,
                         const std::function<ListingRow(size_t)>& rowAt);
