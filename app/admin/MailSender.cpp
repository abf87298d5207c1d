#include "admin/MailSender.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include "core/MessagesExtra.h"

std::string XdgEmailSender::send(const std::string& subject, const std::string& body,
                                 const std::string& attachment) {
  QProcess process;
  process.setProgram(QStringLiteral("xdg-email"));
  process.setArguments({QStringLiteral("--utf8"), QStringLiteral("--subject"),
                        QString::fromStdString(subject), QStringLiteral("--body"),
                        QString::fromStdString(body), QStringLiteral("--attach"),
                        QFileInfo(QString::fromStdString(attachment)).absoluteFilePath()});
  process.start();
  const std::string program = process.program().toStdString();
  // QProcess's reasons are Qt's own texts, in the language of the settings.
  if (!process.waitForStarted(10000))
    return GetExtraMsg(ExtraMsg::ProgramNotStarted, {program, process.errorString().toStdString()});
  // The mail client may stay open for as long as the operator writes; keep the window alive.
  while (!process.waitForFinished(20)) {
    if (process.state() == QProcess::NotRunning) break;
    QCoreApplication::processEvents();
  }
  if (process.exitStatus() != QProcess::NormalExit)
    return GetExtraMsg(ExtraMsg::ProgramAbnormalEnd,
                       {program, process.errorString().toStdString()});
  if (process.exitCode() != 0) {
    std::string why =
        QString::fromLocal8Bit(process.readAllStandardError()).trimmed().toStdString();
    return GetExtraMsg(ExtraMsg::ProgramExitCode, {program, std::to_string(process.exitCode())}) +
           (why.empty() ? std::string() : ": " + why);
  }
  return {};
}
