#include "admin/MailSender.h"

#include "core/MessagesExtra.h"

#include <clocklink/EventPump.h>

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

namespace {
constexpr int kXdgToolMissing = 3;
}  // namespace

std::string XdgEmailSender::send(const std::string& subject, const std::string& body,
                                 const std::string& attachment) {
  // Without xdg-email the system's reason ("execvp: ...") tells the operator nothing: say what
  // is missing.
  if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
    return GetExtraMsg(ExtraMsg::NoMailClient);
  QProcess process;
  process.setProgram(QStringLiteral("xdg-email"));
  process.setArguments({QStringLiteral("--utf8"), QStringLiteral("--subject"),
                        QString::fromStdString(subject), QStringLiteral("--body"),
                        QString::fromStdString(body), QStringLiteral("--attach"),
                        QFileInfo(QString::fromStdString(attachment)).absoluteFilePath()});
  process.start();
  const std::string program = process.program().toStdString();
  // There but not started: it cannot be run (Qt's reason would be the system's "execvp: ...").
  if (!process.waitForStarted(10000))
    return GetExtraMsg(ExtraMsg::ProgramNotStarted, {program, systemReason(EACCES)});
  // The mail client may stay open for as long as the operator writes; the wait lets window
  // events run through the program's event pump between slices, as every exchange's wait does.
  while (!process.waitForFinished(static_cast<int>(clocklink::kWaitSlice.count()))) {
    if (process.state() == QProcess::NotRunning) break;
    clocklink::pumpEvents();
  }
  if (process.exitStatus() != QProcess::NormalExit)
    return GetExtraMsg(ExtraMsg::ProgramAbnormalEnd,
                       {program, GetExtraMsg(ExtraMsg::ReasonEndedBySignal)});
  // xdg-email's "a required tool could not be found": no mail program on the desktop.
  if (process.exitCode() == kXdgToolMissing) return GetExtraMsg(ExtraMsg::NoMailClient);
  if (process.exitCode() != 0) {
    std::string why =
        QString::fromLocal8Bit(process.readAllStandardError()).trimmed().toStdString();
    return GetExtraMsg(ExtraMsg::ProgramExitCode, {program, std::to_string(process.exitCode())}) +
           (why.empty() ? std::string() : ": " + why);
  }
  return {};
}
