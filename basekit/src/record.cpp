#include <basekit/codepage.h>
#include <basekit/record.h>

#include <bit>
#include <cstring>

namespace basekit {
namespace {

template <typename U>
void putLe(std::string& out, U v) {
  for (size_t i = 0; i < sizeof(U); ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

template <typename U>
U getLe(std::string_view in) {
  U v = 0;
  for (size_t i = 0; i < sizeof(U); ++i)
    v |= static_cast<U>(static_cast<unsigned char>(in[i])) << (8 * i);
  return v;
}

}  // namespace

RecordWriter::RecordWriter(size_t reserve) { m_bytes.reserve(reserve); }

void RecordWriter::i16(int16_t v) { putLe(m_bytes, static_cast<uint16_t>(v)); }
void RecordWriter::i32(int32_t v) { putLe(m_bytes, static_cast<uint32_t>(v)); }
void RecordWriter::f64(double v) { putLe(m_bytes, std::bit_cast<uint64_t>(v)); }

void RecordWriter::text(std::string_view utf8, size_t width) { raw(utf8ToCp1252(utf8), width); }

void RecordWriter::raw(std::string_view bytes, size_t width) {
  const size_t n = bytes.size() < width ? bytes.size() : width;
  m_bytes.append(bytes.data(), n);
  m_bytes.append(width - n, ' ');
}

RecordReader::RecordReader(std::string_view record) : m_record(record) {}

bool RecordReader::take(size_t n, std::string_view& out) {
  if (n > m_record.size() - m_offset) {
    m_offset = m_record.size();
    m_ok = false;
    return false;
  }
  out = m_record.substr(m_offset, n);
  m_offset += n;
  return true;
}

int16_t RecordReader::i16() {
  std::string_view f;
  return take(2, f) ? static_cast<int16_t>(getLe<uint16_t>(f)) : 0;
}

int32_t RecordReader::i32() {
  std::string_view f;
  return take(4, f) ? static_cast<int32_t>(getLe<uint32_t>(f)) : 0;
}

double RecordReader::f64() {
  std::string_view f;
  return take(8, f) ? std::bit_cast<double>(getLe<uint64_t>(f)) : 0.0;
}

std::string RecordReader::text(size_t width) {
  std::string_view f;
  return take(width, f) ? cp1252ToUtf8(f) : std::string();
}

std::string RecordReader::raw(size_t width) {
  std::string_view f;
  return take(width, f) ? std::string(f) : std::string();
}

void RecordReader::skip(size_t n) {
  std::string_view f;
  take(n, f);
}

}  // namespace basekit
