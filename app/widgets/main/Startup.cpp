#include "widgets/main/Startup.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsLogger.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"
#include "core/QtTranslations.h"
#include "core/Release.h"
#include "core/VeltaVersion.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/frmSplash.h"

#include <clocklink/ClsModem.h>

#include <QString>
#include <QtGlobal>

#include <string>
#include <unistd.h>

namespace {
// One line in today's daily log, where the unattended run's operator looks.
void logRefusal(const std::string& text) {
  ClsLogger logger;
  logger.logEnabled = true;
  logger.InitLog();
  logger.Log(basic::Format(basic::Now(), "dd\\/mm\\/YYYY hh\\:MM\\:ss") + " Velta 2000: " + text);
  logger.EndLog();
}

// A refusal of a start without a display: on standard error (the hook) and in the daily log,
// always. Nobody sees a box there: the journal, cron's mail and the daily log are where the
// station's administrator looks, and cron keeps standard error nowhere.
void refuseUnattended(const StartupHooks& hooks, const std::string& text) {
  logRefusal(text);
  hooks.refuseWithoutDisplay(text);
}

// Every start-up refusal goes through here: message `number` (with `extra` after it) in a
// critical box, in the daily log too when `toLog`; without a display as above.
void refuse(const StartupHooks& hooks, int number, int title, const std::string& extra,
            bool toLog) {
  const std::string text = GetMsg(number) + extra;
  if (hooks.refuseWithoutDisplay) {
    refuseUnattended(hooks, text);
    return;
  }
  if (toLog) logRefusal(text);
  MsgBox(number, msgbox::Critical, title ? GetMsg(title) : std::string(), extra);
}

// Why a start that needs the log-in cannot go on without a display: the automatic run is off,
// or today's AUTODIAS character is not "1" (an administrator reads "AUTODIAS" and knows what
// to change, or that the day is meant to be off).
std::string loginRefusal(const ClsCfgFile& cfg, const StartupHooks& hooks) {
  const std::string noLogin = hooks.unusableDisplay.empty()
                                  ? GetExtraMsg(ExtraMsg::LoginWithoutDisplay)
                                  : GetExtraMsg(ExtraMsg::DisplayPlatformMissing,
                                                {hooks.unusableDisplay, hooks.unusablePlatform});
  if (cfg.Auto != 1) return noLogin;
  return GetExtraMsg(ExtraMsg::NotAutomaticDay,
                     {cfg.AutoDias, std::to_string(basic::Weekday(basic::Now()))}) +
         ". " + noLogin;
}
}  // namespace

StartResult runStartup(InstanceLock& lock, const StartupHooks& hooks) {
  *gVersionText =
      std::to_string(VELTA_VERSION_MAJOR) + "." + basic::Format(VELTA_VERSION_MINOR, "00");
  // The working directory exactly as it is: a Linux folder name may end in a blank, and
  // trimming it would point every data file at another folder.
  std::string cwd(4096, '\0');
  if (!getcwd(cwd.data(), cwd.size())) cwd = ".";
  *gDataFolder = cwd.c_str();
  if (gDataFolder->empty() || gDataFolder->back() != '/') *gDataFolder += '/';

  ProgramObjects& objects = ProgramObjects::live();
  ClsCfgFile& cfg = objects.settings() ? *objects.settings() : objects.createSettings();
  cfg.Init(*gDataFolder + "VELTA.INI");
  cfg.LoadCfg();
  applyQtTranslations(cfg.LENGUAJE);  // Qt's own buttons and dialogs in that language

  const LockState state = lock.acquire(*gDataFolder);
  if (state != LockState::Acquired) {
    const StartChoice c = decideStart(state, StoreLoad::Loaded, 0, "", basic::Now());
    const std::string extra =
        state == LockState::Failed ? "\n" + lock.path() + ": " + lock.reason() : std::string();
    refuse(hooks, c.message, 0, extra, cfg.Auto == 1);
    return StartResult::EndedWithError;
  }
  // Settings that are there but were refused: the defaults would silently turn an automatic
  // site into one waiting for a log-in.
  if (!cfg.loadError().empty()) {
    refuse(hooks, 386, 320, ": " + cfg.loadError(), true);
    return StartResult::EndedWithError;
  }

  const ProgramObjects::StartupLoads loads = objects.createStartupObjects();
  const StartChoice c =
      decideStart(LockState::Acquired, loads.users, cfg.Auto, cfg.AutoDias, basic::Now());
  if (c.kind == StartChoice::Refuse) {
    // A user file that is there but could not be taken says why: one that could not be read
    // is no "access error", one of an unknown form is, with the file named.
    const bool unattended = cfg.Auto == 1;
    if (loads.users == StoreLoad::Unreadable)
      refuse(hooks, objects.users()->status().readFailure ? 386 : c.message, c.title,
             ": " + loads.users.reason, unattended);
    else
      refuse(hooks, c.message, c.title, {}, unattended);
    return StartResult::EndedWithError;
  }
  if (loads.clocks == StoreLoad::Unreadable) {
    const std::string why = ": " + loads.clocks.reason;
    if (c.kind == StartChoice::Automatic) {  // a pass over no clock would look like success
      refuse(hooks, 386, 320, why, true);
      return StartResult::EndedWithError;
    }
    refuse(hooks, 386, 320, why, false);
  }
  if (c.kind == StartChoice::Automatic) {
    objects.runMode() = 2;
    if (hooks.openAuto) hooks.openAuto();
  } else {
    if (hooks.refuseWithoutDisplay) {  // the log-in window would wait for nobody
      refuseUnattended(hooks, loginRefusal(cfg, hooks));
      return StartResult::EndedWithError;
    }
    std::string user, psw;
    if (hooks.login)
      hooks.login(user, psw);
    else
      frmSplash::ask(user, psw);
    if (basic::Trim(user).empty()) return StartResult::EndedOk;
    if (!objects.users()->FindUser(user, psw)) {
      MsgBox(316, msgbox::Critical, GetMsg(320));
      return StartResult::EndedWithError;
    }
  }
  // clearing a flag cannot fail
  (void)objects.modem()->SetCancel(0);
  if (hooks.showMain) hooks.showMain();
  return StartResult::Running;
}

namespace {
QtMessageHandler g_previousHandler = nullptr;

void dropPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg &&
      (text == QLatin1String("This plugin does not support propagateSizeHints()") ||
       text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set, "))))
    return;
  g_previousHandler(type, context, text);
}
}  // namespace

void quietPlatformNoise() {
  if (!g_previousHandler) g_previousHandler = qInstallMessageHandler(dropPlatformNoise);
}
