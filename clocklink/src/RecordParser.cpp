#include "RecordParser.h"

#include "TextUtil.h"

#include <ctime>

namespace clocklink {
namespace {

std::string trim(const std::string& s) { return detail::trim(s, " "); }

// 1-based substring that never reads past the end.
std::string mid(const std::string& s, size_t pos, size_t len = std::string::npos) {
  if (pos < 1 || pos > s.size()) return {};
  return s.substr(pos - 1, len);
}

bool isNumber(const std::string& raw, long* value = nullptr) {
  std::string t = trim(raw);
  if (t.empty()) return false;
  for (char c : t)
    if (c < '0' || c > '9') return false;
  if (value) {
    long v = 0;
    for (char c : t) {
      v = v * 10 + (c - '0');
      if (v > 1000000000L) break;  // only ranges of a few digits are tested
    }
    *value = v;
  }
  return true;
}

bool inRange(const std::string& field, long lo, long hi) {
  long v = 0;
  return isNumber(field, &v) && v >= lo && v <= hi;
}

}  // namespace

Today today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1};
}

std::string shortenCard(const std::string& card) {
  std::string t = trim(card);
  if (!isNumber(t)) return {};
  auto first = t.find_first_not_of('0');
  return first == std::string::npos ? "0" : t.substr(first);
}

long statusCount(const std::string& status) {
  if (status.size() < 36) return -1;
  long v = 0;
  if (!isNumber(status.substr(29, 5), &v)) return -1;
  return v;
}

ParsedRecord parseRecordFrame(const std::string& frame, int model, const std::string& clockId,
                              const std::string& model6Type, Today now) {
  std::string type, month, day, hour, minute, card;
  std::string s;
  if (model != 6) {
    s = mid(frame, 2);
    type = mid(s, 1, 2);
    month = mid(s, 3, 2);
    day = mid(s, 5, 2);
    hour = mid(s, 7, 2);
    minute = mid(s, 9, 2);
    card = mid(s, 11);
  } else {
    s = mid(frame, 5);
    type = model6Type;
    month = mid(s, 7, 2);
    day = mid(s, 9, 2);
    hour = mid(s, 11, 2);
    minute = mid(s, 13, 2);
    card = mid(s, 20, 7);
  }
  if (card.size() >= 2) card.erase(card.size() - 2);

  bool valid = inRange(month, 1, 12) && inRange(day, 1, 31) && inRange(hour, 0, 23) &&
               inRange(minute, 0, 59) && isNumber(card);
  if (model == 6 && mid(s, 2, 1) == "0") valid = false;

  if (isNumber(card)) card = shortenCard(card);

  int year = now.year;
  long m = 0;
  if (isNumber(month, &m) && m > now.month) year = now.year - 1;
  std::string yearText = std::to_string(year);
  while (yearText.size() < 4) yearText.insert(0, "0");

  ParsedRecord r;
  r.valid = valid;
  r.text = std::string(valid ? "0" : "1") + yearText + month + day + hour + minute + "0" +
           trim(clockId) + type + card;
  return r;
}

}  // namespace clocklink
