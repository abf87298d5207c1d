// Text conversion between the program's UTF-8 and the bytes of the control's
// code page (0 = the system code page, Windows-1252 here; 65001 = UTF-8).
// A text that cannot be converted is a failure, never an empty text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace remcmd {

bool toCodePage(std::string_view utf8, uint32_t codePage, std::string& bytes);
bool fromCodePage(std::string_view bytes, uint32_t codePage, std::string& utf8);

} // namespace remcmd
