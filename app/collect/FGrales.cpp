#include "collect/FGrales.h"

#include "collect/CardText.h"
#include "collect/CollectPunches.h"
#include "core/Basic.h"
#include "core/CardNumber.h"
#include "core/ClsTarjetas.h"
#include "core/FailureMessage.h"
#include "core/Messages.h"

#include <basekit/atomicfile.h>
#include <basekit/paths.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include <iterator>
#include <vector>

namespace collect {

using clocklink::kFailure;
using clocklink::kSuccess;

clocklink::CollectionStatus ConsoleDateTimeResult(clocklink::ClsMirsol& clock, ProgressList& list,
                                                  const std::string& date,
                                                  const std::string& weekday,
                                                  const std::string& time) {
  const int line = list.add("");
  const clocklink::CollectionStatus code = clock.SetDateTime(date, weekday, time);
  if (code == kSuccess) {
    list.setText(line, GetMsg(270) + GetMsg(221));
    list.setStyle(line, kBlueLine);
    return kSuccess;
  }
  list.setText(line, GetMsg(329));
  list.setStyle(line, kRedLine);
  return kFailure;
}

clocklink::CollectionStatus ConsoleClearResult(clocklink::ClsMirsol& clock, ProgressList& list) {
  return ShowClearResult(list, clock.Record_Process(4, 0));
}

clocklink::CollectionStatus SendCardFile(clocklink::ClsMirsol& clock, int16_t tipoNumero,
                                         int16_t mode, const std::string& path) {
  const std::string local = basekit::toLocalPath(basic::Trim(path));
  // A list of card numbers, one short item each, for at most as many cards as a card base
  // holds; a larger file is not read. The file layer makes every check on its descriptor (a
  // plain file, no link).
  constexpr size_t kMaxCardListBytes = ClsTarjetas::kMaxCards * 24;
  std::string text;
  // The operator's pick: it may be reached through a link, but must be a plain file.
  if (local.empty() || !basekit::readWholeFile(local, text, nullptr, kMaxCardListBytes,
                                               basekit::Follow::OperatorsChoice))
    return kFailure;
  const int16_t kind = tipoNumero == 2 ? 2 : 1;
  for (const std::string& raw : clocklink::splitModemItems(text)) {
    const std::string item = basic::Trim(raw);
    if (item.size() <= 2) continue;
    double number = 0;
    // An item that is no card number ends the file: the clock must not get part of a list
    // whose rest is unknown to be sound.
    if (!cardNumberOf(item, kind, number)) return kFailure;
    if (clock.Card_Process(mode != 0 ? 7 : 8, cardText(number)) != kSuccess) return kFailure;
  }
  return kSuccess;
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
