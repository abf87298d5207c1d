// The read model both network back ends present to the frame layer: one chunk of received
// bytes, handed out one character per call. isData reports the chunk's whole length (not the
// unread rest) and refills only once the chunk is used up; get never refills by itself.
#pragma once
#include <string>
#include <utility>

namespace clocklink {

class ChunkBuffer {
 public:
  // Forgets the chunk's position (open and close of a link).
  void reset() {
    cursor_ = 0;
    length_ = 0;
  }
  // Empty, ready for the next refill (after a receive-buffer clear).
  void clear() {
    buffer_.clear();
    length_ = 0;
    cursor_ = 1;
  }
  // Start of a refill: nothing unread until fill() hands over a chunk.
  void beginRefill() {
    length_ = 0;
    cursor_ = 1;
  }
  void fill(std::string chunk) {
    buffer_ = std::move(chunk);
    length_ = static_cast<long>(buffer_.size());
  }

  template <typename Refill>
  long isData(Refill refill) {
    if (length_ < cursor_) length_ = 0;
    if (length_ != 0) return length_;
    refill();
    return length_;
  }

  std::string get() {
    if (length_ >= cursor_ && cursor_ >= 1 && cursor_ <= static_cast<long>(buffer_.size()))
      return std::string(1, buffer_[static_cast<size_t>(cursor_++ - 1)]);
    return {};
  }

  bool hasUnread() const { return length_ >= cursor_ && length_ != 0; }

 private:
  std::string buffer_;
  long cursor_ = 0;
  long length_ = 0;
};

}  // namespace clocklink
