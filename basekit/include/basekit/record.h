// Field codec for the fixed-length record files: little-endian, packed, text
// fields blank-padded Windows-1252 without terminator.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace basekit {

class RecordWriter {
 public:
  explicit RecordWriter(size_t reserve = 0);
  void i16(int16_t v);
  void i32(int32_t v);
  void f64(double v);
  // Converted to Windows-1252, cut or blank-padded to width, no terminator.
  void text(std::string_view utf8, size_t width);
  // Bytes as they are, cut or blank-padded to width.
  void raw(std::string_view bytes, size_t width);
  const std::string& bytes() const { return m_bytes; }
  size_t size() const { return m_bytes.size(); }

 private:
  std::string m_bytes;
};

class RecordReader {
 public:
  explicit RecordReader(std::string_view record);
  int16_t i16();
  int32_t i32();
  double f64();
  // Windows-1252 -> UTF-8, blanks kept.
  std::string text(size_t width);
  std::string raw(size_t width);
  void skip(size_t n);
  size_t offset() const { return m_offset; }
  // False once any read went past the end; that read returned 0 / "".
  bool ok() const { return m_ok; }

 private:
  bool take(size_t n, std::string_view& out);
  std::string_view m_record;
  size_t m_offset = 0;
  bool m_ok = true;
};

}  // namespace basekit
