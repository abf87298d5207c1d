// Text conversion at the control's surface: callers hand UTF-8, the engine
// works in bytes of the control's code page. Unlike the engine's strict
// helpers these never give up on one bad character: a letter the code page
// lacks becomes "?" and a byte that is no letter becomes U+FFFD, as the
// platform's own conversions did without flags.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace remcmd {

// The iconv name of a code page number (0 = the system's ANSI code page).
std::string charsetName(uint32_t codePage);
// True when iconv can convert to and from the code page.
bool codePageAvailable(uint32_t codePage);
// False only when the code page cannot be opened at all.
bool utf8ToBytes(std::string_view utf8, uint32_t codePage, std::string& bytes);
bool bytesToUtf8(std::string_view bytes, uint32_t codePage, std::string& utf8);
// UTF-16LE of the saved stream form; strict: false on a broken text.
bool utf16leToUtf8(std::string_view utf16, std::string& utf8);
bool utf8ToUtf16le(std::string_view utf8, std::string& utf16);

}  // namespace remcmd
