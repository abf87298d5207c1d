// Simulated Hayes modem in front of a simulated clock, on a pseudo-terminal: the host opens
// the device as its serial port, sets the modem up with AT commands, dials, and once the
// modem reports CONNECT its bytes reach the clock and the clock's come back. The call ends
// with "+++" and CR (the host's own pauses stand for the guard time) followed by ATH, or
// with the host closing the port, which on a pseudo-terminal stands for dropping DTR.
#pragma once

#include <clocksim/simulator.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace clocksim {

enum class DialOutcome { Connect, Busy, NoCarrier, NoAnswer, NoDialTone, Silence };

struct ModemOptions {
  std::vector<DialOutcome>
      script;           // one outcome per dial attempt, the last repeating; empty = always Connect
  bool echo = true;     // E1 at power-up and after ATZ
  bool verbose = true;  // V1 (texts) or V0 (numeric result codes)
  std::string connectSpeed = "9600";       // "CONNECT 9600"; empty gives "CONNECT"
  std::chrono::milliseconds dialDelay{0};  // ringing: from the dial command to its result
  // Above 0: a dial result leaves in two writes, split after this many characters of its
  // text ("CON" | "NECT 9600"), with splitPause between them.
  size_t splitAt = 0;
  std::chrono::milliseconds splitPause{300};
};

class Hayes;
class Server;

// One modem, one pseudo-terminal; the clock given must outlive it. Serving calls throw
// std::system_error when no pseudo-terminal can be had. The accessors are thread-safe.
//
// Command lines start at "AT" (either case; anything before it is ignored, a line without
// it gets no answer) and end with CR. Taken: D (dial, the rest of the line: T and P choose
// tone or pulse), E0/1, V0/1, Q0/1, H0/1, Z, O, X0-4, L0-3, M0-3, &F, &C0/1, &D0-3, &K0-6,
// &W0/1, Sn=v, Sn?; anything else, or a value out of range, answers ERROR. Verbose results
// are CR LF text CR LF, numeric ones the code and CR. The clock's faults and pacing apply
// to its bytes on the call.
class Modem {
 public:
  explicit Modem(Simulator& clock, ModemOptions options = {});
  ~Modem();  // stops serving
  Modem(const Modem&) = delete;
  Modem& operator=(const Modem&) = delete;

  std::string
  openPty();  // serve on a new pseudo-terminal (once); returns the device path for VELTA_COM<n>
  void stop();

  std::vector<std::string> commands()
      const;  // every AT command line received, from "AT" on, without CR
  std::vector<std::string> dialledNumbers()
      const;               // per dial attempt, the dial string without T/P and blanks
  bool online() const;     // a call is up (carrier)
  size_t hangUps() const;  // calls ended, by ATH, ATZ or the port closing

 private:
  Simulator& m_clock;
  ModemOptions m_options;
  std::unique_ptr<Hayes> m_hayes;
  std::unique_ptr<Server> m_line;
};

}  // namespace clocksim
