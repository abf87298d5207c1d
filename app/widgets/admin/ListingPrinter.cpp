#include "widgets/admin/ListingPrinter.h"

#include "core/Basic.h"
#include "core/MessagesExtra.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace {

// Characters, not bytes: a field holding "ñ" must still line up with the others.
std::string fitField(const std::string& value, int width) {
  std::string v = basic::Trim(value);
  const auto chars = QString::fromStdString(v).size();
  if (chars < width) v.append(static_cast<size_t>(width - chars), ' ');
  return v;
}

class PainterSurface : public PrintSurface {
 public:
  PainterSurface(QPainter& painter, QPrinter& printer)
      : m_painter(painter),
        m_printer(printer),
        m_ascent(QFontMetrics(painter.font(), &printer).ascent()) {}
  void text(int x, int y, const std::string& s) override {
    m_painter.drawText(QPointF(px(x), px(y) + m_ascent), QString::fromStdString(s));
  }
  void line(int x1, int y1, int x2, int y2) override {
    m_painter.drawLine(QPointF(px(x1), px(y1)), QPointF(px(x2), px(y2)));
  }
  bool newPage() override { return m_printer.newPage(); }

 private:
  double px(int twips) const { return twips * m_printer.resolution() / 1440.0; }
  QPainter& m_painter;
  QPrinter& m_printer;
  int m_ascent;
};

}  // namespace

ListingPrinter::ListingPrinter(PrintSurface& surface, ListingHeader header)
    : m_surface(surface), m_header(std::move(header)) {}

std::string ListingPrinter::fields(const ListingRow& values, int cardWidth, bool padLast) {
  const int widths[6] = {10, 5, 5, 6, cardWidth, padLast ? 20 : 0};
  std::string out;
  for (size_t k = 0; k < values.size(); ++k) {
    if (k > 0) out += "  ";
    out += fitField(values[k], widths[k]);
  }
  return out;
}

bool ListingPrinter::ImprimirEncabezado() {
  if (m_page > 0 && !m_surface.newPage()) return false;
  m_surface.text(200, 50, "Velta 2000 v" + m_header.versionText);
  m_surface.text(9800, 50, m_header.date);
  ++m_page;
  m_surface.text(9540, 350, m_header.pageCaption + ":  " + std::to_string(m_page));
  m_surface.text(3750, 750, m_header.title);
  m_surface.line(200, 1200, 11000, 1200);
  m_surface.text(600, 1250, fields(m_header.captions, m_header.cardWidth, true));
  m_surface.line(200, 1520, 11000, 1520);
  m_printLine = 7;
  return true;
}

void ListingPrinter::ImprimirFila(const ListingRow& row) {
  m_surface.text(600, m_printLine * 250, fields(row, m_header.cardWidth, false));
}

bool ListingPrinter::print(size_t count, const std::function<ListingRow(size_t)>& rowAt) {
  m_printLine = 80;
  m_page = 0;
  for (size_t k = 0; k < count; ++k) {
    if (m_printLine > 58 && !ImprimirEncabezado()) return false;
    ImprimirFila(rowAt(k));
    ++m_printLine;
  }
  ++m_printLine;
  m_surface.line(200, m_printLine * 250, 11000, m_printLine * 250);
  return true;
}

std::string printListing(QPrinter& printer, const ListingHeader& header, size_t count,
                         const std::function<ListingRow(size_t)>& rowAt) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    const QString name =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    return GetExtraMsg(ExtraMsg::PrinterNoDocument, {name.toStdString()});
  }
  QFont font(QStringLiteral("Courier New"), 10);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  painter.setFont(font);
  PainterSurface surface(painter, printer);
  ListingPrinter listing(surface, header);
  const bool printed = listing.print(count, rowAt);
  const bool ended = painter.end();
  if (!printed) return GetExtraMsg(ExtraMsg::PrinterNoPage, {std::to_string(listing.page() + 1)});
  if (!ended || printer.printerState() == QPrinter::Error)
    return GetExtraMsg(ExtraMsg::PrinterFailed);
  return {};
}
