#include "widgets/dialogs/BrowseForFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

std::unique_ptr<QFileDialog> makeFolderDialog(QWidget* owner, const std::string& title) {
  QString root = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (root.isEmpty() || !QDir(root).exists()) root = QDir::homePath();
  auto dialog = std::make_unique<QFileDialog>(owner, QString::fromStdString(title), root);
  dialog->setFileMode(QFileDialog::Directory);
  // Qt's own dialog: the same picker on every desktop, and one that runs without one.
  dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  return dialog;
}

std::string chosenFolder(const QFileDialog& dialog, int result, const std::string& defaultFolder) {
  if (result != QDialog::Accepted) return defaultFolder;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return defaultFolder;
  return chosen.first().toStdString();
}

std::string BrowseForFolder(QWidget* owner, const std::string& title,
                            const std::string& defaultFolder) {
  const std::unique_ptr<QFileDialog> dialog = makeFolderDialog(owner, title);
  const int result = dialog->exec();
  return chosenFolder(*dialog, result, defaultFolder);
}
