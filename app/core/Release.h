// Module Release: what the program's start-up decides and a few checks that many windows
// share (time and date checks, state marker files, splitting of a punch line). The start-up
// itself is widgets/main/Startup.h; the calls that show their own boxes are in ReleaseBoxes.h
// (dialogs library).
#pragma once

#include "core/Basic.h"
#include "core/Globals.h"
#include "core/StoreResult.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class Reporter;

// State marker files in the data folder, for outside programs: 1 a good single-company
// collection (OK.TMP), 2 the main window opened (IN.TMP), 3 it closed (OU.TMP). Nothing at all
// with MULTIEMPRESA or AUTO set.
void MarcarEstado(int16_t kind);

// True for 0 <= hour < 24 and 0 <= minute < 60 (numeric values of the texts); otherwise 327
// with the exclamation icon through `reporter` and false.
bool ValidarHora(const std::string& hour, const std::string& minute, Reporter& reporter);

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
extern OwnedValue<SplitFields> gSplitFields;  // the live owner's (ProgramObjects.h)

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
StartChoice decideStart(LockState lock, const StoreLoad& usersResult, int16_t autoFlag,
                        const std::string& autoDias, const basic::DateTime& today);
