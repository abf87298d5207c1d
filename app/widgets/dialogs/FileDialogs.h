// The file and folder dialogs go through these calls, so that tests can answer them without a
// blocking dialog: the dialogs' test hooks (widgets/dialogs/testing) queue answers that the next
// calls take in order instead of showing a dialog.
#pragma once

#include <optional>
#include <string>

class QWidget;

namespace dialogs {

// Open, save and folder dialogs; the result is the chosen path, or nullopt when cancelled.
// `filter` is in Qt's form ("Registros (*.mir *.MIR);;Todos (*)"); matching ignores case.
std::optional<std::string> openFileName(QWidget* parent, const std::string& caption,
                                        const std::string& dir, const std::string& filter);
std::optional<std::string> saveFileName(QWidget* parent, const std::string& caption,
                                        const std::string& dir, const std::string& filter);
std::optional<std::string> existingDirectory(QWidget* parent, const std::string& caption,
                                             const std::string& dir);

}  // namespace dialogs
