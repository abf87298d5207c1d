// Windows-1252 <-> UTF-8 conversion for the files Velta shares with its Windows
// ancestors, and UTF-16LE <-> UTF-8 for the INI files Windows tools save as Unicode.
// In memory text is UTF-8; bytes on disk are Windows-1252 unless a file says otherwise.
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

// UTF-16LE (no BOM) to UTF-8. False when the bytes are not UTF-16LE throughout (odd
// length, a lone surrogate): out then holds U+FFFD in their place, good for reading only.
bool utf16LeToUtf8(std::string_view bytes, std::string& out);
// Appends the UTF-16LE form of the text to out; false on bytes that are not UTF-8.
bool utf8ToUtf16Le(std::string_view utf8, std::string& out);

}  // namespace basekit
