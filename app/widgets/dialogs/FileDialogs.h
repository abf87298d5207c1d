// The file, folder and printer-choice dialogs go through these calls, so that tests can answer
// them without a blocking dialog: `testing::setNextFileName` queues answers (std::nullopt is a
// cancelled dialog) that the next calls take in order instead of showing a dialog.
#pragma once

#include <optional>
#include <string>

class QWidget;

namespace filedialogs {

// Open, save and folder dialogs; the result is the chosen path, or nullopt when cancelled.
// `filter` is in Qt's form ("Registros (*.mir *.MIR);;Todos (*)"); matching ignores case.
std::optional<std::string> openFileName(QWidget* parent, const std::string& caption,
                                        const std::string& dir, const std::string& filter);
std::optional<std::string> saveFileName(QWidget* parent, const std::string& caption,
                                        const std::string& dir, const std::string& filter);
std::optional<std::string> existingDirectory(QWidget* parent, const std::string& caption,
                                             const std::string& dir);

namespace testing {
// Queues the answer of the next dialog (any of the three kinds).
void setNextFileName(std::optional<std::string> answer);
// Drops queued answers; with none queued a dialog is shown for real.
void clearFileNames();
// The caption, folder and filter the last dialog was asked with.
struct LastAsk {
  std::string caption, dir, filter;
};
LastAsk lastAsk();
}  // namespace testing

}  // namespace filedialogs
