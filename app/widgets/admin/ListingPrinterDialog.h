// The printer dialog goes through this call, so tests answer it without a blocking dialog:
// `testing::setNextPrinter` queues an answer (a PDF file to print to, or std::nullopt for a
// cancelled dialog) that the next call takes instead of showing the dialog.
#pragma once

#include <optional>
#include <string>

class QPrinter;
class QWidget;

namespace printerdialog {

// Lets the operator choose and set up `printer`; false when the dialog was cancelled.
bool choose(QPrinter& printer, QWidget* parent);

namespace testing {
void setNextPrinter(std::optional<std::string> pdfPath);
void clear();
}  // namespace testing

}  // namespace printerdialog
