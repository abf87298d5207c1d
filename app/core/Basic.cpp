#include "core/Basic.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace basic {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest decimal number at the start of s (0 when none).
size_t numberPrefix(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) {
    ++i;
    ++digits;
  }
  if (i < s.size() && s[i] == '.') {
    size_t j = i + 1;
    size_t frac = 0;
    while (j < s.size() && isDigit(s[j])) {
      ++j;
      ++frac;
    }
    if (digits + frac > 0) {
      i = j;
      digits += frac;
    }
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    size_t exp = 0;
    while (j < s.size() && isDigit(s[j])) {
      ++j;
      ++exp;
    }
    if (exp > 0) i = j;
  }
  return i;
}

double parsePrefix(std::string_view s, size_t len) {
  std::string text(s.substr(0, len));
  double v = std::strtod(text.c_str(), nullptr);
  return std::isfinite(v) ? v : 0.0;
}

template <typename T>
std::optional<T> roundTo(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  double r = std::nearbyint(value);  // default rounding mode: halves to even
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    return std::nullopt;
  return static_cast<T>(r);
}

std::string twoDigits(int v) {
  std::string s = std::to_string(v < 0 ? -v : v);
  return s.size() < 2 ? "0" + s : s;
}

int dayOfYear(const DateTime& t) {
  static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int m = t.month >= 1 && t.month <= 12 ? t.month : 1;
  bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  return before[m - 1] + t.day + (leap && m > 2 ? 1 : 0);
}

}  // namespace

double Val(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  std::string_view s = text.substr(i);
  return parsePrefix(s, numberPrefix(s));
}

bool IsNumeric(std::string_view text) {
  std::string t = Trim(text);
  size_t len = numberPrefix(t);
  return len > 0 && len == t.size();
}

std::optional<int16_t> ToInteger(double value) { return roundTo<int16_t>(value); }
std::optional<int32_t> ToLong(double value) { return roundTo<int32_t>(value); }

std::optional<int16_t> ParseInteger(std::string_view text) {
  if (!IsNumeric(text)) return std::nullopt;
  return ToInteger(Val(text));
}

std::optional<int32_t> ParseLong(std::string_view text) {
  if (!IsNumeric(text)) return std::nullopt;
  return ToLong(Val(text));
}

std::string LTrim(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return std::string(text.substr(i));
}

std::string RTrim(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) { return LTrim(RTrim(text)); }

std::string UCase(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string LCase(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

DateTime FromTimeT(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

DateTime Now() { return FromTimeT(std::time(nullptr)); }

int Weekday(const DateTime& t) {
  // Sakamoto's method: 0 = Sunday.
  static const int k[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  int m = t.month >= 1 && t.month <= 12 ? t.month : 1;
  int y = t.year - (m < 3 ? 1 : 0);
  int w = (y + y / 4 - y / 100 + y / 400 + k[m - 1] + t.day) % 7;
  if (w < 0) w += 7;
  return w + 1;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateTime CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  DateTime t;
  t.year = static_cast<int>(y);
  t.month = static_cast<int>(m);
  t.day = static_cast<int>(d);
  return t;
}

bool IsValidDate(int year, int month, int day) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int last = days[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= last;
}

std::string Format(const DateTime& t, std::string_view pattern) {
  if (UCase(Trim(pattern)) == "SHORT DATE") return Format(t, "dd/mm/yyyy");
  // No pattern is the general date: the short date, and the time when there is one (a
  // settings file with an empty date pattern still gives punch lines their date).
  if (pattern.empty())
    return t.hour || t.minute || t.second ? Format(t, "dd/mm/yyyy hh:nn:ss")
                                          : Format(t, "dd/mm/yyyy");
  // First pass: split into tokens, so that "m" can look at its neighbours.
  struct Token {
    char kind;  // 'd','m','y','h','n','s' or 0 for literal text
    size_t count;
    std::string text;
  };
  std::vector<Token> tokens;
  for (size_t i = 0; i < pattern.size();) {
    char c = pattern[i];
    char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '\\') {
      if (i + 1 < pattern.size()) tokens.push_back({0, 0, std::string(1, pattern[i + 1])});
      i += 2;
    } else if (c == '"') {
      size_t end = pattern.find('"', i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      tokens.push_back({0, 0, std::string(pattern.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (lower == 'd' || lower == 'm' || lower == 'y' || lower == 'h' || lower == 'n' ||
               lower == 's') {
      size_t j = i;
      while (j < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[j])) == lower)
        ++j;
      tokens.push_back({lower, j - i, {}});
      i = j;
    } else {
      tokens.push_back({0, 0, std::string(1, c)});
      ++i;
    }
  }
  std::string out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& tk = tokens[i];
    switch (tk.kind) {
      case 0:
        out += tk.text;
        break;
      case 'd':
        out += tk.count == 1 ? std::to_string(t.day) : twoDigits(t.day);
        break;
      case 'y':
        if (tk.count == 1)
          out += std::to_string(dayOfYear(t));
        else if (tk.count < 4)
          out += twoDigits(t.year % 100);
        else
          out += std::to_string(t.year);
        break;
      case 'h':
        out += tk.count == 1 ? std::to_string(t.hour) : twoDigits(t.hour);
        break;
      case 'n':
        out += tk.count == 1 ? std::to_string(t.minute) : twoDigits(t.minute);
        break;
      case 's':
        out += tk.count == 1 ? std::to_string(t.second) : twoDigits(t.second);
        break;
      case 'm': {
        // Minutes when the nearest date part before it is an hour, or after it a second.
        char prev = 0, next = 0;
        for (size_t k = i; k-- > 0;)
          if (tokens[k].kind) {
            prev = tokens[k].kind;
            break;
          }
        for (size_t k = i + 1; k < tokens.size(); ++k)
          if (tokens[k].kind) {
            next = tokens[k].kind;
            break;
          }
        int v = (prev == 'h' || next == 's') ? t.minute : t.month;
        out += tk.count == 1 ? std::to_string(v) : twoDigits(v);
        break;
      }
    }
  }
  return out;
}

std::string Format(int64_t value, std::string_view pattern) {
  size_t width = 0;
  for (char c : pattern)
    if (c == '0') ++width;
  uint64_t mag = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(mag);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return value < 0 ? "-" + digits : digits;
}

std::string Str(int64_t value) { return std::to_string(value); }

}  // namespace basic
