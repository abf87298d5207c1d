#include "widgets/main/Startup.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsLogger.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/Messages.h"
#include "core/ProgramObjects.h"
#include "core/QtTranslations.h"
#include "core/Release.h"
#include "core/VeltaVersion.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/frmSplash.h"

#include <clocklink/ClsModem.h>

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

// A start-up refusal: message `number` (with `extra` after it) in a critical box, or on
// standard error when there is no display; in the daily log too when `toLog`.
void refuse(const StartupHooks& hooks, int number, int title, const std::string& extra,
            bool toLog) {
  const std::string text = GetMsg(number) + extra;
  if (toLog) logRefusal(text);
  if (hooks.refuseWithoutDisplay)
    hooks.refuseWithoutDisplay(text);
  else
    MsgBox(number, msgbox::Critical, title ? GetMsg(title) : std::string(), extra);
}

// ": <reason>" of a store file that could not be read, the reason naming the file.
std::string readFailure(const StoreStatus& s) { return ": " + s.readReason; }
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

  const StoreLoad users = objects.createStartupObjects();
  const StartChoice c =
      decideStart(LockState::Acquired, users, cfg.Auto, cfg.AutoDias, basic::Now());
  if (c.kind == StartChoice::Refuse) {
    // A user file that exists but could not be opened or read says so, not "empty".
    const StoreStatus& us = objects.users()->status();
    const bool unattended = cfg.Auto == 1;
    if (users == StoreLoad::Empty && us.readFailure)
      refuse(hooks, 386, 320, readFailure(us), unattended);
    else
      refuse(hooks, c.message, c.title, {}, unattended);
    return StartResult::EndedWithError;
  }
  const StoreStatus& clocksRead = objects.clocks()->status();
  if (clocksRead.readFailure) {
    if (c.kind == StartChoice::Automatic) {  // a pass over no clock would look like success
      refuse(hooks, 386, 320, readFailure(clocksRead), true);
      return StartResult::EndedWithError;
    }
    refuse(hooks, 386, 320, readFailure(clocksRead), false);
  }
  if (c.kind == StartChoice::Automatic) {
    objects.runMode() = 2;
    if (hooks.openAuto) hooks.openAuto();
  } else {
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
