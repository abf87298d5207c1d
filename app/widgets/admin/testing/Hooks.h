// The test seam of the administration windows: the printer choice of the printed listings. At
// the seam point the library asks hooks() and, while it is null (in every program but a test
// one), shows its dialog as always. The object behind it, the call that installs it and the
// calls below (the answers they queue) are in veltaadminwindows_testhooks, which only test
// programs link.
#pragma once

#include <basekit/TestSeam.h>

#include <optional>
#include <string>

namespace adminwindows::testing {

struct Hooks {
  // The printer dialog: true shows none, `pdfPath` being a PDF file to print to (nullopt: a
  // cancelled dialog).
  virtual bool answerPrinter(std::optional<std::string>& pdfPath) = 0;

 protected:
  ~Hooks() = default;
};

namespace detail {
inline basekit::TestSeam<Hooks> seam;  // null in the library
}  // namespace detail

inline Hooks* hooks() { return detail::seam.hooks(); }

// --- veltaadminwindows_testhooks (test programs only) ---

// Puts `h` (nullptr: none) behind hooks(). The calls below install the test library's own.
void install(Hooks* h);

// Queues the answer of the next printer dialog: a PDF file to print to, or std::nullopt for a
// cancelled dialog.
void setNextPrinter(std::optional<std::string> pdfPath);
// Drops queued answers; with none queued the dialog is shown for real.
void clearPrinters();
}  // namespace adminwindows::testing
