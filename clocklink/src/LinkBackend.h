// One way of carrying a clock's bytes: the serial port, the UDP serial-over-Ethernet unit, the
// TCP server, or bytes in memory. The link switch picks one of these by its interface byte and
// hands every operation to it, so no operation has to switch on the interface itself (the
// shape of libmodbus' modbus_backend_t, one implementation per file).
#pragma once
#include "clocklink/CollectionStatus.h"
#include "clocklink/EventPump.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace clocklink {

class LinkBackend {
 public:
  virtual ~LinkBackend() = default;

  virtual CollectionStatus open() = 0;
  // The close as the switch sees it: only the serial port really closes.
  virtual CollectionStatus close() { return kSuccess; }
  virtual void clearInput() = 0;
  // Characters one read takes (serial only; the network back ends hand out one at a time).
  virtual void setInputLen(int /*n*/) {}
  // Sends s, waiting for room in short slices that let events run and see the cancel flag.
  virtual void send(const std::string& s) = 0;
  // Pending input as the switch reports it (PL_IsData) and one read of it (PL_GetBuff).
  virtual long pending() = 0;
  virtual std::string read() = 0;
  // Blocks up to one slice (<= 20 ms) until input may be waiting; returns at once when
  // unread input remains, so a caller polling pending() never spins.
  virtual void waitInput(std::chrono::milliseconds slice) = 0;

  // Right after a send the answer cannot be there yet: the next look for input goes straight
  // to the wait (one poll) instead of first making a read that would find nothing.
  void expectAnswer() { quiet_ = true; }

  // The owner's cancel flag (1 = stop): long sends and look-ups end early on it.
  void watchCancel(const int16_t* flag) { cancel_ = flag; }

 protected:
  // One slice of waiting on fd. A slice that passed with nothing at all on the descriptor is
  // remembered, so the look for input that follows can answer "nothing" without asking the
  // system again: a wait on a silent clock then costs one call per slice, not two.
  void waitOn(int fd, std::chrono::milliseconds slice) {
    quiet_ = waitSlice(fd, slice) == SliceEnd::Quiet;
  }
  bool takeQuiet() {
    const bool q = quiet_;
    quiet_ = false;
    return q;
  }

  const int16_t* cancel_ = nullptr;

 private:
  bool quiet_ = false;
};

}  // namespace clocklink
