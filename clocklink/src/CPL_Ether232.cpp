#include "CPL_Ether232.h"

#include "clocklink/EventPump.h"

namespace clocklink {

int CPL_Ether232::Iniciar(NetSocket* ws, const std::string& addr, long PLocal, long pRemote) {
  ws_ = ws;
  sequence_ = static_cast<char>(255);
  chunk_.reset();
  if (!ws_) return 0;
  ws_->close();
  ws_->protocol = NetSocket::Udp;
  ws_->remoteHost = addr;
  ws_->remotePort = pRemote;
  ws_->localPort = PLocal;
  return ws_->bind(PLocal) ? -1 : 0;
}

CollectionStatus CPL_Ether232::UDP_Open() {
  chunk_.reset();
  return kSuccess;
}

int CPL_Ether232::UDP_Send(const std::string& s) {
  if (!ws_) return 0;
  return ws_->sendData(std::string(1, sequence_) + s, cancel_) ? -1 : 0;
}

void CPL_Ether232::ReadPending() {
  chunk_.beginRefill();
  if (!ws_) return;
  std::string dgram;
  if (!ws_->getData(dgram) || dgram.empty()) return;
  if (dgram[0] != sequence_) sequence_ = dgram[0];
  UDP_Send({});  // acknowledgement: the sequence byte alone
  chunk_.fill(dgram.substr(1));
}

long CPL_Ether232::UDP_IsData() {
  return chunk_.isData([this] { ReadPending(); });
}

std::string CPL_Ether232::UDP_Get() { return chunk_.get(); }

int CPL_Ether232::UDP_ClearRXBuf() {
  // Every datagram still waiting is taken (and acknowledged) and dropped.
  for (int i = 0; i < 1000 && ws_ && ws_->readable(); ++i) {
    ReadPending();
    if (!ws_->readable()) break;
  }
  chunk_.clear();
  return 0;
}

int CPL_Ether232::UDP_Close() {
  chunk_.reset();
  return 0;
}

void CPL_Ether232::waitInput(std::chrono::milliseconds slice) {
  if (chunk_.hasUnread()) return;
  waitOn(ws_ ? ws_->fd() : -1, slice);
}

}  // namespace clocklink
