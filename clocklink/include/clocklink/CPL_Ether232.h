// UDP back end: a link to a serial-over-Ethernet unit in front of a clock's
// serial line. Every datagram carries a one-byte sequence prefix (255 after
// set-up, afterwards the unit's last one) and every datagram received is
// acknowledged with that byte alone.
#pragma once
#include "clocklink/CollectionStatus.h"
#include "clocklink/ChunkBuffer.h"
#include "clocklink/NetSocket.h"

#include <string>

namespace clocklink {

class CPL_Ether232 {
 public:
  int Iniciar(NetSocket* ws, const std::string& addr, long PLocal, long pRemote);
  CollectionStatus UDP_Open();
  int UDP_Send(const std::string& s);
  long UDP_IsData();
  std::string UDP_Get();
  int UDP_ClearRXBuf();
  int UDP_Close();

  unsigned char sequenceByte() const { return static_cast<unsigned char>(sequence_); }
  int waitDescriptor() const;

 private:
  void ReadPending();
  NetSocket* ws_ = nullptr;
  ChunkBuffer chunk_;
  char sequence_ = static_cast<char>(255);
};

}  // namespace clocklink
