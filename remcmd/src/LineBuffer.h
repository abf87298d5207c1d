// LineBuffer: a session's receive buffer. Received bytes are committed into
// it and taken out again as pieces cut at the session's end-of-line text, or
// as raw chunks when no end-of-line text is set.
#pragma once

#include <cstdint>
#include <string_view>

namespace remcmd {

class LineBuffer {
 public:
  static constexpr uint32_t kDefaultCapacity = 2048;
  static constexpr uint32_t kMaxCapacity = 65536;

  struct Room {
    char* data = nullptr;
    uint32_t size = 0;
  };

  LineBuffer();
  ~LineBuffer();
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  // A capacity of 0 would leave no room to receive into; it is taken as 1.
  // Above kMaxCapacity the capacity is kMaxCapacity. False: out of memory.
  bool allocate(uint32_t capacity);
  bool setEol(const void* bytes, uint32_t length);
  std::string_view eol() const { return {m_eol, m_eolLength}; }

  Room freeRoom();
  void commit(uint32_t count);
  bool add(const void* bytes, uint32_t count);
  // With an end-of-line text: the bytes before its first complete occurrence
  // (consumed together with it); without one: all unread bytes.
  bool nextPiece(std::string_view& piece);
  bool rest(std::string_view& piece);
  void clear();

  uint32_t capacity() const { return m_capacity; }
  uint32_t count() const { return m_count; }
  bool full() const { return m_count == m_capacity; }

 private:
  void moveToFront();

  char* m_storage = nullptr;
  uint32_t m_capacity = 0;
  uint32_t m_start = 0;
  uint32_t m_count = 0;
  char* m_eol = nullptr;
  uint32_t m_eolLength = 0;
};

}  // namespace remcmd
