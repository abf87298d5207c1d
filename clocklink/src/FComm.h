// The process-wide holder of the serial port and the two sockets (UDP and
// TCP), shared by every protocol and modem object, so a line the modem has
// opened and dialled is the line the protocol object then uses.
#pragma once
#include "NetSocket.h"
#include "SerialPort.h"
#include "clocklink/CollectionStatus.h"

#include <string>

namespace clocklink {

class FComm {
 public:
  // The single instance; it comes into being at the first use.
  static FComm& instance();
  // Closes the port and both sockets and forgets the port settings (the
  // protocol object's end). The instance itself stays valid.
  static void unload();

  SerialPort xComm;
  NetSocket WSock;  // UDP back end
  NetSocket WsTCP;  // TCP back end

  void SetPort(const std::string& pTelefono, int pPuerto, const std::string& pVelocidad);
  CollectionStatus OpenPort();
  CollectionStatus ClosePort();

  // The settings text the port is opened with: speed & ",n,8,1".
  std::string settingsText() const { return speed_ + ",n,8,1"; }

 private:
  FComm() { WSock.protocol = NetSocket::Udp; }
  std::string telephone_;
  int port_ = 0;
  std::string speed_;
};

}  // namespace clocklink
