// Small text helpers of the remote-shell engine: ASCII case-insensitive
// comparison, a bounded copy, substring search, the decimal parse of
// configuration values and Base64 (RFC 4648) for proxy credentials.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace remcmd {

class ByteBuffer;

bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Copies at most size-1 bytes and zero-fills the rest: the target is always
// a terminated text, even when the source is as long as the target.
void boundedCopy(char* target, std::size_t size, std::string_view source);
// Offset of the first occurrence of needle in hay, or npos.
std::size_t findText(std::string_view hay, std::string_view needle);
// An optional leading "-", then digits up to the first other character;
// no digits give 0. Saturates at the 32-bit limits.
int32_t parseDecimal(std::string_view text);
// Appends the Base64 form of the bytes; with lineBreaks a CR LF precedes
// every group that starts at a multiple of 48 input bytes other than 0.
int base64Encode(const void* bytes, uint32_t length, bool lineBreaks, ByteBuffer& out);

}  // namespace remcmd
