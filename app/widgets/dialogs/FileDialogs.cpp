#include "widgets/dialogs/FileDialogs.h"

#include "widgets/dialogs/testing/Hooks.h"

#include <QFileDialog>

namespace dialogs {
namespace {

template <typename Show>
std::optional<std::string> ask(const std::string& caption, const std::string& dir,
                               const std::string& filter, Show show) {
  std::optional<std::string> answer;
  if (auto* h = dialogs::testing::hooks(); h && h->answerFileDialog(caption, dir, filter, answer))
    return answer;
  const QString chosen = show();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

QFileDialog::Options options() { return QFileDialog::DontUseNativeDialog; }

}  // namespace

std::optional<std::string> openFileName(QWidget* parent, const std::string& caption,
                                        const std::string& dir, const std::string& filter) {
  return ask(caption, dir, filter, [&] {
    QFileDialog d(parent, QString::fromStdString(caption), QString::fromStdString(dir),
                  QString::fromStdString(filter));
    d.setOptions(options());
    d.setFileMode(QFileDialog::ExistingFile);
    // Without QDir::CaseSensitive in the dialog's filter, "*.mir" also lists REGIS.MIR.
    return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first()
                                                                         : QString();
  });
}

std::optional<std::string> saveFileName(QWidget* parent, const std::string& caption,
                                        const std::string& dir, const std::string& filter) {
  return ask(caption, dir, filter, [&] {
    QFileDialog d(parent, QString::fromStdString(caption), QString::fromStdString(dir),
                  QString::fromStdString(filter));
    d.setOptions(options() | QFileDialog::DontConfirmOverwrite);
    d.setAcceptMode(QFileDialog::AcceptSave);
    return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first()
                                                                         : QString();
  });
}

std::optional<std::string> existingDirectory(QWidget* parent, const std::string& caption,
                                             const std::string& dir) {
  return ask(caption, dir, {}, [&] {
    return QFileDialog::getExistingDirectory(parent, QString::fromStdString(caption),
                                             QString::fromStdString(dir),
                                             QFileDialog::ShowDirsOnly | options());
  });
}

}  // namespace dialogs
