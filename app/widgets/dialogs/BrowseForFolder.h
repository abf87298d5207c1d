// Folder picker: a directory-only file dialog rooted at the desktop. Cancelling (or a choice
// without a usable path) gives back the caller's default unchanged.
#pragma once

#include <memory>
#include <string>

class QFileDialog;
class QWidget;

// The folder the user picks, or `defaultFolder` exactly as given.
std::string BrowseForFolder(QWidget* owner, const std::string& title,
                            const std::string& defaultFolder);

// The two halves of BrowseForFolder: the dialog it shows, and the answer it takes from the
// dialog once it has run with `result` (QDialog::Accepted or Rejected).
std::unique_ptr<QFileDialog> makeFolderDialog(QWidget* owner, const std::string& title);
std::string chosenFolder(const QFileDialog& dialog, int result, const std::string& defaultFolder);
