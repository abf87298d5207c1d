#include "admin/ClockStatus.h"

#include "core/Messages.h"
#include "core/Release.h"

namespace {

// Month and day as a short date in the year ValidarFecha gives them, or "ERROR".
std::string shortDate(const std::string& month, const std::string& day,
                      const basic::DateTime& today, bool& valid) {
  int year = 0;
  valid = ValidarFecha(month, day, today, &year);
  if (!valid) return "ERROR";
  basic::DateTime d;
  d.year = year;
  d.month = static_cast<int>(basic::Val(month));
  d.day = static_cast<int>(basic::Val(day));
  return basic::Format(d, "SHORT DATE");
}

}  // namespace

std::optional<ClockStatusView> decodeClockStatus(const std::string& s, int16_t model,
                                                 const basic::DateTime& today) {
  if (s.size() != 36) return std::nullopt;
  auto at = [&s](size_t position, size_t n) { return s.substr(position - 1, n); };
  ClockStatusView v;
  bool valid = false;
  v.fecActual = shortDate(at(4, 2), at(6, 2), today, valid) + " " + at(8, 2) + ":" + at(10, 2);
  v.cantRegis = at(30, 5);
  if (model == 6) return v;
  if (model == 2)
    v.statusBar = GetMsg(274) + ": " + at(12, 5) + " " + GetMsg(300);
  else
    v.statusBar = GetMsg(at(21, 1) == "0" ? 300 : 299);
  const std::string cleared = shortDate(at(22, 2), at(24, 2), today, valid);
  v.statusBar += (valid ? " " : "") + cleared + " " + at(26, 2) + ":" + at(28, 2);
  return v;
}
