#include "widgets/admin/ListingPrinterDialog.h"

#include <QPrintDialog>
#include <QPrinter>

#include <deque>

namespace printerdialog {
namespace {
std::deque<std::optional<std::string>>& queued() {
  static std::deque<std::optional<std::string>> answers;
  return answers;
}
}  // namespace

bool choose(QPrinter& printer, QWidget* parent) {
  if (!queued().empty()) {
    const std::optional<std::string> answer = queued().front();
    queued().pop_front();
    if (!answer) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(*answer));
    return true;
  }
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

namespace testing {
void setNextPrinter(std::optional<std::string> pdfPath) { queued().push_back(std::move(pdfPath)); }
void clear() { queued().clear(); }
}  // namespace testing

}  // namespace printerdialog
