#include "Release.h"

#include <unistd.h>

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdio>
#include <optional>
#include <string>

#include "ClsAuditoria.h"
#include "ClsCfgFile.h"
#include "ClsListaRelojes.h"
#include "ClsLogger.h"
#include "ClsUsers.h"
#include "FailureMessage.h"
#include "Globals.h"
#include "InstanceLock.h"
#include "Messages.h"
#include "MsgBox.h"
#include "ProgramObjects.h"
#include "QtTranslations.h"
#include "VeltaVersion.h"
#include "frmSplash.h"

SplitFields gSplitFields;

namespace {
void createEmpty(const std::string& name) {
  if (FILE* f = std::fopen((gDataFolder + name).c_str(), "ab")) std::fclose(f);
}
void removeIfPresent(const std::string& name) { std::remove((gDataFolder + name).c_str()); }

// A numeric text holding a whole number; nullopt for anything else ("1.5", "", "x").
std::optional<int> wholeNumber(const std::string& text) {
  if (!basic::IsNumeric(text)) return std::nullopt;
  const double v = basic::Val(text);
  if (v != static_cast<double>(static_cast<long long>(v)) || v < -100000 || v > 100000)
    return std::nullopt;
  return static_cast<int>(v);
}

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

void MarcarEstado(int16_t kind) {
  if (!gCfgFile || gCfgFile->MultiEmpresa != 0 || gCfgFile->Auto != 0) return;
  switch (kind) {
    case 1:
      createEmpty("OK.TMP");
      break;
    case 2:
      removeIfPresent("OK.TMP");
      removeIfPresent("OU.TMP");
      createEmpty("IN.TMP");
      break;
    case 3:
      removeIfPresent("IN.TMP");
      createEmpty("OU.TMP");
      break;
    default:
      break;
  }
}

bool MensajeErrorComm(int16_t code, int16_t show) {
  if (code == clocklink::kSuccess) return false;
  // Here the modem's failure is its set-up: 330 "Error al iniciar el modem".
  const int message = code == clocklink::kFailure ? 320 : failureMessage(code, 0, 330);
  if (message == 0) return true;  // an unknown code fails silently
  if (show != 0) MsgBox(message, msgbox::Critical);
  return true;
}

bool ValidarHora(const std::string& hour, const std::string& minute) {
  const double h = basic::Val(hour);
  const double m = basic::Val(minute);
  if (h >= 0 && h < 24 && m >= 0 && m < 60) return true;
  MsgBox(327, msgbox::Exclamation);
  return false;
}

bool ValidarFecha(const std::string& month, const std::string& day, const basic::DateTime& today,
                  int* year) {
  const std::optional<int> m = wholeNumber(month);
  const std::optional<int> d = wholeNumber(day);
  if (!m || !d || *m < 1 || *m > 12 || *d < 1 || *d > 31) return false;
  const int y = *m > today.month ? today.year - 1 : today.year;
  if (!basic::IsValidDate(y, *m, *d)) return false;
  if (year) *year = y;
  return true;
}

bool ValidarFecha(const std::string& month, const std::string& day) {
  return ValidarFecha(month, day, basic::Now());
}

void SepararCampos(const std::string& line) {
  gSplitFields = SplitFields{};
  size_t start = 0;
  // The first character is never a separator: a touch line's card starts with a blank.
  size_t searchFrom = line.empty() ? 0 : 1;
  for (size_t k = 0; k < 5; ++k) {
    if (start > line.size()) return;
    const size_t blank = line.find(' ', searchFrom);
    if (blank == std::string::npos) {
      gSplitFields.fields[k] = line.substr(start);
      return;
    }
    gSplitFields.fields[k] = line.substr(start, blank - start);
    start = blank + 1;
    searchFrom = start;
  }
  if (start <= line.size()) gSplitFields.rest = line.substr(start);
}

StartChoice decideStart(LockState lock, int16_t usersResult, int16_t autoFlag,
                        const std::string& autoDias, const basic::DateTime& today) {
  if (lock == LockState::Held) return {StartChoice::Refuse, 166, 0};
  if (lock == LockState::Failed) return {StartChoice::Refuse, 320, 0};
  if (usersResult == -2) return {StartChoice::Refuse, 310, 320};
  if (usersResult == -1) return {StartChoice::Refuse, 335, 320};
  const size_t position = static_cast<size_t>(basic::Weekday(today));
  if (autoFlag == 1 && position <= autoDias.size() && autoDias[position - 1] == '1')
    return {StartChoice::Automatic, 0, 0};
  return {StartChoice::Login, 0, 0};
}

StartResult runStartup(InstanceLock& lock, const StartupHooks& hooks) {
  gVersionText =
      std::to_string(VELTA_VERSION_MAJOR) + "." + basic::Format(VELTA_VERSION_MINOR, "00");
  // The working directory exactly as it is: a Linux folder name may end in a blank, and
  // trimming it would point every data file at another folder.
  std::string cwd(4096, '\0');
  if (!getcwd(cwd.data(), cwd.size())) cwd = ".";
  gDataFolder = cwd.c_str();
  if (gDataFolder.empty() || gDataFolder.back() != '/') gDataFolder += '/';

  ProgramObjects& objects = ProgramObjects::live();
  if (!gCfgFile) objects.createSettings();
  gCfgFile->Init(gDataFolder + "VELTA.INI");
  gCfgFile->LoadCfg();
  applyQtTranslations(gCfgFile->LENGUAJE);  // Qt's own buttons and dialogs in that language

  const LockState state = lock.acquire(gDataFolder);
  if (state != LockState::Acquired) {
    const StartChoice c = decideStart(state, 0, 0, "", basic::Now());
    const std::string extra =
        state == LockState::Failed ? "\n" + lock.path() + ": " + lock.reason() : std::string();
    refuse(hooks, c.message, 0, extra, gCfgFile->Auto == 1);
    return StartResult::EndedWithError;
  }
  // Settings that are there but were refused: the defaults would silently turn an automatic
  // site into one waiting for a log-in.
  if (!gCfgFile->loadError().empty()) {
    refuse(hooks, 386, 320, ": " + gCfgFile->loadError(), true);
    return StartResult::EndedWithError;
  }

  const int16_t users = objects.createStartupObjects();
  const StartChoice c =
      decideStart(LockState::Acquired, users, gCfgFile->Auto, gCfgFile->AutoDias, basic::Now());
  if (c.kind == StartChoice::Refuse) {
    // A user file that exists but could not be opened or read says so, not "empty".
    const StoreStatus& us = gUsers->status();
    const bool unattended = gCfgFile->Auto == 1;
    if (users == -1 && us.readErrno != 0)
      refuse(hooks, 386, 320, readFailure(us), unattended);
    else
      refuse(hooks, c.message, c.title, {}, unattended);
    return StartResult::EndedWithError;
  }
  const StoreStatus& clocksRead = gListaRelojes->status();
  if (clocksRead.readErrno != 0) {
    if (c.kind == StartChoice::Automatic) {  // a pass over no clock would look like success
      refuse(hooks, 386, 320, readFailure(clocksRead), true);
      return StartResult::EndedWithError;
    }
    refuse(hooks, 386, 320, readFailure(clocksRead), false);
  }
  if (c.kind == StartChoice::Automatic) {
    gRunMode = 2;
    if (hooks.openAuto) hooks.openAuto();
  } else {
    std::string user, psw;
    if (hooks.login)
      hooks.login(user, psw);
    else
      frmSplash::ask(user, psw);
    if (basic::Trim(user).empty()) return StartResult::EndedOk;
    if (!gUsers->FindUser(user, psw)) {
      MsgBox(316, msgbox::Critical, GetMsg(320));
      return StartResult::EndedWithError;
    }
  }
  gModem->SetCancel(0);
  if (hooks.showMain) hooks.showMain();
  return StartResult::Running;
}
