#include "widgets/dialogs/FileDialogs.h"

#include <QFileDialog>

#include <deque>

namespace filedialogs {
namespace {

std::deque<std::optional<std::string>>& queued() {
  static std::deque<std::optional<std::string>> q;
  return q;
}

testing::LastAsk& last() {
  static testing::LastAsk a;
  return a;
}

template <typename Show>
std::optional<std::string> ask(const std::string& caption, const std::string& dir,
                               const std::string& filter, Show show) {
  last() = {caption, dir, filter};
  if (!queued().empty()) {
    std::optional<std::string> answer = queued().front();
    queued().pop_front();
    return answer;
  }
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

namespace testing {
void setNextFileName(std::optional<std::string> answer) { queued().push_back(std::move(answer)); }
void clearFileNames() { queued().clear(); }
LastAsk lastAsk() { return last(); }
}  // namespace testing

}  // namespace filedialogs
