// Line cutting: first bytes choose the capacity and the end-of-line text, the
// rest arrives in chunks of varying size. Every byte comes out exactly once.
#include "LineBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  remcmd::LineBuffer lb;
  const uint32_t capacity = data[0] % 64;
  const uint32_t eolLength = data[1] % 4;
  if (size < 2 + eolLength) return 0;
  lb.allocate(capacity);
  lb.setEol(data + 2, eolLength);
  const std::string eol(reinterpret_cast<const char*>(data + 2), eolLength);
  const uint8_t* p = data + 2 + eolLength;
  size_t left = size - 2 - eolLength;
  std::string in(reinterpret_cast<const char*>(p), left), out;
  std::string_view piece;
  size_t chunk = 1;
  while (left > 0) {
    remcmd::LineBuffer::Room room = lb.freeRoom();
    if (room.size == 0) {
      lb.rest(piece);
      out += piece;
      continue;
    }
    const size_t n = std::min<size_t>({static_cast<size_t>(room.size), left, chunk});
    std::memcpy(room.data, p, n);
    lb.commit(static_cast<uint32_t>(n));
    p += n;
    left -= n;
    chunk = chunk % 7 + 1;
    while (lb.nextPiece(piece)) {
      out += piece;
      if (!eol.empty()) out += eol;
    }
  }
  if (lb.rest(piece)) out += piece;
  if (out != in) std::abort();
  return 0;
}
