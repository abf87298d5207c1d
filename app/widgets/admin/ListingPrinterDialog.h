// The printer dialog goes through this call, so tests answer it without a blocking dialog: the
// administration windows' test hooks (widgets/admin/testing) queue answers (a PDF file to print
// to, or a cancelled dialog) that the next calls take instead of showing the dialog.
#pragma once

class QPrinter;
class QWidget;

namespace adminwindows {

// Lets the operator choose and set up `printer`; false when the dialog was cancelled.
bool choosePrinter(QPrinter& printer, QWidget* parent);

}  // namespace adminwindows
