#include "TextRoutines.h"

#include "ByteBuffer.h"

#include <cstring>

namespace remcmd {

namespace {
char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  return true;
}

void boundedCopy(char* target, std::size_t size, std::string_view source) {
  if (!target || size == 0) return;
  const std::size_t n = source.size() < size - 1 ? source.size() : size - 1;
  if (n) std::memcpy(target, source.data(), n);
  std::memset(target + n, 0, size - n);
}

std::size_t findText(std::string_view hay, std::string_view needle) { return hay.find(needle); }

int32_t parseDecimal(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) value = 2147483648LL;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

int base64Encode(const void* bytes, uint32_t length, bool lineBreaks, ByteBuffer& out) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto* in = static_cast<const unsigned char*>(bytes);
  for (uint32_t i = 0; i < length; i += 3) {
    if (lineBreaks && i != 0 && i % 48 == 0)
      if (int rc = out.append("\r\n", 2)) return rc;
    const uint32_t left = length - i;
    const uint32_t group =
        (in[i] << 16) | (left > 1 ? in[i + 1] << 8 : 0) | (left > 2 ? in[i + 2] : 0);
    char quad[4] = {alphabet[(group >> 18) & 63], alphabet[(group >> 12) & 63],
                    left > 1 ? alphabet[(group >> 6) & 63] : '=',
                    left > 2 ? alphabet[group & 63] : '='};
    if (int rc = out.append(quad, 4)) return rc;
  }
  return 0;
}

}  // namespace remcmd
