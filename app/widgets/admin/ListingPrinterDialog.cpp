#include "widgets/admin/ListingPrinterDialog.h"

#include "widgets/admin/testing/Hooks.h"

#include <QPrintDialog>
#include <QPrinter>

namespace adminwindows {

bool choosePrinter(QPrinter& printer, QWidget* parent) {
  std::optional<std::string> answer;
  if (auto* h = adminwindows::testing::hooks(); h && h->answerPrinter(answer)) {
    if (!answer) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(*answer));
    return true;
  }
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace adminwindows
