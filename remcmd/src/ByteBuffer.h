// ByteBuffer: the engine's growable byte string. Short contents live in an
// inline area, longer ones in outside storage that grows by half again; the
// contents are always followed by a zero byte so they read as a C text.
#pragma once

#include <cstdint>
#include <string_view>

namespace remcmd {

class ByteBuffer {
 public:
  static constexpr uint32_t kInlineSize = 100;
  static constexpr int kOk = 0;
  static constexpr int kOutOfMemory = 200;

  ByteBuffer() noexcept;
  explicit ByteBuffer(std::string_view text);
  ByteBuffer(const ByteBuffer& other);
  ByteBuffer& operator=(const ByteBuffer& other);
  ~ByteBuffer();

  // Gives the buffer `length` bytes, copied from `bytes` when given,
  // otherwise keeping what is there. Returns 0 or 200 (out of memory).
  int set(uint32_t length, const void* bytes);
  int set(std::string_view text) { return set(static_cast<uint32_t>(text.size()), text.data()); }
  int append(const void* bytes, uint32_t count);
  int append(std::string_view text) {
    return append(text.data(), static_cast<uint32_t>(text.size()));
  }
  int appendDecimal(int32_t value);
  void dropFront(uint32_t count);
  void dropLast();
  void release();

  const char* c_str() const { return data(); }
  const char* data() const { return m_storage ? m_storage : m_inline; }
  char* data() { return m_storage ? m_storage : m_inline; }
  uint32_t size() const { return m_length; }
  uint32_t capacity() const { return m_capacity; }
  bool empty() const { return m_length == 0; }
  bool isInline() const { return m_storage == nullptr; }
  std::string_view view() const { return {data(), m_length}; }

 private:
  char m_inline[kInlineSize];
  char* m_storage = nullptr;
  uint32_t m_length = 0;
  uint32_t m_capacity = kInlineSize - 1;
};

}  // namespace remcmd
