#include "PropertyStream.h"

#include "ControlText.h"

#include <cstdint>

namespace remcmd {

namespace {

constexpr uint16_t kTagText = 8;
constexpr uint16_t kTagInt32 = 3;
constexpr uint16_t kTagInt16 = 2;

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}

class Reader {
 public:
  Reader(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  bool take16(uint16_t& v) {
    if (m_size - m_pos < 2) return false;
    v = static_cast<uint16_t>(m_data[m_pos] | m_data[m_pos + 1] << 8);
    m_pos += 2;
    return true;
  }
  bool take32(uint32_t& v) {
    uint16_t lo = 0, hi = 0;
    if (m_size - m_pos < 4 || !take16(lo) || !take16(hi)) return false;
    v = static_cast<uint32_t>(lo) | static_cast<uint32_t>(hi) << 16;
    return true;
  }
  bool takeBytes(uint32_t count, std::string_view& bytes) {
    if (m_size - m_pos < count) return false;
    bytes = {reinterpret_cast<const char*>(m_data + m_pos), count};
    m_pos += count;
    return true;
  }

 private:
  const uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

}  // namespace

const std::vector<SavedProperty>& savedProperties() {
  static const std::vector<SavedProperty> list = {
      {"FirewallHost", SavedKind::Text},  {"FirewallPassword", SavedKind::Text},
      {"FirewallPort", SavedKind::Int32}, {"FirewallType", SavedKind::Int32},
      {"FirewallUser", SavedKind::Text},  {"LocalUser", SavedKind::Text},
      {"RemoteHost", SavedKind::Text},    {"RemoteUser", SavedKind::Text},
      {"Timeout", SavedKind::Int16},
  };
  return list;
}

bool encodePropertyStream(const std::vector<PropertyValue>& values, std::vector<uint8_t>& out) {
  const auto& props = savedProperties();
  if (values.size() != props.size()) return false;
  put32(out, kStreamFormat);
  for (std::size_t i = 0; i < props.size(); ++i) {
    const PropertyValue& v = values[i];
    if (const auto* s = std::get_if<std::string>(&v)) {
      std::string utf16;
      if (!utf8ToUtf16le(*s, utf16)) return false;
      put16(out, kTagText);
      put32(out, static_cast<uint32_t>(utf16.size() + 2));
      out.insert(out.end(), utf16.begin(), utf16.end());
      put16(out, 0);
    } else if (const auto* n = std::get_if<int32_t>(&v)) {
      put16(out, kTagInt32);
      put32(out, static_cast<uint32_t>(*n));
    } else {
      put16(out, kTagInt16);
      put16(out, static_cast<uint16_t>(std::get<int16_t>(v)));
    }
  }
  return true;
}

std::optional<std::vector<PropertyValue>> decodePropertyStream(const uint8_t* data,
                                                               std::size_t size) {
  if (!data && size != 0) return std::nullopt;
  Reader in(data, size);
  uint32_t format = 0;
  if (!in.take32(format) || format > kStreamFormat) return std::nullopt;
  std::vector<PropertyValue> values;
  for (const SavedProperty& p : savedProperties()) {
    uint16_t tag = 0;
    if (!in.take16(tag)) return std::nullopt;
    if (p.kind == SavedKind::Text) {
      uint32_t count = 0;
      std::string_view bytes;
      if (tag != kTagText || !in.take32(count) || count % 2 != 0 || !in.takeBytes(count, bytes))
        return std::nullopt;
      std::string text;
      if (count != 0) {
        // Terminated, and a text up to its first NUL character.
        if (bytes[count - 2] != 0 || bytes[count - 1] != 0) return std::nullopt;
        std::size_t units = 0;
        while (bytes[2 * units] != 0 || bytes[2 * units + 1] != 0) ++units;
        if (!utf16leToUtf8(bytes.substr(0, 2 * units), text)) return std::nullopt;
      }
      values.emplace_back(std::move(text));
    } else if (tag == kTagInt32) {
      uint32_t v = 0;
      if (!in.take32(v)) return std::nullopt;
      const auto n = static_cast<int32_t>(v);
      if (p.kind == SavedKind::Int32)
        values.emplace_back(n);
      else if (n < INT16_MIN || n > INT16_MAX)
        return std::nullopt;  // would change as a 16-bit property
      else
        values.emplace_back(static_cast<int16_t>(n));
    } else if (tag == kTagInt16) {
      uint16_t v = 0;
      if (!in.take16(v)) return std::nullopt;
      if (p.kind == SavedKind::Int32)
        values.emplace_back(static_cast<int32_t>(static_cast<int16_t>(v)));
      else
        values.emplace_back(static_cast<int16_t>(v));
    } else {
      return std::nullopt;
    }
  }
  return values;
}

}  // namespace remcmd
