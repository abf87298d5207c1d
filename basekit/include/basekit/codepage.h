// Windows-1252 <-> UTF-8 conversion for the files Velta shares with its Windows
// ancestors. In memory text is UTF-8; bytes on disk are Windows-1252.
#pragma once
#include <string>
#include <string_view>

namespace basekit {

// Every byte maps to a character; the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081.. so a record survives load+save.
std::string cp1252ToUtf8(std::string_view bytes);

// A character without a Windows-1252 form, or an invalid UTF-8 sequence, becomes
// '?' and clears *exact (when given). *exact is set true otherwise.
std::string utf8ToCp1252(std::string_view utf8, bool* exact = nullptr);

}  // namespace basekit
