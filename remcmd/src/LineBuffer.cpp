#include "LineBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace remcmd {

LineBuffer::LineBuffer() { allocate(kDefaultCapacity); }

LineBuffer::~LineBuffer() {
  delete[] m_storage;
  delete[] m_eol;
}

bool LineBuffer::allocate(uint32_t capacity) {
  capacity = std::clamp<uint32_t>(capacity, 1, kMaxCapacity);
  if (m_storage && capacity == m_capacity) {
    clear();
    return true;
  }
  char* fresh = new (std::nothrow) char[capacity + 1];
  if (!fresh) return false;
  delete[] m_storage;
  m_storage = fresh;
  m_capacity = capacity;
  clear();
  return true;
}

bool LineBuffer::setEol(const void* bytes, uint32_t length) {
  char* fresh = nullptr;
  if (length > 0) {
    fresh = new (std::nothrow) char[length + 1];
    if (!fresh) return false;
    std::memcpy(fresh, bytes, length);
    fresh[length] = 0;
  }
  delete[] m_eol;
  m_eol = fresh;
  m_eolLength = length;
  return true;
}

void LineBuffer::moveToFront() {
  if (m_start > 0) {
    std::memmove(m_storage, m_storage + m_start, m_count);
    m_start = 0;
  }
}

LineBuffer::Room LineBuffer::freeRoom() {
  if (m_count == m_capacity) return {};
  if (m_start + m_count == m_capacity) moveToFront();
  return {m_storage + m_start + m_count, m_capacity - m_start - m_count};
}

void LineBuffer::commit(uint32_t count) {
  if (count <= m_capacity - m_start - m_count) m_count += count;
}

bool LineBuffer::add(const void* bytes, uint32_t count) {
  if (count > m_capacity - m_count) return false;
  if (m_start + m_count + count > m_capacity) moveToFront();
  std::memcpy(m_storage + m_start + m_count, bytes, count);
  m_count += count;
  return true;
}

bool LineBuffer::nextPiece(std::string_view& piece) {
  if (m_count == 0) return false;
  const char* begin = m_storage + m_start;
  if (m_eolLength == 0) return rest(piece);
  const char* end = begin + m_count;
  const char* hit = std::search(begin, end, m_eol, m_eol + m_eolLength);
  if (hit == end) return false;
  const uint32_t len = static_cast<uint32_t>(hit - begin);
  piece = {begin, len};
  m_start += len + m_eolLength;
  m_count -= len + m_eolLength;
  if (m_count == 0) m_start = 0;
  return true;
}

bool LineBuffer::rest(std::string_view& piece) {
  if (m_count == 0) return false;
  piece = {m_storage + m_start, m_count};
  m_start = 0;
  m_count = 0;
  return true;
}

void LineBuffer::clear() {
  m_start = 0;
  m_count = 0;
}

}  // namespace remcmd
