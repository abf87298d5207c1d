#include "collect/ClockSettingRules.h"

namespace collect {

int16_t cacheValue(int slider) {
  if (slider >= 100) return 99;
  return static_cast<int16_t>(slider < 0 ? 0 : slider);
}

int clockNumberError(const std::string& text, std::string& number) {
  const std::string trimmed = basic::Trim(text);
  if (trimmed.empty()) return 352;
  // A multi-byte character (ñ) is longer than one byte too: refused with the same message.
  if (trimmed.size() != 1) return 349;
  const char c = trimmed[0];
  const bool valid = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (!valid) return 349;
  number = trimmed;
  return 0;
}

DateTimeTexts dateTimeTexts(const basic::DateTime& when) {
  return DateTimeTexts{basic::Format(when, "yyyymmdd"), basic::Str(basic::Weekday(when)),
                       basic::Format(when.hour, "00") + basic::Format(when.minute, "00")};
}

}  // namespace collect
