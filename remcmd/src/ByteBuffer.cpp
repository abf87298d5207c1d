#include "ByteBuffer.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace remcmd {

ByteBuffer::ByteBuffer() noexcept { m_inline[0] = 0; }

ByteBuffer::ByteBuffer(std::string_view text) : ByteBuffer() { set(text); }

ByteBuffer::ByteBuffer(const ByteBuffer& other) : ByteBuffer() { set(other.view()); }

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
  if (this != &other) set(other.view());
  return *this;
}

ByteBuffer::~ByteBuffer() { delete[] m_storage; }

int ByteBuffer::set(uint32_t length, const void* bytes) {
  if (length > 0x7fff0000u) return kOutOfMemory;
  const uint32_t inlineCap = kInlineSize - 1;
  if (length <= inlineCap) {
    if (m_storage) {
      // memmove: the given bytes may lie inside our own storage.
      std::memmove(m_inline, bytes ? bytes : m_storage, length);
      delete[] m_storage;
      m_storage = nullptr;
      m_capacity = inlineCap;
    } else if (bytes) {
      std::memmove(m_inline, bytes, length);
    } else if (length > m_length) {
      std::memset(m_inline + m_length, 0, length - m_length);
    }
    m_inline[length] = 0;
  } else {
    if (m_capacity < length) {
      const uint32_t newCap = length + length / 2;
      char* fresh = new (std::nothrow) char[newCap + 1];
      if (!fresh) return kOutOfMemory;
      if (bytes) {
        std::memcpy(fresh, bytes, length);
      } else {
        std::memcpy(fresh, data(), m_length);
        std::memset(fresh + m_length, 0, length - m_length);
      }
      delete[] m_storage;
      m_storage = fresh;
      m_capacity = newCap;
    } else if (bytes) {
      std::memmove(m_storage, bytes, length);
    } else if (length > m_length) {
      std::memset(m_storage + m_length, 0, length - m_length);
    }
    m_storage[length] = 0;
  }
  m_length = length;
  return kOk;
}

int ByteBuffer::append(const void* bytes, uint32_t count) {
  if (!bytes || count == 0) return kOk;
  const char* src = static_cast<const char*>(bytes);
  // Appending a piece of ourselves: keep a copy, growing may move the storage.
  std::string copy;
  if (src >= data() && src < data() + m_capacity + 1) {
    copy.assign(src, count);
    src = copy.data();
  }
  const uint32_t old = m_length;
  if (count > 0x7fff0000u - old) return kOutOfMemory;
  if (int rc = set(old + count, nullptr)) return rc;
  std::memcpy(data() + old, src, count);
  return kOk;
}

int ByteBuffer::appendDecimal(int32_t value) {
  char text[16];
  const int n = std::snprintf(text, sizeof text, "%d", value);
  return append(text, static_cast<uint32_t>(n));
}

void ByteBuffer::dropFront(uint32_t count) {
  if (count > m_length) count = m_length;
  if (count == 0) return;
  std::memmove(data(), data() + count, m_length - count);
  set(m_length - count, nullptr);
}

void ByteBuffer::dropLast() {
  if (m_length > 0) set(m_length - 1, nullptr);
}

void ByteBuffer::release() {
  delete[] m_storage;
  m_storage = nullptr;
  m_length = 0;
  m_capacity = kInlineSize - 1;
  m_inline[0] = 0;
}

}  // namespace remcmd
