// UDP back end: a link to a serial-over-Ethernet unit in front of a clock's
// serial line. Every datagram carries a one-byte sequence prefix (255 after
// set-up, afterwards the unit's last one) and every datagram received is
// acknowledged with that byte alone.
#pragma once
#include "ChunkBuffer.h"
#include "LinkBackend.h"
#include "NetSocket.h"
#include "clocklink/CollectionStatus.h"

#include <string>

namespace clocklink {

class CPL_Ether232 : public LinkBackend {
 public:
  int Iniciar(NetSocket* ws, const std::string& addr, long PLocal, long pRemote);
  CollectionStatus UDP_Open();
  int UDP_Send(const std::string& s);
  long UDP_IsData();
  std::string UDP_Get();
  int UDP_ClearRXBuf();
  int UDP_Close();

  // As the link switch routes to it; there is no connection to close.
  CollectionStatus open() override { return UDP_Open(); }
  void clearInput() override { UDP_ClearRXBuf(); }
  void send(const std::string& s) override { UDP_Send(s); }
  long pending() override { return takeQuiet() && !chunk_.hasUnread() ? 0 : UDP_IsData(); }
  std::string read() override { return UDP_Get(); }
  void waitInput(std::chrono::milliseconds slice) override;

 private:
  void ReadPending();
  NetSocket* ws_ = nullptr;
  ChunkBuffer chunk_;
  char sequence_ = static_cast<char>(255);
};

}  // namespace clocklink
