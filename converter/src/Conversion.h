// The conversion behind QCvt: field rules, date and time packing, the clock field, the
// card lookup table and the file loop. Byte texts throughout; no code-page conversion.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace v2000cvt {

// Leading-digits rule: blanks and one sign accepted, digits up to the first other
// character, none gives 0. Saturates at the 32-bit range instead of overflowing.
int32_t leadingNumber(std::string_view text);

// Appends `value` as printf("%.*d", minDigits) would.
void appendNumber(std::string& out, int32_t value, int minDigits);

std::string CvtDate(std::string_view text);  // YYYYMMDD, or empty unless 10 characters
std::string CvtTime(std::string_view text);  // HHMM, never empty
std::string clockField(std::string_view clockText);

// The whole run; the lookup file's path is a parameter so the file loop stays testable.
int32_t convertFiles(const char* inPath, const char* lookupPath, const char* outPath);

}  // namespace v2000cvt
