// The stream form of the control's saved properties: a 32-bit format word
// (768) and each property as a typed value (16-bit tag 8 string, 3 32-bit
// integer, 2 16-bit integer; a string is a 32-bit byte count and UTF-16LE
// text with its terminator). All numbers little-endian.
#pragma once

#include "remcmd/Remcmd.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace remcmd {

constexpr uint32_t kStreamFormat = 768;

enum class SavedKind { Text, Int32, Int16 };

struct SavedProperty {
  const char* name;
  SavedKind kind;
};

// The saved properties in their stream order.
const std::vector<SavedProperty>& savedProperties();

// Appends the stream form of the values (one per saved property, in order).
bool encodePropertyStream(const std::vector<PropertyValue>& values, std::vector<uint8_t>& out);
// Reads and checks a whole stream: nullopt when the format word is too new,
// a tag is unknown or does not fit its property, a byte count is odd, runs
// past the end or a string lacks its terminator or is no UTF-16 text.
std::optional<std::vector<PropertyValue>> decodePropertyStream(const uint8_t* data,
                                                               std::size_t size);

}  // namespace remcmd
