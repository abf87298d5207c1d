// The Hayes command interpreter of the simulated modem, without I/O: takes the host's bytes
// one at a time, answers AT command lines (echo, verbose or numeric result codes), plays
// the dial script, and tells the line which bytes are data for the clock once a call is up.
// Its record (command lines, dialled numbers, calls, hang-ups) is locked for other threads.
#pragma once

#include <clocksim/modem.h>

#include <array>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace clocksim {

// One write of the modem, after a pause (ringing, a split reply).
struct ModemWrite {
  std::chrono::milliseconds pauseBefore{0};
  std::string bytes;
};

class Hayes {
 public:
  explicit Hayes(ModemOptions options);

  // A byte from the host. True: it is data for the clock (a call is up and the modem is
  // online). False: the modem took it; what it writes back is appended to out.
  bool feed(unsigned char b, std::vector<ModemWrite>& out);
  void dtrDropped();  // the host closed the port: the call, if any, ends

  std::vector<std::string> commands() const;
  std::vector<std::string> dialledNumbers() const;
  bool online() const;
  size_t hangUps() const;
  size_t calls() const;  // calls connected so far; a new value means a fresh clock link

 private:
  enum Code {
    Ok = 0,
    Connect = 1,
    NoCarrier = 3,
    Error = 4,
    NoDialTone = 6,
    Busy = 7,
    NoAnswer = 8
  };
  void execute(const std::string& line, std::vector<ModemWrite>& out);
  void dial(const std::string& dialString, std::vector<ModemWrite>& out);
  void result(Code code, std::vector<ModemWrite>& out, std::chrono::milliseconds pause = {},
              bool split = false);
  void info(const std::string& text, std::vector<ModemWrite>& out);
  void hangUp();
  void resetProfile(bool factory);

  const ModemOptions m_options;
  bool m_echo, m_verbose, m_quiet = false;
  bool m_dataMode = false;
  std::array<int, 256> m_registers{};
  std::string m_line;
  bool m_lineOverflow = false;
  std::string m_escape;  // the last bytes of data, watched for "+++" CR
  size_t m_attempts = 0;

  mutable std::mutex m_mutex;  // guards what follows
  bool m_carrier = false;
  size_t m_calls = 0, m_hangUps = 0;
  std::vector<std::string> m_commands, m_dialled;
};

}  // namespace clocksim
