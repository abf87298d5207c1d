// The one whole-file read of the library (modem definitions, MODEM.MAU): a file larger than
// its format can need is refused before anything is read, so a huge or endless file in the
// data folder cannot stall a dial-up or fill the memory.
#pragma once

#include <cstddef>
#include <string>

namespace clocklink {

enum class ReadResult { Read, Missing, Refused };

// Reads the regular file at path whole when it holds at most maxBytes. Missing when there is
// no such file; Refused when it exists but cannot be read, is a symbolic link, is no regular
// file or is larger (*reason, when given, says why). out is empty unless Read.
ReadResult readAll(const std::string& path, std::string& out, size_t maxBytes,
                   std::string* reason = nullptr);

}  // namespace clocklink
