// Clock-terminal simulator: plays the clock's side of the clock wire protocol (status,
// download, clearing, and the programming commands: date and time, clock number, search
// percentage, locking, cards, sirens) for models 0-6 on a pseudo-terminal, a TCP port, a UDP
// serial-over-Ethernet unit or behind a simulated modem (clocksim/modem.h), with optional
// output pacing and seeded fault injection. Used in-process by tests and by `clocksim`.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace clocksim {

struct Punch {  // one stored punch, as the clock keeps it
  int year = 2026, month = 1, day = 1, hour = 0, minute = 0;
  int clock = 1;     // clock number
  int reader = 0;    // reader / record type (0..99)
  std::string card;  // card digits (decimal, or hex digits for touch cards)
};

// One siren slot of the clock (32 of them). number 0 = empty slot.
struct Siren {
  int day = 0;     // 0-6 Sunday first, 7 working days ("H" on the wire), 8 every day ("T")
  int number = 0;  // siren 1-4; 0 = empty
  int hour = 0, minute = 0;
  int duration = 0;  // seconds
  bool operator==(const Siren&) const = default;
};
constexpr size_t kSirenSlots = 32;

enum class Fault { FlipByte, DropBodyByte, CorruptCheck, Silence, Close };

struct Options {
  int model = 0;  // 0..6
  int clockNumber = 1;
  int baud = 0;                // 0 = unpaced; else output paced at baud/10 bytes per second
  double faultRate = 0.0;      // probability per byte sent of one injected fault
  std::vector<Fault> faults;   // kinds to draw from (empty = all kinds)
  uint32_t seed = 1;           // fixed seed: the same run injects the same faults
  bool udpAcknowledge = true;  // the simulated UDP unit acknowledges data datagrams
  bool serialGateway = false;  // expect and answer the serial gateway's "connect" line first
  // On a pseudo-terminal: 0 answers at any line speed; otherwise the clock hears the host only
  // while the host has set the line to this speed (a clock found by trying every speed).
  int answerOnlyAtBaud = 0;
};

class ClockState;
class Server;
class Modem;

// Serving calls throw std::system_error when the link cannot be set up (port taken, no pty).
// Fault kinds a link cannot carry out (Close on a pseudo-terminal or UDP) act as Silence.
class Simulator {
 public:
  explicit Simulator(Options options = {});
  ~Simulator();  // stops serving
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  std::string
  openPty();  // serve on a new pseudo-terminal; returns the device path for VELTA_COM<n>
  uint16_t listenTcp(
      uint16_t port = 0);  // serve on 127.0.0.1 (0 = any free port); returns the port
  uint16_t listenUdp(uint16_t port = 0);  // serial-over-Ethernet unit on 127.0.0.1; replies to the
                                          // sender of the last datagram
  void stop();
  void setPunches(std::vector<Punch> punches);
  void generatePunches(size_t count, uint32_t seed);  // plausible, distinct punches
  // A punch made at the clock now, after the ones stored; safe while a link is serving (a
  // punch made in the middle of a download).
  void addPunch(Punch punch);
  std::vector<Punch> punches() const;  // what the clock stores now (empty after a clearing)
  size_t clearCount() const;           // how many clearings the clock has carried out
  // Every frame accepted from the host (correct check byte, addressed to this clock), in
  // order, as it stood on the wire from STX through ETX (the check byte left out).
  std::vector<std::string> receivedFrames() const;
  void setClockTime(
      std::chrono::system_clock::time_point t);  // the clock's date and time (default: now)

  // State the programming commands change.
  std::chrono::system_clock::time_point clockTime() const;  // the clock's running date and time
  int clockNumber() const;   // starts as Options::clockNumber; "R<n>" changes it
  int cachePercent() const;  // random-search percentage ("7<n>"); 0 until set
  bool locked() const;       // all cards locked ("6"); "3" (and "R" on models 4, 5) unlock
  // Cards the clock holds as enabled / suspended, in the order of the command that put them
  // there; enabling a card lifts its suspension and the other way round.
  std::vector<std::string> enabledCards() const;
  std::vector<std::string> disabledCards() const;
  // "89" lists every slot, one reply frame per acknowledgement: day ("0"-"6", "H", "T"),
  // siren number, HHMM, duration "ss". "8" + day, siren 1-4, HHMM, ss adds to the first
  // empty slot (siren number + 4 deletes the slot with that day, siren and time); "8A"
  // empties them all.
  std::vector<Siren> sirens() const;          // always kSirenSlots entries
  void setSirens(std::vector<Siren> sirens);  // fills the slots in order; the rest empty

 private:
  friend class Modem;  // carries this clock's bytes over its own line
  Options m_options;
  std::unique_ptr<ClockState> m_state;
  std::vector<std::unique_ptr<Server>> m_servers;
};

}  // namespace clocksim
