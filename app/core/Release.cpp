#include "core/Release.h"

#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/Reporter.h"

#include <basekit/plainfile.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

constinit OwnedValue<SplitFields> gSplitFields("gSplitFields");

namespace {
// A marker that is a symbolic link is left alone: creating it would make or touch whatever
// file the link names.
void createEmpty(const std::string& name) { basekit::touchPlainFile(*gDataFolder + name); }
// A marker that is not there is what was wanted.
void removeIfPresent(const std::string& name) { basekit::removeFile(*gDataFolder + name); }

// A numeric text holding a whole number; nullopt for anything else ("1.5", "", "x").
std::optional<int> wholeNumber(const std::string& text) {
  if (!basic::IsNumeric(text)) return std::nullopt;
  const double v = basic::Val(text);
  if (v != static_cast<double>(static_cast<long long>(v)) || v < -100000 || v > 100000)
    return std::nullopt;
  return static_cast<int>(v);
}

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

bool ValidarHora(const std::string& hour, const std::string& minute, Reporter& reporter) {
  const double h = basic::Val(hour);
  const double m = basic::Val(minute);
  if (h >= 0 && h < 24 && m >= 0 && m < 60) return true;
  reporter.inform(327, msgbox::Exclamation);
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
  *gSplitFields = SplitFields{};
  size_t start = 0;
  // The first character is never a separator: a touch line's card starts with a blank.
  size_t searchFrom = line.empty() ? 0 : 1;
  for (size_t k = 0; k < 5; ++k) {
    if (start > line.size()) return;
    const size_t blank = line.find(' ', searchFrom);
    if (blank == std::string::npos) {
      gSplitFields->fields[k] = line.substr(start);
      return;
    }
    gSplitFields->fields[k] = line.substr(start, blank - start);
    start = blank + 1;
    searchFrom = start;
  }
  if (start <= line.size()) gSplitFields->rest = line.substr(start);
}

StartChoice decideStart(LockState lock, const StoreLoad& usersResult, int16_t autoFlag,
                        const std::string& autoDias, const basic::DateTime& today) {
  if (lock == LockState::Held) return {StartChoice::Refuse, 166, 0};
  if (lock == LockState::Failed) return {StartChoice::Refuse, 320, 0};
  if (usersResult == StoreLoad::Missing) return {StartChoice::Refuse, 310, 320};
  if (usersResult == StoreLoad::Empty || usersResult == StoreLoad::Unreadable)
    return {StartChoice::Refuse, 335, 320};
  const size_t position = static_cast<size_t>(basic::Weekday(today));
  if (autoFlag == 1 && position <= autoDias.size() && autoDias[position - 1] == '1')
    return {StartChoice::Automatic, 0, 0};
  return {StartChoice::Login, 0, 0};
}
