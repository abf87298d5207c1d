// TCP back end: a client link to a clock or terminal server that speaks the
// clock protocol directly on the socket. The connection stays up across
// exchanges and clocks on the same host and port.
#pragma once
#include "clocklink/CollectionStatus.h"
#include "clocklink/ChunkBuffer.h"
#include "clocklink/NetSocket.h"

#include <string>

namespace clocklink {

class CPL_SVR {
 public:
  CPL_SVR() = default;
  ~CPL_SVR();
  CPL_SVR(const CPL_SVR&) = delete;
  CPL_SVR& operator=(const CPL_SVR&) = delete;

  int Iniciar(NetSocket* ws, const std::string& addr, long PLocal, long pRemote, int pTimeout);
  CollectionStatus TCP_Open();
  int TCP_Send(const std::string& s);
  long TCP_IsData();
  std::string TCP_Get();
  int TCP_ClearRXBuf();
  int TCP_Close();

  // Descriptor to block on while waiting for input; -1 when unread bytes remain.
  int waitDescriptor() const;

 private:
  void ReadPending();
  NetSocket* ws_ = nullptr;
  ChunkBuffer chunk_;
  std::string lastHost_;
  long lastPort_ = -1;
  int connectTimeout_ = 30;
};

}  // namespace clocklink
