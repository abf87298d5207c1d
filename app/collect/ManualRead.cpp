#include "collect/ManualRead.h"

#include "collect/CollectPunches.h"
#include "core/ClsCfgFile.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Reporter.h"

#include <basekit/plainfile.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/CollectionStatus.h>
#include <clocklink/EventPump.h>

#include <sys/stat.h>

namespace collect {

std::string proposedReadName(const std::string& mArchivo, int16_t archivoFecha, bool sapEnabled,
                             const basic::DateTime& now) {
  if (sapEnabled)
    return "AR_2011_" + basic::Format(now, "YYYYmmdd") + "_" + basic::Format(now, "HHMMss") +
           ".txt";
  if (archivoFecha == 1) return basic::Format(now, mArchivo) + ".MIR";
  return mArchivo;
}

namespace {

void clearCancelFlags(RunContext& ctx) {
  ctx.mirsol.SetCancel(0);
  // clearing a flag cannot fail
  (void)ctx.modem.SetCancel(0);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Empties the file for "Reemplazar" (never through a symbolic link); "<path>: <reason>" when
// it cannot.
std::string emptyFile(const std::string& path) {
  basekit::PlainFile file;
  basekit::FileError error;
  if (!file.open(path, 0666, &error) || !file.truncate(0, &error) || !file.close(&error))
    return fileFailure(error);
  return {};
}

}  // namespace

ManualRead::Outcome ManualRead::run(RunContext& ctx, const std::string& folder,
                                    const std::string& boxText, int16_t dropDup) {
  const bool multi = ctx.cfg.MultiEmpresa == 1;
  std::string dir;
  std::string name;
  if (!multi) {
    // A name of blanks only names the folder itself: no name either.
    if (basic::Trim(boxText).empty()) {
      m_reporter.inform(249, msgbox::Critical);
      return Outcome::Refused;
    }
    dir = folder;
    if (dir.empty() || dir.back() != '/') dir += '/';
    name = basic::Trim(boxText);
    const std::string path = dir + name;
    if (fileExists(path)) {
      const int answer =
          m_hooks.askExisting ? m_hooks.askExisting(GetMsg(168) + dir + name + GetMsg(169)) : 1;
      if (answer == 3) return Outcome::ReadAgain;
      if (answer == 2) {
        // Reading on into a file that kept its old lines would mix two reads.
        const std::string error = emptyFile(path);
        if (!error.empty()) {
          m_reporter.informText(error, msgbox::Critical);
          return Outcome::Refused;
        }
      }
    }
  }
  m_list.clear();
  clearCancelFlags(ctx);
  if (m_hooks.started) m_hooks.started();
  MirsolClockOps clock(ctx.mirsol);
  CollectContext download = downloadContext(ctx, clock);
  // A manual read never clears the clock: what it received stays written, even when it fails.
  const clocklink::CollectionStatus result =
      collectPunches(download, m_list, dir, name, dropDup, 1000, 0, OnFailure::KeepWritten).status;
  if (result != clocklink::kSuccess) {
    m_reporter.inform(337, msgbox::Critical);
    return Outcome::Failed;
  }
  clearCancelFlags(ctx);
  // With several companies the punches went to the companies' files: no file of this read
  // has the box's name, so there is nothing to ship.
  if (!multi) ship(ctx, dir, name);
  return Outcome::Done;
}

void ManualRead::ship(RunContext& ctx, const std::string& dir, const std::string& name) {
  ClsCfgFile& cfg = ctx.cfg;
  if (ctx.mirsol.RegCount < 1 || cfg.SAPEnabled != 1) return;
  // The file was written under the trimmed name: that is the one to upload.
  cfg.tmpFTPFileName = name;
  cfg.tmpFTPFilePath = dir;
  clocklink::pumpEvents();
  const int16_t ftp = m_hooks.shipFtp ? m_hooks.shipFtp() : statusCode(clocklink::kFailure);
  if (ftp != statusCode(clocklink::kSuccess)) {
    m_reporter.informText("No se pudo transmitir el archivo al servidor ftp", msgbox::Critical);
    return;
  }
  if (cfg.RSHEnabled == 0) return;
  cfg.tmpFTPFileName = name;
  clocklink::pumpEvents();
  const int16_t rsh = m_hooks.shipRsh ? m_hooks.shipRsh() : statusCode(clocklink::kFailure);
  if (rsh != statusCode(clocklink::kSuccess))
    m_reporter.informText("No se pudo ejecutar el comando remoto", msgbox::Critical);
}

}  // namespace collect
