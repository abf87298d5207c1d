// TCP back end: a client link to a clock or terminal server that speaks the
// clock protocol directly on the socket. The connection stays up across
// exchanges and clocks on the same host and port.
#pragma once
#include "ChunkBuffer.h"
#include "LinkBackend.h"
#include "NetSocket.h"
#include "clocklink/CollectionStatus.h"

#include <string>

namespace clocklink {

class CPL_SVR : public LinkBackend {
 public:
  CPL_SVR() = default;
  ~CPL_SVR() override;
  CPL_SVR(const CPL_SVR&) = delete;
  CPL_SVR& operator=(const CPL_SVR&) = delete;

  int Iniciar(NetSocket* ws, const std::string& addr, long PLocal, long pRemote, int pTimeout);
  CollectionStatus TCP_Open();
  int TCP_Send(const std::string& s);
  long TCP_IsData();
  std::string TCP_Get();
  int TCP_ClearRXBuf();
  int TCP_Close();

  // As the link switch routes to it; its close leaves the connection up.
  CollectionStatus open() override { return TCP_Open(); }
  void clearInput() override { TCP_ClearRXBuf(); }
  void send(const std::string& s) override { TCP_Send(s); }
  long pending() override { return takeQuiet() && !chunk_.hasUnread() ? 0 : TCP_IsData(); }
  std::string read() override { return TCP_Get(); }
  void waitInput(std::chrono::milliseconds slice) override;

 private:
  void ReadPending();
  NetSocket* ws_ = nullptr;
  ChunkBuffer chunk_;
  std::string lastHost_;
  long lastPort_ = -1;
  int connectTimeout_ = 30;
};

}  // namespace clocklink
