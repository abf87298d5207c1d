// BASIC-style conversions the program relies on: the numeric-prefix reading of a text, the
// strict numeric test, rounding halves to even into 16- and 32-bit whole numbers, trimming,
// and the Format patterns used for dates, times and counters. This is the only place that
// knows these rules.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace basic {

// Leading numeric value: leading blanks skipped, then the longest decimal number
// (sign, digits, one point, exponent); 0 when the text starts with none.
double Val(std::string_view text);

// True when the trimmed text is a complete decimal number (sign, digits, point, exponent).
bool IsNumeric(std::string_view text);

// Rounding to the nearest whole number, halves to even; empty when out of range or NaN.
std::optional<int16_t> ToInteger(double value);
std::optional<int32_t> ToLong(double value);

// Strict conversion of a stored number: the text must be numeric and fit the type.
std::optional<int16_t> ParseInteger(std::string_view text);
std::optional<int32_t> ParseLong(std::string_view text);

std::string Trim(std::string_view text);
std::string LTrim(std::string_view text);
std::string RTrim(std::string_view text);
std::string UCase(std::string_view text);
std::string LCase(std::string_view text);

// A calendar date and time of day, local time.
struct DateTime {
  int year = 1900;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

DateTime Now();
DateTime FromTimeT(std::time_t t);
// Day of the week, Sunday = 1 .. Saturday = 7.
int Weekday(const DateTime& t);
// True when year, month and day form a valid calendar date.
bool IsValidDate(int year, int month, int day);
// Days since 1970-01-01 of a proleptic Gregorian date, and back (time of day 00:00:00).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
DateTime CivilFromDays(int64_t days);

// Date/time pattern, letters in either case: d dd (day), m mm (month, or minutes right after
// an hour or right before seconds), y (day of year), yy, yyyy, h hh, n nn (minutes), s ss;
// "\x" is the literal x, "..." a literal text, "/" and ":" stand for themselves.
// The named pattern "SHORT DATE" gives dd/mm/yyyy; an empty pattern the general date (that,
// followed by hh:nn:ss when the time is not midnight).
std::string Format(const DateTime& t, std::string_view pattern);

// Whole number with a pattern of zeros ("000", "00000"): at least that many digits; a
// negative value is "-" followed by the digits.
std::string Format(int64_t value, std::string_view pattern);

// Number as decimal text without blanks ("-" in front of a negative one).
std::string Str(int64_t value);

}  // namespace basic
