// Serial-port layer over termios: the handful of operations the clock link
// needs of a serial control (open by COM number, line settings text, input
// length per read, pending count, send, modem lines).
#pragma once

#include "clocklink/LineSettings.h"

#include <cstdint>
#include <string>

namespace clocklink {

// Device for COMn: $VELTA_COM<n> when set, else /dev/ttyS<n-1>. Empty for n < 1.
std::string devicePathForPort(int port);

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens COMn exclusively (TIOCEXCL + flock) with the given settings text.
  // On failure returns false and leaves the reason in lastError().
  bool open(int port, const std::string& settings);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int port() const { return port_; }
  const std::string& settings() const { return settings_; }
  const std::string& lastError() const { return error_; }
  // The same failure by kind, device and errno, for a host that words it itself.
  const SerialOpenFailure& lastFailure() const { return failure_; }

  void setInputLen(int n) { inputLen_ = n < 0 ? 0 : n; }
  int inputLen() const { return inputLen_; }
  // Characters waiting in the input.
  long inBufferCount();
  // Discards waiting input.
  void clearInput();
  // Takes up to inputLen() waiting characters (all when 0); never blocks.
  std::string input();
  // Writes all of s, waiting for room in short slices that let events run; false on error
  // or once cancelFlag reads 1.
  bool output(const std::string& s, const int16_t* cancelFlag = nullptr);

  // Modem lines. False in `supported` when the device has none (pseudo-terminals).
  bool ctsHolding(bool* supported = nullptr);
  bool setDtr(bool on);
  // Clear-to-send as the modem path reads it: the real line where the device
  // has one. A device without modem lines (a pseudo-terminal) reads low,
  // unless VELTA_ASSUME_CTS=1 says to treat the missing line as raised (tests
  // and simulated modems); a real serial port always keeps the real rule.
  bool ctsLine();

  // The port number and settings text the control holds for the next open
  // (a successful open() sets both too), as a serial control keeps them.
  void setCommPort(int port) { heldPort_ = port; }
  void setSettings(const std::string& text) { heldSettings_ = text; }
  // Opens with the held port and settings.
  bool openHeld() { return open(heldPort_, heldSettings_); }

 private:
  void fail(SerialFailure kind, const std::string& device, int err, const std::string& text);

  int fd_ = -1;
  int port_ = 0;
  std::string settings_;
  std::string error_;
  SerialOpenFailure failure_;
  int inputLen_ = 0;
  int heldPort_ = 0;
  std::string heldSettings_;
};

}  // namespace clocklink
