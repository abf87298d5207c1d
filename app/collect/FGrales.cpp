#include "FGrales.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/EventPump.h>

#include "Globals.h"
#include "Messages.h"

namespace collect {

int16_t ConsoleDateTimeResult(ProgressList& list, const std::string& date,
                              const std::string& weekday, const std::string& time) {
  const int line = list.add("");
  const int16_t code = gMirsol ? static_cast<int16_t>(gMirsol->SetDateTime(date, weekday, time))
                               : static_cast<int16_t>(-200);
  if (code == -100) {
    list.setText(line, GetMsg(270) + GetMsg(221));
    list.setStyle(line, kBlueLine);
    return -100;
  }
  list.setText(line, GetMsg(329));
  list.setStyle(line, kRedLine);
  return -200;
}

int16_t ConsoleClearResult(ProgressList& list) {
  const int16_t code =
      gMirsol ? static_cast<int16_t>(gMirsol->Record_Process(4, 0)) : static_cast<int16_t>(-200);
  const int line = list.add("");
  if (code == -100) {
    list.setText(line, ">" + GetMsg(273));
    list.setStyle(line, kBlueLine);
    return code;
  }
  int msg = 312;
  if (code == -500)
    msg = 322;
  else if (code == -400)
    msg = 346;
  else if (code == -300)
    msg = 306;
  list.setText(line, ">" + GetMsg(msg));
  list.setStyle(line, kRedLine);
  return code;
}

void Wait(double seconds) { clocklink::WaitSeconds(seconds); }

std::string PadAndReplace(long long value, int width, char find, const std::string& replacement) {
  std::string s = std::to_string(value);
  const auto w = static_cast<std::size_t>(width < 0 ? 0 : width);
  if (s.size() >= w)
    s = s.substr(s.size() - w);
  else
    s = std::string(w - s.size(), ' ') + s;
  std::string out;
  for (char c : s) {
    if (c == find)
      out += replacement;
    else
      out += c;
  }
  return out;
}

}  // namespace collect
