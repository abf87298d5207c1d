// ClsModem: the modem object. It prepares a Hayes-command modem on the shared
// serial port (initialisation string and the extra commands of MODEM.MAU),
// dials a clock's number and reports the modem's answer, sends single
// configuration commands, and hangs up. The line it opens and dials is the
// port the protocol object then talks through (FComm). Modem port numbers and
// initialisation strings come from the modem-information provider (Tornikel.h).
#pragma once
#include "clocklink/CollectionStatus.h"

#include <cstdint>
#include <string>
#include <vector>

namespace clocklink {

// MODEM.MAU items: an item ends at a comma or a line end; blanks around it
// and enclosing double quotes are dropped (a quoted item may hold commas);
// empty items are skipped.
std::vector<std::string> splitModemItems(const std::string& text);

class ClsModem {
 public:
  ClsModem() = default;
  ClsModem(const ClsModem&) = delete;
  ClsModem& operator=(const ClsModem&) = delete;

  int16_t SetModem(int16_t pPort, const std::string& pSpeed, const std::string& pPhone);
  // True when the reply holds the expected answer. For "OK" or "0" a reply
  // counts when it holds "OK" or a result line that is exactly "0" (numeric
  // result codes), so an echoed "AT&F0" does not pass for success.
  bool IsComando(const std::string& comando, const std::string& Resp);
  // Hangs up: "+++"/ATH rounds while the modem holds CTS, then always drops
  // DTR and closes the port. Always false.
  bool Colgar();
  CollectionStatus InitModem(const std::string& dirtrabajo, const std::string& pModemDriver);
  CollectionStatus ConfigModem(const std::string& comando);
  // Dials (command list entry 0) and returns the modem's answer: the reply
  // holding "CONNECT", one of "BUSY", "NO CARRIER", "ERROR", "NO DIAL TONE",
  // "NO ANSWER", or empty (time-out, cancel, no line).
  std::string Discar(double pTimeout);
  CollectionStatus SetCancel(int16_t pCancel);
  CollectionStatus SendCommand(const std::string& pComando);
  int16_t xGetModemCount();
  std::string xGetModemName(int16_t m_ind);
  std::string xGetModemCommand(const std::string& pModemDriver, int16_t pCmd);

  // The library-wide "line is up" flag (one value for every modem object).
  bool cortarModem() const;
  void cortarModem(bool up);

  // Views for the host and for tests.
  const std::vector<std::string>& commandList() const { return commands_; }
  int port() const { return port_; }
  // The settings text InitModem and ConfigModem open the port with.
  std::string settingsText() const;

 private:
  std::string ReadReply(int n, double seconds);
  void Pause(double seconds);
  CollectionStatus openModemPort();

  std::vector<std::string> commands_;
  int16_t cancel_ = 0;
  int port_ = 0;
  std::string speed_;
  std::string phone_;
  const std::string terminator_ = "\r";
};

}  // namespace clocklink
