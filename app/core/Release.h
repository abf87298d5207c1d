// Module Release: the program's start-up and a few checks that many windows share (result
// code to message box, time and date checks, state marker files, splitting of a punch line).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "Basic.h"

// State marker files in the data folder, for outside programs: 1 a good single-company
// collection (OK.TMP), 2 the main window opened (IN.TMP), 3 it closed (OU.TMP). Nothing at all
// with MULTIEMPRESA or AUTO set.
void MarcarEstado(int16_t kind);

// False only for -100 (success). The four known failures (-200, -300, -400, -500) show their
// message in a critical box when `show` is non-zero; any other code is a silent failure.
bool MensajeErrorComm(int16_t code, int16_t show);

// True for 0 <= hour < 24 and 0 <= minute < 60 (numeric values of the texts); otherwise box
// 327 with the exclamation icon and false.
bool ValidarHora(const std::string& hour, const std::string& minute);

// True when month and day (numeric texts, 1..12 and 1..31) form a real date in the year they
// belong to: `today`'s year, or the year before when the month lies after today's month (a
// clock read in January still holds December's dates). That year goes to *year when given.
bool ValidarFecha(const std::string& month, const std::string& day, const basic::DateTime& today,
                  int* year = nullptr);
// The same against the current local date.
bool ValidarFecha(const std::string& month, const std::string& day);

// The fields of one split punch line: fields 1..5 and the rest of the line.
struct SplitFields {
  std::array<std::string, 5> fields;
  std::string rest;
  const std::string& field(int k) const { return fields.at(static_cast<size_t>(k - 1)); }
};
extern SplitFields gSplitFields;

// Cuts `line` at single blanks into gSplitFields: fields 1..5 take the first five pieces, the
// rest everything after the fifth blank; fields past the end of a short line stay empty. A
// blank in the first position belongs to field 1 (touch-key lines start with one), so the
// fields do not shift a column.
void SepararCampos(const std::string& line);

// ---------------------------------------------------------------------------------------
// Start-up.

// What the instance lock found.
enum class LockState { Acquired, Held, Failed };

// What start-up does once it knows the lock, the user file and the automatic settings.
struct StartChoice {
  enum Kind { Refuse, Automatic, Login } kind = Login;
  int message = 0;  // Refuse: the box's message number
  int title = 0;    // Refuse: the box's title message (0 = the program's title)
};

// The decision, in start-up's order: a second copy (lock held) is refused with 166 before the
// user file matters; a lock file that cannot be used is refused with 320; a missing user file
// 310 and an empty or unreadable one 335, both titled 320; then the automatic run when AUTO is
// 1 and today's character of AutoDias (Sunday first) is "1"; else the log-in.
StartChoice decideStart(LockState lock, int16_t usersResult, int16_t autoFlag,
                        const std::string& autoDias, const basic::DateTime& today);

class InstanceLock;

// What runStartup needs from the windows above it.
struct StartupHooks {
  // Shows the log-in window; false when it was cancelled. Unset: the real frmSplash.
  std::function<bool(std::string& user, std::string& psw)> login;
  // The automatic-run window, modal; unset while it does not exist (the program then goes on
  // to the main window with nobody logged in, as after an automatic run).
  std::function<void()> openAuto;
  // Creates and shows the main window, modeless.
  std::function<void()> showMain;
  // Set when there is no display (main.cpp): a start-up refusal's text goes here (standard
  // error) instead of a message box that nobody could answer.
  std::function<void(const std::string& text)> refuseWithoutDisplay;
};

enum class StartResult { Running, EndedOk, EndedWithError };

// The program's start: version text, data folder (the working directory as it is, "/"
// added), settings, the instance lock (held in `lock` for the run), the objects and stores,
// then the automatic run or the log-in, and the main window. EndedOk after a cancelled
// log-in; EndedWithError after a refusal (166, 320, 310, 335) or a wrong password (316).
// A settings file or RSH.CFG that is there but cannot be read (or is far too large) is a
// refusal too (386 with the file and the reason, and a line in the daily log): the program
// cannot tell whether it was meant to run unattended. So is a user file that cannot be read
// (386, titled 320), and, in the automatic run, a clock list that cannot be read (daily log).
// In the log-in case that clock list gives a 386 box and the program goes on without clocks.
// With AUTO set, every refusal also goes to the daily log.
// The settings and the other objects go into the live ProgramObjects (the settings only
// when they do not exist yet).
StartResult runStartup(InstanceLock& lock, const StartupHooks& hooks);
