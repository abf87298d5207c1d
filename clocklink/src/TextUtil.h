// Small text helpers shared by the library's sources (not part of its interface).
#pragma once
#include <string>

namespace clocklink::detail {

// The text without the given characters (blanks and tabs by default) at either end.
inline std::string trim(const std::string& s, const char* blanks = " \t") {
  auto b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  auto e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

}  // namespace clocklink::detail
