#include "collect/SirenSchedule.h"

#include "collect/FGrales.h"
#include "core/Basic.h"
#include "core/Messages.h"
#include "core/Release.h"
#include "core/Reporter.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/CollectionStatus.h>

namespace collect {

std::vector<SirenDay> SirenSchedule::days(int16_t modelo) {
  std::vector<SirenDay> out;
  for (int16_t i = 0; i < 7; ++i) out.push_back({GetMsg(365 + i), i});
  if (modelo == 0 || modelo == 1) {
    out.push_back({GetMsg(373), 8});
  } else {
    out.push_back({GetMsg(372), 7});
    out.push_back({GetMsg(373), 8});
  }
  return out;
}

std::vector<SirenRow> SirenSchedule::rows(const std::vector<std::string>& entries,
                                          const std::vector<SirenDay>& days, int& badEntries) {
  std::vector<SirenRow> out;
  badEntries = 0;
  for (const std::string& e : entries) {
    if (e.size() < 9) continue;  // a slot the clock did not send
    const int siren = static_cast<int>(basic::Val(e.substr(2, 1)));
    if (siren == 0) continue;
    const char dayChar = e[1];
    int day = dayChar == 'H'                       ? 7
              : dayChar == 'T'                     ? 8
              : (dayChar >= '0' && dayChar <= '9') ? dayChar - '0'
                                                   : -1;
    int16_t pos = -1;
    for (size_t i = 0; i < days.size(); ++i)
      if (days[i].code == day) pos = static_cast<int16_t>(i);
    if (pos < 0) {
      ++badEntries;
      continue;
    }
    if (static_cast<int>(out.size()) >= kMaxSirenRows) break;
    out.push_back(
        SirenRow{static_cast<int16_t>(out.size() + 1), pos, e.substr(3, 2) + ":" + e.substr(5, 2),
                 static_cast<int16_t>(basic::Val(e.substr(7, 2))), static_cast<int16_t>(siren)});
  }
  return out;
}

std::string SirenSchedule::dataText(int16_t dayCode, int sirenNumber, const std::string& hour,
                                    const std::string& minute, const std::string& duration) {
  return basic::Str(dayCode) + basic::Str(sirenNumber) +
         basic::Format(static_cast<int64_t>(basic::Val(hour)), "00") +
         basic::Format(static_cast<int64_t>(basic::Val(minute)), "00") +
         PadAndReplace(static_cast<long long>(basic::Val(duration)), 2, ' ', "0");
}

bool SirenSchedule::vTodo(Reporter& reporter, const std::string& duration, const std::string& hour,
                          const std::string& minute) {
  const double seconds = basic::Val(duration);
  if (!(seconds > 0 && seconds <= 45)) {
    reporter.inform(214, msgbox::Critical);
    return false;
  }
  return ValidarHora(hour, minute, reporter);
}

clocklink::CollectionStatus SirenSchedule::read(
    clocklink::ClsMirsol& mirsol, std::vector<std::string>& entries,
    const std::function<void(int done, int total)>& progress) {
  entries.clear();
  clocklink::CollectionStatus result = mirsol.Alarm_Process(1, "");
  for (int i = 0; result == clocklink::kSuccess && i < kSirenEntries; ++i) {
    result = mirsol.Alarm_Process(2, "");
    if (result == clocklink::kSuccess && progress) progress(i + 1, kSirenEntries);
  }
  if (result == clocklink::kSuccess)
    for (int16_t i = 0; i < kSirenEntries; ++i) entries.push_back(mirsol.Alarm_Get(i));
  // closing after the list was read: the entries are what counts
  (void)mirsol.Alarm_Process(3, "");
  return result;
}

}  // namespace collect
